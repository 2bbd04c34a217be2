#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes. Throws when no folder can be made, so a test
// never writes into a folder it does not own.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return root; }
    // The full path of `name` inside the folder; nothing is created.
    std::string file(const std::string& name) const { return root + "/" + name; }
    // Writes bytes to path()/name (making the folders on the way) and returns
    // the full path.
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const;
    std::string write(const std::string& name, const std::string& text) const;

private:
    std::string root;
};

} // namespace testsupport
