#pragma once

namespace lang {
class Object;
class Class;
class String;
class Exception;
class Vector;
class Hashtable;
class HashtableEnumerator;
class ObjectArray;
class StringArray;
class SpriteArray;
class IntArray;
class ByteArray;
class TVectorBase;
class Runnable;
class Thread;
template <class T>
class Ref;
} // namespace lang
