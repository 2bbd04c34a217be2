#pragma once

#include <string>

namespace testsupport {

// The exit status of a program run by the tests and everything it printed on
// standard output and standard error.
struct ToolRun {
    int status = -1;
    std::string output;
};

// The path of `name` in the build folder, the parent of the test binary's own
// folder (where the tools and ripple.bin are built).
std::string builtFile(const std::string& name);

// Runs the tool `name` built beside the tests through the shell with
// `arguments` (quoted by the caller). Status -1 when the tool is not built,
// cannot be started or does not exit normally.
ToolRun runBuiltTool(const std::string& name, const std::string& arguments);

} // namespace testsupport
