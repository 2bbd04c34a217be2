#pragma once

#include "core/Ref.h"
#include "game/DataProblems.h"

#include <string>

namespace lang {
class InputStream;
class StreamTokenizer;
} // namespace lang

namespace ripple {

// Reads the tokens of a level data file: ';' starts a comment running to the
// end of the line, '"' quotes, numbers are doubles, CR LF and LF line ends
// read alike. A tokenizer or stream error ends the file (reported), so a
// reader never throws.
class LevelFileReader {
public:
    enum class Token { Number, Word, End };

    // `in` may be null (nothing to read). `file` names the file in problems.
    LevelFileReader(lang::InputStream* in, std::string file, DataProblems& problems);
    ~LevelFileReader();
    LevelFileReader(const LevelFileReader&) = delete;
    LevelFileReader& operator=(const LevelFileReader&) = delete;

    // The next token. Words, quoted texts and stray characters are all words.
    Token next();
    // The next value where the format wants a number: a word there stands for
    // the last number read before it (0 at the start), with a report. False
    // at the end of the file.
    bool nextNumber(double& value);

    double number() const { return lastNumber; }
    const std::string& word() const { return lastWord; }
    // The line of the current token.
    int line() const;
    const std::string& fileName() const { return file; }
    void report(const std::string& text);

private:
    lang::Ref<lang::StreamTokenizer> tok;
    std::string file;
    DataProblems& problems;
    double lastNumber = 0;
    std::string lastWord;
    bool ended = false;
};

} // namespace ripple
