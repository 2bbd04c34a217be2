#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ripple {

// Problems found while reading the level data. Bad data never stops the game:
// each reader recovers as its header says and reports here. Every problem is
// kept (tools and tests read them back) and, unless the collector is quiet,
// written to stderr at once as "file:line: text" ("file: text" for problems of
// a whole file).
class DataProblems {
public:
    explicit DataProblems(bool quiet = false) : quiet(quiet) {}

    void report(const std::string& file, int line, const std::string& text);

    const std::vector<std::string>& messages() const { return list; }
    bool empty() const { return list.empty(); }
    // True when some message contains `text`.
    bool mentions(const std::string& text) const;

private:
    bool quiet;
    std::vector<std::string> list;
};

// Numbers in the data files are read as doubles. These convert them the way
// every table stores them: truncated towards zero and saturated, NaN and the
// infinities counting as 0 (a plain cast would be undefined for them).
int32_t dataInt32(double value);
int16_t dataInt16(double value);

} // namespace ripple
