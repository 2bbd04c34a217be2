#pragma once

#include "core/String.h"
#include "io/Forward.h"

#include <cstdint>
#include <string>

namespace lang {

// Splits a byte stream into words, numbers, quoted strings, single ordinary
// characters and (optionally) line ends, driven by a table of character types.
// Used by one thread at a time.
//
// Line ends: a carriage return is the line-end character. A line feed that
// does not follow a carriage return also ends a line (it ends a comment, counts
// in lineNumber and, when line ends are significant, is reported as one), so
// files with LF line ends read exactly like files with CR LF ones.
class StreamTokenizer : public Object {
    LANG_CLASS(StreamTokenizer, Object);

    // Character types.
    static constexpr uint8_t typeWord = 0;
    static constexpr uint8_t typeWhitespace = 1;
    static constexpr uint8_t typeNumeric = 2;
    static constexpr uint8_t typeComment = 3;
    static constexpr uint8_t typeOrdinary = 4;
    static constexpr uint8_t typeLineEnd = 5;
    static constexpr uint8_t typeQuote = 6;

    // Token types; any other value of ttype is an ordinary character's code.
    static constexpr int TT_EOF = -1;
    static constexpr int TT_EOL = -2;
    static constexpr int TT_NUMBER = -3;
    static constexpr int TT_WORD = -4;

    static constexpr int encodingBytes = 0;
    static constexpr int encodingUtf8 = 8;

    // Holds a reference to the stream for its lifetime.
    explicit StreamTokenizer(InputStream* in);
    ~StreamTokenizer() override;
    StreamTokenizer(const StreamTokenizer&) = delete;
    StreamTokenizer& operator=(const StreamTokenizer&) = delete;

    // Codes outside 0 to 255 are ignored by every table change.
    void commentChar(int c);
    void quoteChar(int c);
    void ordinaryChar(int c);
    void wordChars(int low, int high);
    void whitespaceChars(int low, int high);
    // "0" to "9", "-" and "." become numeric.
    void parseNumbers();
    void eolIsSignificant(bool significant) { eolSignificant = significant; }

    // The next nextToken() returns the current token again without reading.
    void pushBack() { pushedBack = true; }
    // Reads the next token and returns its type (also left in ttype). Throws an
    // Exception "Invalid character type" when a token starts with a character
    // whose type cannot start one.
    int nextToken();

    // The current token as a new string: the word, the number (9 significant
    // digits), "EOL", "EOF" or the one character.
    Ref<String> toString() const override;

    int ttype = TT_WORD;
    String sval;
    double nval = 0;
    int32_t lineNumber = 1;
    // encodingBytes (each byte a character) or encodingUtf8.
    int encoding = encodingBytes;

private:
    int readChar();
    int typeOf(int c) const { return charType[c]; }
    bool isLoneLineFeed(int c) const;
    bool skipComment();
    void readNumber();
    void appendText(int c);
    void setText();

    Ref<InputStream> input;
    uint8_t charType[256];
    int peek = -1;
    int beforePeek = -1; // the character read just before peek
    int lastRead = -1;
    bool pushedBack = false;
    bool eolSignificant = false;
    bool ended = false; // a character beyond 255 ended the stream
    std::string text;   // the token being built; sval receives it when done
};

} // namespace lang
