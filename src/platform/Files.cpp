#include "platform/Files.h"

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string nativePath(const char* path) {
    std::string result = path ? path : "";
    for (char& c : result)
        if (c == '\\')
            c = '/';
    return result;
}

std::string joinPath(const char* directory, const char* name) {
    std::string result = directory ? directory : "";
    if (!result.empty() && result.back() != '/' && result.back() != '\\')
        result += '/';
    result += name ? name : "";
    return result;
}

std::string programDirectory() {
    static const std::string directory = [] {
        char buffer[PATH_MAX];
        ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        if (n <= 0)
            return std::string();
        std::string exe(buffer, static_cast<size_t>(n));
        size_t slash = exe.rfind('/');
        return slash == std::string::npos ? std::string() : exe.substr(0, slash ? slash : 1);
    }();
    return directory;
}

bool isRegularFile(const char* path) {
    struct stat info;
    return path && *path && stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

std::string searchPath(const char* path) {
    std::string name = nativePath(path);
    if (name.empty())
        return {};
    if (name.front() == '/')
        return isRegularFile(name.c_str()) ? name : std::string();
    std::string directory = programDirectory();
    if (!directory.empty()) {
        std::string candidate = joinPath(directory.c_str(), name.c_str());
        if (isRegularFile(candidate.c_str()))
            return candidate;
    }
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd)) {
        std::string candidate = joinPath(cwd, name.c_str());
        if (isRegularFile(candidate.c_str()))
            return candidate;
    }
    return {};
}

} // namespace platform
