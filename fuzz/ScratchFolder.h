// A folder of the fuzz target's own under the temporary folder, made on first
// use and removed with its content when the process exits, so long runs do
// not leave one behind per run. The target never changes the working folder:
// libFuzzer writes new inputs and crash files relative to it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace fuzzsupport {

class ScratchFolder {
public:
    explicit ScratchFolder(const char* prefix) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        path = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder, then "/" and name when one is given.
    std::string file(const std::string& name = {}) const {
        return name.empty() ? path : path + "/" + name;
    }

private:
    std::string path;
};

} // namespace fuzzsupport
