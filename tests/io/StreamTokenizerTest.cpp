#include "io/StreamTokenizer.h"
#include "core/Exception.h"
#include "io/ByteArrayInputStream.h"

#include <gtest/gtest.h>
#include <string>

using lang::adopt;
using lang::ByteArrayInputStream;
using lang::Ref;
using lang::StreamTokenizer;

namespace {

// Owns the bytes and the stream a tokenizer reads.
struct Tokens {
    explicit Tokens(std::string data)
        : bytes(std::move(data)),
          stream(adopt(new ByteArrayInputStream(reinterpret_cast<const uint8_t*>(bytes.data()),
                                                static_cast<int>(bytes.size())))),
          tok(adopt(new StreamTokenizer(stream.get()))) {}

    // The data loader's set-up: ';' comments, '"' quotes, numbers, <tags>.
    Tokens& dataFile() {
        tok->commentChar(';');
        tok->quoteChar('"');
        tok->parseNumbers();
        tok->wordChars('<', '<');
        tok->wordChars('>', '>');
        return *this;
    }

    // Every remaining token as "w:text", "n:value", "EOL", or "c:x", joined by '|'.
    std::string all() {
        std::string out;
        for (int t; (t = tok->nextToken()) != StreamTokenizer::TT_EOF;) {
            if (!out.empty())
                out += '|';
            if (t == StreamTokenizer::TT_WORD)
                out += std::string("w:") + tok->sval.getChars();
            else if (t == StreamTokenizer::TT_NUMBER)
                out += std::string("n:") + tok->toString()->getChars();
            else if (t == StreamTokenizer::TT_EOL)
                out += "EOL";
            else
                out += std::string("c:") + static_cast<char>(t);
        }
        return out;
    }

    std::string bytes;
    Ref<ByteArrayInputStream> stream;
    Ref<StreamTokenizer> tok;
};

double numberOf(const char* text) {
    Tokens t(text);
    t.tok->parseNumbers();
    EXPECT_EQ(t.tok->nextToken(), StreamTokenizer::TT_NUMBER) << text;
    return t.tok->nval;
}

} // namespace

TEST(StreamTokenizerTest, WordsNumbersAndTheEnd) {
    Tokens t("abc 12");
    t.tok->parseNumbers();
    EXPECT_EQ(t.all(), "w:abc|n:12");
    EXPECT_EQ(t.tok->nextToken(), StreamTokenizer::TT_EOF);
    EXPECT_STREQ(t.tok->toString()->getChars(), "EOF");

    Tokens empty("");
    EXPECT_EQ(empty.tok->nextToken(), StreamTokenizer::TT_EOF);
    EXPECT_STREQ(empty.tok->toString()->getChars(), "EOF");

    // Without parseNumbers digits are word characters.
    EXPECT_EQ(Tokens("a1 22b").all(), "w:a1|w:22b");
    // Digits continue a word; a word stops at the first other character.
    EXPECT_EQ(Tokens("x2.5\"q\"").dataFile().all(), "w:x2.5|w:q");
}

TEST(StreamTokenizerTest, NumberRules) {
    EXPECT_DOUBLE_EQ(numberOf("0x1F"), 31);
    EXPECT_DOUBLE_EQ(numberOf("0xff"), 255);
    EXPECT_DOUBLE_EQ(numberOf("-2.50"), -2.5);
    EXPECT_DOUBLE_EQ(numberOf("1-2"), -12);
    EXPECT_DOUBLE_EQ(numberOf("1.2.3"), 12.3); // the last point counts
    EXPECT_DOUBLE_EQ(numberOf(".5"), 0.5);
    EXPECT_DOUBLE_EQ(numberOf("-"), 0);
    // 'x' only switches to hexadecimal while the value is still 0.
    Tokens t("12x 0x1g");
    t.tok->parseNumbers();
    EXPECT_EQ(t.all(), "n:12|w:x|n:1|w:g");
    // toString keeps nine significant digits.
    Tokens big("123456789012 2.5");
    big.tok->parseNumbers();
    EXPECT_EQ(big.all(), "n:1.23456789e+11|n:2.5");
}

TEST(StreamTokenizerTest, CommentsAndLineCounting) {
    Tokens crlf("# note\r\nword");
    crlf.tok->commentChar('#');
    EXPECT_EQ(crlf.tok->nextToken(), StreamTokenizer::TT_WORD);
    EXPECT_STREQ(crlf.tok->sval.getChars(), "word");
    EXPECT_EQ(crlf.tok->lineNumber, 2);

    // A file with line feeds alone reads the same: the comment ends at the line
    // feed and every line is counted once.
    Tokens lf("a ; one\nb\n\n; two\r\nc ; three");
    lf.dataFile();
    EXPECT_EQ(lf.tok->nextToken(), StreamTokenizer::TT_WORD);
    EXPECT_EQ(lf.tok->lineNumber, 1);
    EXPECT_EQ(lf.tok->nextToken(), StreamTokenizer::TT_WORD);
    EXPECT_STREQ(lf.tok->sval.getChars(), "b");
    EXPECT_EQ(lf.tok->lineNumber, 2);
    EXPECT_EQ(lf.tok->nextToken(), StreamTokenizer::TT_WORD);
    EXPECT_STREQ(lf.tok->sval.getChars(), "c");
    EXPECT_EQ(lf.tok->lineNumber, 5);
    // A comment running to the end of the stream is the end.
    EXPECT_EQ(lf.tok->nextToken(), StreamTokenizer::TT_EOF);

    Tokens onlyComment(";just a comment");
    EXPECT_EQ(onlyComment.dataFile().tok->nextToken(), StreamTokenizer::TT_EOF);
}

TEST(StreamTokenizerTest, SignificantLineEnds) {
    Tokens cr("a\rb");
    cr.tok->eolIsSignificant(true);
    EXPECT_EQ(cr.all(), "w:a|EOL|w:b");
    EXPECT_EQ(cr.tok->lineNumber, 2);

    for (const char* text : {"a\r\nb\r\n\r\nc", "a\nb\n\nc"}) {
        Tokens t(text);
        t.tok->eolIsSignificant(true);
        EXPECT_EQ(t.all(), "w:a|EOL|w:b|EOL|EOL|w:c") << text;
        EXPECT_EQ(t.tok->lineNumber, 4) << text;
    }
    Tokens eolString("a\r");
    eolString.tok->eolIsSignificant(true);
    eolString.tok->nextToken();
    eolString.tok->nextToken();
    EXPECT_STREQ(eolString.tok->toString()->getChars(), "EOL");
}

TEST(StreamTokenizerTest, QuotesAndOrdinaryCharacters) {
    Tokens t("'it''s' 'open");
    t.tok->quoteChar('\'');
    EXPECT_EQ(t.all(), "w:it|w:s|w:open");

    Tokens mixed("\"two words\" <images> \"\"x");
    EXPECT_EQ(mixed.dataFile().all(), "w:two words|w:<images>|w:|w:x");

    Tokens ordinary("a,b");
    ordinary.tok->ordinaryChar(',');
    EXPECT_EQ(ordinary.tok->nextToken(), StreamTokenizer::TT_WORD);
    EXPECT_EQ(ordinary.tok->nextToken(), ',');
    EXPECT_STREQ(ordinary.tok->toString()->getChars(), ",");
    // Out-of-range codes are ignored rather than written outside the table.
    ordinary.tok->wordChars(-10, 300);
    ordinary.tok->commentChar(1000);
    EXPECT_EQ(ordinary.all(), "w:b");
}

TEST(StreamTokenizerTest, PushBackRepeatsTheToken) {
    Tokens t("one two");
    EXPECT_EQ(t.tok->nextToken(), StreamTokenizer::TT_WORD);
    t.tok->pushBack();
    EXPECT_EQ(t.tok->nextToken(), StreamTokenizer::TT_WORD);
    EXPECT_STREQ(t.tok->sval.getChars(), "one");
    EXPECT_EQ(t.all(), "w:two");
}

TEST(StreamTokenizerTest, Utf8Mode) {
    Tokens t("\xEF\xBB\xBF"
             "caf\xC3\xA9 \xC3\x97");
    t.tok->encoding = StreamTokenizer::encodingUtf8;
    EXPECT_EQ(t.all(), "w:caf\xE9|w:\xD7");

    // Without UTF-8 mode the same bytes are characters of their own.
    EXPECT_EQ(Tokens("\xC3\xA9").all(), "w:\xC3\xA9");

    // A code point beyond 255 ends the stream; so does a cut-short sequence.
    Tokens wide("ab\xE2\x82\xAC"
                "cd ef");
    wide.tok->encoding = StreamTokenizer::encodingUtf8;
    EXPECT_EQ(wide.all(), "w:ab");
    EXPECT_EQ(wide.tok->nextToken(), StreamTokenizer::TT_EOF);
    Tokens cut("ab \xC3");
    cut.tok->encoding = StreamTokenizer::encodingUtf8;
    EXPECT_EQ(cut.all(), "w:ab");

    // Byte triples that add up to U+FEFF once their top bits are dropped are no byte-order mark.
    for (const char* lookalike : {"\xEF\xFB\xBF", "\xEF\xBB\xFF", "\xEF\x3B\xBF"}) {
        Tokens mark(std::string(lookalike) + "x");
        mark.tok->encoding = StreamTokenizer::encodingUtf8;
        EXPECT_NE(mark.all(), "w:x") << lookalike;
    }
}

TEST(StreamTokenizerTest, LongWordsAreCappedAtTheStringLimit) {
    Tokens t(std::string(70000, 'w') + " end");
    EXPECT_EQ(t.tok->nextToken(), StreamTokenizer::TT_WORD);
    EXPECT_EQ(t.tok->sval.getLength(), lang::String::maxLength);
    EXPECT_EQ(t.all(), "w:end");
}
