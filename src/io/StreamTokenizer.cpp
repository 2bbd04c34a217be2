#include "io/StreamTokenizer.h"

#include "core/Exception.h"
#include "io/InputStream.h"

#include <algorithm>

namespace lang {

namespace {

constexpr int carriageReturn = 13;
constexpr int lineFeed = 10;

bool isHexLetter(int c) {
    return (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int hexDigitValue(int c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 0;
}

bool inTable(int c) {
    return c >= 0 && c <= 255;
}

} // namespace

StreamTokenizer::StreamTokenizer(InputStream* in) : input(in) {
    std::fill(charType, charType + 256, typeWord);
    std::fill(charType, charType + 33, typeWhitespace);
    charType[carriageReturn] = typeLineEnd;
}

StreamTokenizer::~StreamTokenizer() = default;

void StreamTokenizer::commentChar(int c) {
    if (inTable(c))
        charType[c] = typeComment;
}

void StreamTokenizer::quoteChar(int c) {
    if (inTable(c))
        charType[c] = typeQuote;
}

void StreamTokenizer::ordinaryChar(int c) {
    if (inTable(c))
        charType[c] = typeOrdinary;
}

void StreamTokenizer::wordChars(int low, int high) {
    low = std::max(low, 0);
    high = std::min(high, 255);
    for (int c = low; c <= high; ++c)
        charType[c] = typeWord;
}

void StreamTokenizer::whitespaceChars(int low, int high) {
    low = std::max(low, 0);
    high = std::min(high, 255);
    for (int c = low; c <= high; ++c)
        charType[c] = typeWhitespace;
}

void StreamTokenizer::parseNumbers() {
    for (int c = '0'; c <= '9'; ++c)
        charType[c] = typeNumeric;
    charType[static_cast<int>('-')] = typeNumeric;
    charType[static_cast<int>('.')] = typeNumeric;
}

// One character from the stream, -1 at the end. In UTF-8 mode a byte-order
// mark is skipped, a sequence cut short ends the stream, and so does a code
// point beyond 255, which no character type covers.
int StreamTokenizer::readChar() {
    int c = -1;
    while (!ended && input) {
        c = input->read();
        if (c < 0x80 || encoding != encodingUtf8)
            break;
        int continuation = 3;
        int codePoint = c & 0x07;
        if ((c & 0xE0) == 0xC0) {
            continuation = 1;
            codePoint = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            continuation = 2;
            codePoint = c & 0x0F;
        }
        // Only the well-formed EF BB BF is a byte-order mark: other lead and continuation bytes
        // can add up to the same code point when their top bits are dropped.
        bool wellFormed = true;
        for (int i = 0; i < continuation && codePoint >= 0; ++i) {
            int next = input->read();
            wellFormed = wellFormed && (next & 0xC0) == 0x80;
            codePoint = next < 0 ? -1 : (codePoint << 6) | (next & 0x3F);
        }
        if (continuation == 2 && codePoint == 0xFEFF && c == 0xEF && wellFormed)
            continue;
        c = codePoint;
        if (c > 255) {
            ended = true;
            c = -1;
        }
        break;
    }
    if (ended)
        c = -1;
    beforePeek = lastRead;
    lastRead = c;
    return c;
}

bool StreamTokenizer::isLoneLineFeed(int c) const {
    return c == lineFeed && charType[lineFeed] == typeWhitespace && beforePeek != carriageReturn;
}

// Moves peek to the end of the line; false when the stream ends first.
bool StreamTokenizer::skipComment() {
    while (peek >= 0 && typeOf(peek) != typeLineEnd &&
           !(peek == lineFeed && typeOf(lineFeed) == typeWhitespace))
        peek = readChar();
    return peek >= 0;
}

void StreamTokenizer::appendText(int c) {
    if (static_cast<int>(text.size()) < String::maxLength)
        text += static_cast<char>(c);
}

void StreamTokenizer::setText() {
    sval = String(text.data(), 0, static_cast<int>(text.size()));
}

void StreamTokenizer::readNumber() {
    double value = 0;
    int digits = 0;
    int pointAt = -1;
    bool negative = false;
    bool hex = false;
    int c = peek;
    for (;;) {
        if (c == '-') {
            negative = true;
        } else if (c == '.') {
            pointAt = digits;
        } else if (c == 'x') {
            hex = true;
        } else {
            ++digits;
            value = hex ? value * 16 + hexDigitValue(c) : value * 10 + (c - '0');
        }
        c = readChar();
        if (c < 0)
            break;
        if (!(typeOf(c) == typeNumeric || (c == 'x' && value == 0) || (hex && isHexLetter(c))))
            break;
    }
    peek = c;
    if (pointAt >= 0)
        for (int i = digits - pointAt; i > 0 && value != 0; --i)
            value *= 0.1;
    nval = negative ? -value : value;
}

int StreamTokenizer::nextToken() {
    if (pushedBack) {
        pushedBack = false;
        return ttype;
    }
    if (peek < 0) {
        peek = readChar();
        if (peek < 0)
            return ttype = TT_EOF;
    }
    if (typeOf(peek) == typeComment && !skipComment())
        return ttype = TT_EOF;
    for (;;) {
        int type = typeOf(peek);
        bool lineEnd = type == typeLineEnd || isLoneLineFeed(peek);
        if (lineEnd && eolSignificant)
            break;
        if (type != typeWhitespace && type != typeLineEnd)
            break;
        if (lineEnd)
            ++lineNumber;
        peek = readChar();
        if (peek < 0)
            return ttype = TT_EOF;
        if (typeOf(peek) == typeComment && !skipComment())
            return ttype = TT_EOF;
    }
    if (typeOf(peek) == typeLineEnd || isLoneLineFeed(peek)) {
        ++lineNumber;
        peek = -1;
        return ttype = TT_EOL;
    }
    switch (typeOf(peek)) {
    case typeWord:
        ttype = TT_WORD;
        text.clear();
        appendText(peek);
        for (;;) {
            peek = readChar();
            if (peek < 0 || (typeOf(peek) != typeWord && typeOf(peek) != typeNumeric))
                break;
            appendText(peek);
        }
        setText();
        break;
    case typeNumeric:
        ttype = TT_NUMBER;
        readNumber();
        break;
    case typeOrdinary:
        ttype = peek;
        peek = -1;
        break;
    case typeQuote:
        ttype = TT_WORD;
        text.clear();
        for (;;) {
            int c = readChar();
            if (c < 0) {
                peek = -1;
                break;
            }
            if (typeOf(c) == typeQuote) {
                peek = readChar();
                break;
            }
            appendText(c);
        }
        setText();
        break;
    default:
        throwException("Invalid character type");
    }
    return ttype;
}

Ref<String> StreamTokenizer::toString() const {
    switch (ttype) {
    case TT_WORD:
        return adopt(new String(sval));
    case TT_NUMBER:
        return adopt(new String(nval));
    case TT_EOL:
        return adopt(new String("EOL"));
    case TT_EOF:
        return adopt(new String("EOF"));
    default:
        return adopt(new String(static_cast<char>(ttype), 16));
    }
}

} // namespace lang
