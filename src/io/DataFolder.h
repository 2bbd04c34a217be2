#pragma once

#include <string>
#include <vector>

namespace lang {

// Where the game's plain data files (balance tables, track files, map points)
// are looked up. An installed game keeps them in <prefix>/share/ripple while
// the program sits in <prefix>/bin; a build keeps them beside the program; a
// developer may run from the source tree. Data names may use '\' between
// folders.
class DataFolder {
public:
    // The folders searched, in order: the folder named by the environment
    // variable RIPPLE_DATA_DIR when it is set, the running program's folder, the
    // installed data folder <program folder>/../share/ripple, the working
    // directory. Folders that cannot be determined are left out.
    static std::vector<std::string> searchFolders();

    // The path of `name` in the first of `folders` that holds it as a regular
    // file; an absolute name is only checked. Empty when no folder has it.
    static std::string find(const std::vector<std::string>& folders, const char* name);

    // find() over searchFolders(). When no folder has the file, the name itself
    // (with '/' separators) is returned, so that opening it fails with the name
    // the data asked for.
    static std::string locate(const char* name);
};

} // namespace lang
