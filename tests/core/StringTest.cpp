#include "core/String.h"
#include "core/Hashtable.h"

#include <climits>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

using lang::String;

TEST(StringTest, CapacityIsTheNextMultipleOfSixteenAboveTheLength) {
    String none(nullptr, false);
    EXPECT_EQ(none.getCapacity(), 0);
    EXPECT_STREQ(none.getChars(), "");
    none.append("x");
    EXPECT_STREQ(none.getChars(), "x");
    EXPECT_EQ(none.getCapacity(), 16);

    EXPECT_EQ(String(std::string(15, 'a').c_str()).getCapacity(), 16);
    EXPECT_EQ(String(std::string(16, 'a').c_str()).getCapacity(), 32);
    EXPECT_EQ(String(String(), 0).getCapacity(), 16);
    EXPECT_EQ(String(String("ab"), 40).getCapacity(), 48);
    EXPECT_EQ(String('q', 20).getCapacity(), 32);
    EXPECT_EQ(String('q', 3).getCapacity(), 16);

    String grows("123456789012345"); // 15 characters, capacity 16
    grows.append('6');
    EXPECT_EQ(grows.getCapacity(), 32);
    EXPECT_EQ(grows.getLength(), 16);
    grows.ensureCapacity(100);
    EXPECT_EQ(grows.getCapacity(), 112);
    EXPECT_STREQ(grows.getChars(), "1234567890123456");
}

TEST(StringTest, BorrowedTextIsCopiedOnFirstChange) {
    static const char literal[] = "ball";
    String s(literal, true);
    EXPECT_EQ(s.getCapacity(), 0);
    EXPECT_EQ(s.getChars(), literal);
    s.append("s");
    EXPECT_STREQ(s.getChars(), "balls");
    EXPECT_STREQ(literal, "ball");
    EXPECT_NE(s.getChars(), literal);
    EXPECT_EQ(s.getCapacity(), 16);

    String t(literal, true);
    t.assign("x");
    EXPECT_STREQ(literal, "ball");
    EXPECT_STREQ(t.getChars(), "x");
}

TEST(StringTest, HashCodeOrsSignExtendedBytes) {
    EXPECT_EQ(static_cast<unsigned>(String("abcde").hashCode()), 0x64636265u);
    EXPECT_EQ(String("").hashCode(), 0);
    EXPECT_EQ(String().hashCode(), 0);
    EXPECT_EQ(static_cast<unsigned>(String("\xE9").hashCode()), 0xFFFFFFE9u);
    EXPECT_EQ(static_cast<unsigned>(String("a\xE9").hashCode()), 0xFFFFE961u);
}

TEST(StringTest, SubstringsAndAffixes) {
    String abc("abc");
    EXPECT_STREQ(abc.substring(10)->getChars(), "");
    EXPECT_STREQ(abc.substring(1)->getChars(), "bc");
    EXPECT_STREQ(abc.substring(0, 2)->getChars(), "ab");
    EXPECT_STREQ(abc.substring(2, 99)->getChars(), "c");
    EXPECT_FALSE(abc.endsWith("abcd"));
    EXPECT_TRUE(abc.endsWith("bc"));
    EXPECT_TRUE(abc.endsWith(""));
    EXPECT_TRUE(abc.startsWith(""));
    EXPECT_TRUE(abc.startsWith("ab"));
    EXPECT_FALSE(abc.startsWith("abcd"));
    EXPECT_TRUE(String().startsWith(""));
    EXPECT_FALSE(String().startsWith("a"));
    EXPECT_EQ(abc.indexOf('c'), 2);
    EXPECT_EQ(abc.indexOf('z'), -1);
    EXPECT_EQ(String().indexOf('a'), -1);
    EXPECT_EQ(String("abca").lastIndexOf('a'), 3);
    EXPECT_STREQ(String("abc", 1, 3).getChars(), "bc");
}

TEST(StringTest, NumbersFormatAsDecimal) {
    EXPECT_STREQ(String(0).getChars(), "0");
    EXPECT_STREQ(String(-42).getChars(), "-42");
    EXPECT_STREQ(String(INT_MIN).getChars(), "-2147483648");
    EXPECT_STREQ(String(0.1).getChars(), "0.1");
    EXPECT_STREQ(String(1e20).getChars(), "1e+20");
    EXPECT_STREQ(String(2.0 / 3.0).getChars(), "0.666666667");
    String s("n=");
    s.append(123);
    s.append(-7);
    EXPECT_STREQ(s.getChars(), "n=123-7");
    s.assign(99);
    EXPECT_STREQ(s.getChars(), "99");
}

TEST(StringTest, FormatThousandsGroupsFromTheRight) {
    String s;
    s.formatThousands(1234567, ',');
    EXPECT_STREQ(s.getChars(), "1,234,567");
    s.formatThousands(0, ',');
    EXPECT_STREQ(s.getChars(), "0");
    s.formatThousands(999, ',');
    EXPECT_STREQ(s.getChars(), "999");
    s.formatThousands(INT_MAX, '.');
    EXPECT_STREQ(s.getChars(), "2.147.483.647");
    // A locale without a separator groups with none and writes no zero byte.
    s.formatThousands(1234567, 0);
    EXPECT_STREQ(s.getChars(), "1234567");
    EXPECT_EQ(s.getLength(), 7);
}

TEST(StringTest, EqualityAndCase) {
    String a("Ball");
    EXPECT_TRUE(a.equals("Ball"));
    EXPECT_FALSE(a.equals("ball"));
    EXPECT_TRUE(a.equalsIgnoreCase("bALL"));
    EXPECT_TRUE(a.equals(String("Ball")));
    lang::Object notAString;
    EXPECT_FALSE(a.equals(&notAString));
    String copy("Ball");
    EXPECT_TRUE(a.equals(static_cast<const lang::Object*>(&copy)));
    EXPECT_TRUE(a.instanceOf("string"));
    EXPECT_TRUE(a.instanceOf("OBJECT"));
    EXPECT_STREQ(String::concat(a, "s")->getChars(), "Balls");
    EXPECT_STREQ(String::concat(a, String("!"))->getChars(), "Ball!");
    EXPECT_TRUE(a.toString()->equals(a));
}

TEST(StringTest, AppendingToItselfAndAssigningItself) {
    String s("abc");
    s.append(s);
    EXPECT_STREQ(s.getChars(), "abcabc");
    String big(std::string(20, 'x').c_str());
    big.append(big.getChars() + 10);
    EXPECT_EQ(big.getLength(), 30);
    s.assign(s.getChars() + 3);
    EXPECT_STREQ(s.getChars(), "abc");
}

TEST(StringTest, TextIsCappedAtTheTypesLimit) {
    std::string huge(70000, 'z');
    String s(huge.c_str());
    EXPECT_EQ(s.getLength(), String::maxLength);
    EXPECT_EQ(s.getCapacity(), 65520);
    s.append("more");
    EXPECT_EQ(s.getLength(), String::maxLength);
    EXPECT_EQ(s.getChars()[String::maxLength], 0);
    String t(std::string(65500, 'a').c_str());
    t.append(std::string(100, 'b').c_str());
    EXPECT_EQ(t.getLength(), String::maxLength);
    EXPECT_EQ(t.getChars()[String::maxLength - 1], 'b');
    String borrowed(huge.c_str(), true);
    EXPECT_EQ(borrowed.getLength(), String::maxLength);
    EXPECT_GT(borrowed.getCapacity(), 0);
}

TEST(StringTest, UrlCanonicalEncodesUnsafeCharacters) {
    EXPECT_STREQ(String("John Smith").urlCanonical()->getChars(), "John%20Smith");
    EXPECT_STREQ(String("Ren\xE9 100%").urlCanonical()->getChars(), "Ren%E9%20100%25");
    EXPECT_STREQ(String("a-b.c").urlCanonical()->getChars(), "a-b.c");
    EXPECT_STREQ(String("<\"|>").urlCanonical()->getChars(), "%3C%22%7C%3E");
    // Longer than the 2,048-byte result: nothing, as a failed canonicalisation.
    EXPECT_STREQ(String(std::string(1000, ' ').c_str()).urlCanonical()->getChars(), "");
}

TEST(StringTest, NameCharacters) {
    for (int c : std::initializer_list<int>{'a', 'Z', '0', '9', ' ', '-', '.', 192, 255})
        EXPECT_TRUE(lang::isNameChar(c)) << c;
    for (int c : std::initializer_list<int>{'_', '&', '%', '\'', 0, 127, 191, 256})
        EXPECT_FALSE(lang::isNameChar(c)) << c;
}
