#include "reader/text_functions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

namespace velora::reader {
namespace {

TEST(Trim, RemovesEveryKindOfWhitespaceAtTheEndsOnly) {
    const std::u16string text = u" \t\r\n\u00a0\u3000a b\u2028\v\f ";
    EXPECT_EQ(TrimLeft(text), u"a b\u2028\v\f ");
    EXPECT_EQ(TrimRight(text), u" \t\r\n\u00a0\u3000a b");
    EXPECT_EQ(Trim(u" \t \r\n"), u"");
    // Marks and zero-width characters are not whitespace.
    EXPECT_EQ(Trim(u"\u007f\u008f\u0090\u200b"), u"\u007f\u008f\u0090\u200b");
}

TEST(RightPart, TakesTheLastCharacters) {
    EXPECT_EQ(RightPart(u"abcdef", 2), u"ef");
    EXPECT_EQ(RightPart(u"abcdef", 7), u"abcdef");
    EXPECT_EQ(RightPart(u"abcdef", -1), u"abcdef");
    EXPECT_EQ(RightPart(std::nullopt, 3), u"");
}

TEST(StripQuotes, RemovesApostrophesAndDoubleQuotes) {
    EXPECT_EQ(StripQuotes(u"\"O'Brien's\""), u"OBriens");
    EXPECT_EQ(StripQuotes(u"\u201cx\u201d"), u"\u201cx\u201d");  // typographic quotes stay
    EXPECT_EQ(StripQuotes(std::nullopt), u"");
}

TEST(ReplaceAll, MissingArgumentsAndPlainCases) {
    EXPECT_EQ(ReplaceAll(std::nullopt, u"a", u"b"), u"");
    EXPECT_EQ(ReplaceAll(u"abc", std::nullopt, u"b"), u"abc");
    EXPECT_EQ(ReplaceAll(u"abc", u"a", std::nullopt), u"abc");
    EXPECT_EQ(ReplaceAll(u"abc", u"", u"x"), u"abc");
}

TEST(ReplaceAll, SearchesAgainFromTheStartAfterEachReplacement) {
    // A replacement can complete a new occurrence to its left.
    EXPECT_EQ(ReplaceAll(u"aabb", u"ab", u""), u"");
    EXPECT_EQ(ReplaceAll(u"a    b", u"  ", u" "), u"a b");
    // A replacement holding the text searched for is replaced in one pass.
    EXPECT_EQ(ReplaceAll(u"a-b", u"-", u"--"), u"a--b");
}

TEST(ParseLeadingNumber, ReadsDecimalNumbersOnly) {
    EXPECT_EQ(ParseLeadingNumber(u"  42abc"), 42.0);
    EXPECT_EQ(ParseLeadingNumber(u"-1.5e2x"), -150.0);
    EXPECT_EQ(ParseLeadingNumber(u"0x1p4"), 0.0);  // the "0" before the x, not hexadecimal
    EXPECT_EQ(ParseLeadingNumber(u"2e+x"), 2.0);   // an exponent needs a digit
    EXPECT_EQ(ParseLeadingNumber(u"1e-999"), 0.0);
    EXPECT_TRUE(std::isinf(ParseLeadingNumber(u"1e999")));
    EXPECT_EQ(ParseLeadingNumber(u"-Infinity"), 0.0);
    EXPECT_EQ(ParseLeadingNumber(u"1\u00e92"), 1.0);  // a non-ASCII character ends the number
    EXPECT_EQ(ParseLeadingNumber(u"\u0661"), 0.0);    // only ASCII digits count
}

TEST(CharacterClasses, NonAsciiLettersDigitsAndLowercase) {
    EXPECT_TRUE(IsLetterOrDigit(u'\u0661'));
    EXPECT_TRUE(StartsLowercase(u"\u00e9t\u00e9"));
}

}  // namespace
}  // namespace velora::reader
