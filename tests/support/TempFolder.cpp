#include "support/TempFolder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace testsupport {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ripple-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    root = pattern;
}

TempFolder::~TempFolder() {
    // Best effort: a test that left a file it cannot remove must not fail in
    // its destructor as well.
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

std::string TempFolder::write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::string full = file(name);
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    FILE* f = std::fopen(full.c_str(), "wb");
    if (!f)
        throw std::runtime_error("cannot write " + full);
    bool written =
        bytes.empty() || // an empty vector's data() may be null, which fwrite must not get
        std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !written)
        throw std::runtime_error("cannot write " + full);
    return full;
}

std::string TempFolder::write(const std::string& name, const std::string& text) const {
    return write(name, std::vector<uint8_t>(text.begin(), text.end()));
}

} // namespace testsupport
