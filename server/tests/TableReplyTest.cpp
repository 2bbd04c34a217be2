#include "TableReply.h"

#include "ReplyReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(TableReply, EveryNameComesBackAsStoredOrReplacedAndTheDocumentAlwaysParses) {
    struct Case {
        std::string stored;
        std::string read;
    };
    const Case cases[] = {
        {"<b>&\"'", "<b>&\"'"},
        {"]]>&amp;", "]]>&amp;"},
        {"Zo\xC3\xAB", "Zo\xC3\xAB"},
        {"\xE2\x82\xAC\xF0\x9F\x8E\xB2", "\xE2\x82\xAC\xF0\x9F\x8E\xB2"},
        {"a\x01\x1F"
         "b",
         "a??b"},
        {"raw\xE9", "raw?"},
        {"\xC0\xAF", "??"},
        {"\xED\xA0\x80", "???"},
        {"\xEF\xBF\xBE", "???"},
        {"\xF4\x90\x80\x80", "????"},
        {"\xE2\x82", "??"},
        {"", ""},
    };
    std::vector<scores::ScoreRow> rows;
    int score = 1000;
    for (const Case& c : cases) {
        rows.push_back({0, c.stored, score--, 4});
    }
    scores::testing::ReplyTable p =
        scores::testing::readReply(scores::tableReply("RIPPLE", 2, rows, 3));
    ASSERT_TRUE(p.parsed);
    ASSERT_EQ(p.entries.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(p.entries[i],
                  (scores::testing::ReplyEntry{std::to_string(i + 1), cases[i].read,
                                               std::to_string(1000 - static_cast<int>(i)), "4"}));
    }
    EXPECT_EQ(p.highlight, "3");

    scores::testing::ReplyTable empty =
        scores::testing::readReply(scores::tableReply("RIPPLE", 0, {}, 0));
    ASSERT_TRUE(empty.parsed);
    EXPECT_TRUE(empty.entries.empty());
    EXPECT_TRUE(empty.highlight.empty());
}

} // namespace
