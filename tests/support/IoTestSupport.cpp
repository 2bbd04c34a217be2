#include "support/IoTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace iotest {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ripple-io-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    root = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

std::string TempDir::write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::string full = root + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    FILE* f = std::fopen(full.c_str(), "wb");
    if (!f)
        throw std::runtime_error("cannot write " + full);
    if (!bytes.empty()) // an empty vector's data() may be null, which fwrite must not get
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return full;
}

std::string TempDir::write(const std::string& name, const std::string& text) const {
    return write(name, std::vector<uint8_t>(text.begin(), text.end()));
}

Bytes& Bytes::u8(uint8_t v) {
    data.push_back(v);
    return *this;
}

Bytes& Bytes::u32(uint32_t v) {
    for (int i = 0; i < 4; ++i)
        data.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
}

Bytes& Bytes::text(const std::string& s) {
    data.insert(data.end(), s.begin(), s.end());
    return *this;
}

Bytes& Bytes::entry(const std::string& name, uint32_t offset, uint32_t size) {
    u8(static_cast<uint8_t>(name.size()));
    text(name);
    u32(offset);
    return u32(size);
}

} // namespace iotest
