#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace iotest {

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return root; }
    // Writes bytes to path()/name and returns the full path.
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const;
    std::string write(const std::string& name, const std::string& text) const;

private:
    std::string root;
};

// Little-endian byte building for hand-made (and deliberately damaged)
// containers.
struct Bytes {
    std::vector<uint8_t> data;
    Bytes& u8(uint8_t v);
    Bytes& u32(uint32_t v);
    Bytes& text(const std::string& s);
    Bytes& entry(const std::string& name, uint32_t offset, uint32_t size);
};

} // namespace iotest
