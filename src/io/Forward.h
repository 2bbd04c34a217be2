#pragma once

namespace lang {
class InputStream;
class FileInputStream;
class ByteArrayInputStream;
class Reader;
class InputStreamReader;
class BufferedReader;
class StreamTokenizer;
class ResourceItem;
class FileItem;
class ResourceFile;
class ResourceFileHeader;
class ResourceFileWriter;
} // namespace lang
