#include "game/LevelFileReader.h"

#include "core/Exception.h"
#include "io/StreamTokenizer.h"

namespace ripple {

LevelFileReader::LevelFileReader(lang::InputStream* in, std::string file, DataProblems& problems)
    : file(std::move(file)), problems(problems) {
    if (!in) {
        ended = true;
        return;
    }
    tok = lang::adopt(new lang::StreamTokenizer(in));
    tok->commentChar(';');
    tok->quoteChar('"');
    tok->parseNumbers();
}

LevelFileReader::~LevelFileReader() = default;

LevelFileReader::Token LevelFileReader::next() {
    if (ended)
        return Token::End;
    int type = lang::StreamTokenizer::TT_EOF;
    lang::Ref<lang::Exception> error = lang::tryCatch([&] { type = tok->nextToken(); });
    if (error) {
        report(std::string("cannot read further: ") + error->messageText().getChars());
        ended = true;
        return Token::End;
    }
    if (type == lang::StreamTokenizer::TT_EOF) {
        ended = true;
        return Token::End;
    }
    if (type == lang::StreamTokenizer::TT_NUMBER) {
        lastNumber = tok->nval;
        return Token::Number;
    }
    if (type == lang::StreamTokenizer::TT_WORD || type == '"')
        lastWord = tok->sval.getChars();
    else
        lastWord = std::string(1, static_cast<char>(type));
    return Token::Word;
}

bool LevelFileReader::nextNumber(double& value) {
    Token token = next();
    if (token == Token::End)
        return false;
    if (token == Token::Word)
        report("\"" + lastWord + "\" is not a number; the number before it is used");
    value = lastNumber;
    return true;
}

int LevelFileReader::line() const {
    return tok ? tok->lineNumber : 0;
}

void LevelFileReader::report(const std::string& text) {
    problems.report(file, line(), text);
}

} // namespace ripple
