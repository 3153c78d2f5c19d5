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
    EXPECT_EQ(Trim(text), u"a b");
    EXPECT_EQ(Trim(u" \t \r\n"), u"");
    EXPECT_EQ(Trim(u""), u"");
    // Marks and zero-width characters are not whitespace.
    EXPECT_EQ(Trim(u"\u007f\u008f\u0090\u200b"), u"\u007f\u008f\u0090\u200b");
}

TEST(RightPart, TakesTheLastCharacters) {
    EXPECT_EQ(RightPart(u"abcdef", 2), u"ef");
    EXPECT_EQ(RightPart(u"abcdef", 6), u"abcdef");
    EXPECT_EQ(RightPart(u"abcdef", 7), u"abcdef");
    EXPECT_EQ(RightPart(u"abcdef", -1), u"abcdef");
    EXPECT_EQ(RightPart(u"abcdef", 0), u"");
    EXPECT_EQ(RightPart(u"", 3), u"");
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
    EXPECT_EQ(ReplaceAll(u"a.b.c", u".", u" "), u"a b c");
    EXPECT_EQ(ReplaceAll(u"xx", u"xx", u""), u"");
}

TEST(ReplaceAll, SearchesAgainFromTheStartAfterEachReplacement) {
    // A replacement can complete a new occurrence to its left.
    EXPECT_EQ(ReplaceAll(u"aabb", u"ab", u""), u"");
    EXPECT_EQ(ReplaceAll(u"a    b", u"  ", u" "), u"a b");
    EXPECT_EQ(ReplaceAll(u"aaab", u"ab", u"b"), u"b");
    // A replacement holding the text searched for is replaced in one pass.
    EXPECT_EQ(ReplaceAll(u"a-b", u"-", u"--"), u"a--b");
}

// The rule as stated: replace the leftmost occurrence, then search the result from its start.
std::u16string ReplaceAllByRescanning(std::u16string s, const std::u16string& find,
                                      const std::u16string& replacement) {
    for (std::size_t at = s.find(find); at != std::u16string::npos; at = s.find(find)) {
        s.replace(at, find.size(), replacement);
    }
    return s;
}

TEST(ReplaceAll, MatchesRescanningOnGeneratedTexts) {
    std::uint32_t state = 7;
    auto below = [&state](std::uint32_t n) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % n;
    };
    auto randomText = [&](std::size_t maxLength) {
        std::u16string text(below(static_cast<std::uint32_t>(maxLength) + 1), u'a');
        for (char16_t& c : text) c = static_cast<char16_t>(u'a' + below(3));
        return text;
    };
    for (int round = 0; round < 3000; ++round) {
        const std::u16string s = randomText(30);
        std::u16string find = randomText(4);
        if (find.empty()) find = u"a";
        const std::u16string replacement = randomText(find.size() - 1);
        ASSERT_EQ(ReplaceAll(s, find, replacement), ReplaceAllByRescanning(s, find, replacement))
            << round;
    }
}

TEST(ParseLeadingNumber, ReadsDecimalNumbersOnly) {
    EXPECT_EQ(ParseLeadingNumber(u"  42abc"), 42.0);
    EXPECT_EQ(ParseLeadingNumber(u"-1.5e2x"), -150.0);
    EXPECT_EQ(ParseLeadingNumber(u".5"), 0.5);
    EXPECT_EQ(ParseLeadingNumber(u"0x1p4"), 0.0);  // the "0" before the x, not hexadecimal
    EXPECT_EQ(ParseLeadingNumber(u"2e+x"), 2.0);   // an exponent needs a digit
    EXPECT_EQ(ParseLeadingNumber(u"1e-999"), 0.0);
    EXPECT_TRUE(std::isinf(ParseLeadingNumber(u"1e999")));
    EXPECT_EQ(ParseLeadingNumber(u"-Infinity"), 0.0);
    EXPECT_EQ(ParseLeadingNumber(u"nan(x)"), 0.0);
    EXPECT_EQ(ParseLeadingNumber(u"abc"), 0.0);
    EXPECT_EQ(ParseLeadingNumber(u""), 0.0);
    EXPECT_EQ(ParseLeadingNumber(u"1\u00e92"), 1.0);  // a non-ASCII character ends the number
    EXPECT_EQ(ParseLeadingNumber(u"\u0661"), 0.0);    // only ASCII digits count
}

TEST(CharacterClasses, LettersDigitsAndLowercase) {
    EXPECT_TRUE(IsLetterOrDigit(u'a'));
    EXPECT_TRUE(IsLetterOrDigit(u'\u00e9'));
    EXPECT_TRUE(IsLetterOrDigit(u'\u0661'));
    EXPECT_FALSE(IsLetterOrDigit(u'!'));
    EXPECT_FALSE(IsLetterOrDigit(u'\u2014'));
    EXPECT_TRUE(StartsLowercase(u"etc."));
    EXPECT_TRUE(StartsLowercase(u"\u00e9t\u00e9"));
    EXPECT_FALSE(StartsLowercase(u"Mr."));
    EXPECT_FALSE(StartsLowercase(u"3rd"));
    EXPECT_FALSE(StartsLowercase(u"\"quoted"));
    EXPECT_FALSE(StartsLowercase(u""));
}

}  // namespace
}  // namespace velora::reader
