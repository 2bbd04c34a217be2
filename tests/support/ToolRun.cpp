#include "support/ToolRun.h"

#include <cstdio>
#include <filesystem>
#include <sys/wait.h>

namespace testsupport {

std::string builtFile(const std::string& name) {
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / name)
        .string();
}

ToolRun runBuiltTool(const std::string& name, const std::string& arguments) {
    ToolRun run;
    const std::string tool = builtFile(name);
    if (!std::filesystem::exists(tool))
        return run;
    std::string command = "'" + tool + "' ";
    command.append(arguments);
    command.append(" 2>&1");
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        run.output += buffer;
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace testsupport
