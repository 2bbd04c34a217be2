#include "io/DataFolder.h"

#include "platform/Files.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace lang {

std::vector<std::string> DataFolder::searchFolders() {
    std::vector<std::string> folders;
    // A developer or a test can point the game at other data without moving it.
    if (const char* chosen = std::getenv("RIPPLE_DATA_DIR"); chosen && *chosen)
        folders.emplace_back(chosen);
    std::string program = platform::programDirectory();
    if (!program.empty()) {
        folders.push_back(program);
        size_t slash = program.rfind('/');
        std::string prefix =
            slash == std::string::npos || slash == 0 ? std::string("/") : program.substr(0, slash);
        folders.push_back(platform::joinPath(prefix.c_str(), "share/ripple"));
    }
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd))
        folders.emplace_back(cwd);
    return folders;
}

std::string DataFolder::find(const std::vector<std::string>& folders, const char* name) {
    std::string path = platform::nativePath(name);
    if (path.empty())
        return {};
    if (path.front() == '/')
        return platform::isRegularFile(path.c_str()) ? path : std::string();
    for (const std::string& folder : folders) {
        std::string candidate = platform::joinPath(folder.c_str(), path.c_str());
        if (platform::isRegularFile(candidate.c_str()))
            return candidate;
    }
    return {};
}

std::string DataFolder::locate(const char* name) {
    std::string found = find(searchFolders(), name);
    return found.empty() ? platform::nativePath(name) : found;
}

} // namespace lang
