#include "game/ScoreReply.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using ripple::parseScoreReply;
using ripple::replyNumber;

namespace {

// "rank name score level" per row.
std::vector<std::string> rowsOf(const ripple::ScoreReply& reply) {
    std::vector<std::string> out;
    for (const auto& r : reply.rows)
        out.push_back(std::to_string(r->rank) + " " + r->name.getChars() + " " +
                      std::to_string(r->score) + " " + std::to_string(r->level));
    return out;
}

std::string fortyWithHighlight(int highlight) {
    std::string text = "<scores>";
    for (int i = 1; i <= 40; ++i)
        text += "<entry><name>p" + std::to_string(i) + "</name><score>" + std::to_string(5000 - i) +
                "</score></entry>";
    return text + "<highlight>" + std::to_string(highlight) + "</highlight></scores>";
}

} // namespace

TEST(ScoreReply, ReadsEntriesHighlightAndScroll) {
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::string> rows; // empty: check only the counts below
        size_t count;
        int highlight;
        int scroll;
    } cases[] = {
        {"empty elements read as 0 and an empty name",
         "<t><entry><name/><score/><level></level><rank/></entry></t>",
         {"0  0 0"},
         1,
         -1,
         0},
        {"no ranks: numbered in order; whitespace between skipped",
         "<t>\n  <entry><name>A</name></entry>\r\n\t<entry><name>B</name></entry> "
         "<entry><name>C</name></entry></t>",
         {"1 A 0 0", "2 B 0 0", "3 C 0 0"},
         3,
         -1,
         0},
        {"names in any case, fields in any order, a given rank kept",
         "<ROOT><Entry><SCORE>900</SCORE><rAnK>7</rAnK><Level>3</Level><NaMe>Zed</NaMe></Entry>"
         "<entry><name>Next</name></entry></ROOT>",
         {"7 Zed 900 3", "2 Next 0 0"},
         2,
         -1,
         0},
        {"numbers: leading space, signs, trailing junk, no digits",
         "<t><entry><score>  +42abc</score><level>\t-3 4</level><rank>x9</rank></entry></t>",
         {"0  42 -3"},
         1,
         -1,
         0},
        {"other children ignored",
         "<t>junk<!-- c --><other/><entry><name>A</name></entry></t>",
         {"1 A 0 0"},
         1,
         -1,
         0},
        {"escaped and non-ASCII names arrive in the code page",
         "<t><entry><name>Zo\xc3\xab &amp; &lt;\xe2\x82\xac\xe4\xb8\x80</name></entry></t>",
         {"1 Zo\xeb & <\x80? 0 0"},
         1,
         -1,
         0},
        {"a declared Latin-1 document",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><t><entry><name>\xe9</name></entry></t>",
         {"1 \xe9 0 0"},
         1,
         -1,
         0},
        {"40 rows, highlight 23", fortyWithHighlight(23), {}, 40, 23, 18},
        {"highlight near the top", fortyWithHighlight(2), {}, 40, 2, 0},
        {"highlight beyond the rows read",
         "<t><entry/><entry/><highlight>30</highlight></t>",
         {},
         2,
         30,
         1},
        {"highlight before any row", "<t><highlight>9</highlight><entry/></t>", {}, 1, 9, 0},
        {"not XML", "scores: none", {}, 0, -1, 0},
        {"cut short", "<t><entry><name>A</name>", {}, 0, -1, 0},
        {"empty", "", {}, 0, -1, 0},
        {"invalid UTF-8", "<t><entry><name>\xff\xfe</name></entry></t>", {}, 0, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ripple::ScoreReply reply = parseScoreReply(c.text);
        if (!c.rows.empty()) {
            EXPECT_EQ(rowsOf(reply), c.rows);
        }
        EXPECT_EQ(reply.rows.size(), c.count);
        EXPECT_EQ(reply.highlightRank, c.highlight);
        EXPECT_EQ(reply.scroll, c.scroll);
    }
}

// A reply comes from the network: it may not make the parser read files,
// expand entities or recurse without bound. Each of these gives no table.
TEST(ScoreReply, RefusesHostileDocuments) {
    std::string deep = "<t><entry><name>";
    for (int i = 0; i < 40; ++i)
        deep += "<b>";
    deep += "x";
    for (int i = 0; i < 40; ++i)
        deep += "</b>";
    deep += "</name></entry></t>";
    std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE t [<!ENTITY a \"aaaaaaaaaa\">";
    for (char e = 'b'; e <= 'j'; ++e)
        laughs += std::string("<!ENTITY ") + e + " \"" + std::string(10, '&') + "\">";
    for (char e = 'b'; e <= 'j'; ++e) {
        std::string refs;
        for (int i = 0; i < 10; ++i)
            refs += std::string("&") + static_cast<char>(e - 1) + ";";
        size_t at = laughs.find(std::string("<!ENTITY ") + e + " \"");
        laughs.replace(laughs.find(std::string(10, '&'), at), 10, refs);
    }
    laughs += "]><t><entry><name>&j;</name></entry></t>";
    const std::string cases[] = {
        laughs,
        "<!DOCTYPE t [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><t><entry><name>&x;</name>"
        "</entry></t>",
        "<!DOCTYPE t SYSTEM \"http://127.0.0.1:9/t.dtd\"><t><entry/></t>",
        "<t><entry><name>&undeclared;</name></entry></t>",
        deep,
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text.substr(0, 60));
        EXPECT_TRUE(parseScoreReply(text).rows.empty());
    }
}

TEST(ScoreReply, NumbersSaturateInsteadOfOverflowing) {
    EXPECT_EQ(replyNumber("99999999999"), 2147483647);
    EXPECT_EQ(replyNumber("-99999999999"), -2147483647 - 1);
    EXPECT_EQ(replyNumber("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(replyNumber(" \n 12"), 12);
    EXPECT_EQ(replyNumber("- 5"), 0);
}
