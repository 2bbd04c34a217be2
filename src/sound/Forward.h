#pragma once

namespace sound {
class SoundEngine;
class Mixer;
class Sample;
class BufferedSource;
class Stream;
class Module;
class SoundFile;
} // namespace sound
