#include "reader/segment_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/text_codec.h"
#include "reader/reading_document.h"

namespace velora::reader {
namespace {

// Writes the marks of a reading document as [S], [L] and [P] so expectations read naturally.
std::string Shown(const std::u16string& document) {
    std::string out;
    for (char16_t c : document) {
        if (c == kSentenceEndMark) {
            out += "[S]";
        } else if (c == kLineBreakMark) {
            out += "[L]";
        } else if (c == kParagraphMark) {
            out += "[P]";
        } else {
            out += platform::EncodeUtf8(std::u16string(1, c));
        }
    }
    return out;
}

std::string Segment(const std::string& utf8) {
    return Shown(SegmentText(platform::DecodeUtf8(utf8)));
}

struct Example {
    const char* input;
    const char* document;
};

class SegmentTextExamples : public ::testing::TestWithParam<Example> {};

TEST_P(SegmentTextExamples, GivesTheDocument) {
    EXPECT_EQ(Segment(GetParam().input), GetParam().document) << "input: " << GetParam().input;
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, SegmentTextExamples,
    ::testing::Values(Example{"Dr. Smith arrived.\r\n\r\nIt was well-known!!!!",
                              "Dr. Smith arrived. [S] [P] It was well - known!!! [S]"},
                      Example{"Line one\r\nline two\r\n\r\nNew para here. End",
                              "Line one [L] line two [S] [P] New para here. [S] End [S]"},
                      Example{"Mr. Jones met Mrs. Smith.", "Mr. Jones met Mrs. Smith. [S]"},
                      Example{"Wait..... what?????", "Wait... [S] what??? [S]"},
                      Example{"a  b   c\td", "a b c [L] d [S]"}, Example{"Hi", "Hi"}));

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, SegmentTextExamples,
    ::testing::Values(
        Example{"x-...y z", "x - ...y z [S]"},
        Example{"the U.S. border", "the U.S. [S] border [S]"},
        Example{"Go! Now! It is. Ok", "Go! [S] Now! [S] It is. [S] Ok [S]"},
        Example{"e-mail me -- now --- please", "e - mail me -- now --- please [S]"},
        Example{"  \t Leading and trailing \r\n ", "Leading and trailing [S]"},
        Example{"one\n\ntwo", "one [L] two [S]"}, Example{"one\n\n\ntwo", "one [S] [P] two [S]"},
        Example{"one\u00a0two", "one [L] two [S]"},
        // Whitespace at index 1 is not part of a run: it stays in the first word.
        Example{"A\r\n\r\nB", "A\r [S] [P] B [S]"},
        // A hyphen at the first or last position is never set apart; a double hyphen stays.
        Example{"-abc def-", "-abc def- [S]"}, Example{"a--b", "a--b [S]"},
        Example{"a ===== b", "a === b [S]"}, Example{"ab?!?!", "ab?!?! [S]"},
        // A row of three at the very end is flushed with nothing after it.
        Example{"wow!!!!!!", "wow!!! [S]"},
        // Numbers: a decimal point keeps the number inside the sentence; a closing full stop
        // does not.
        Example{"It costs 3.5 dollars", "It costs 3.5 dollars [S]"},
        Example{"Founded in 2003. Then more", "Founded in 2003. [S] Then more [S]"},
        // Only decimal numbers count: words that C's wcstod reads as infinity or NaN end
        // sentences like any other.
        Example{"Want information? Nancy! Hi nanny? So infinite? Yes",
                "Want information? [S] Nancy! [S] Hi nanny? [S] So infinite? [S] Yes [S]"},
        // Abbreviations: short capitalised words with a full stop, unless both neighbours start
        // lowercase; five units are too long; a lowercase word always ends the sentence.
        Example{"Ask Prof. Smith now", "Ask Prof. [S] Smith now [S]"},
        Example{"apples, pears etc. More", "apples, pears etc. [S] More [S]"},
        Example{"said Hi. To me", "said Hi. To me [S]"},
        // Addresses: shielded unless the last character (quotes removed) is a full stop.
        Example{"Write to bob@example.org today", "Write to bob@example.org today [S]"},
        Example{"See \"www.example.com.\" Now", "See \"www.example.com.\" [S] Now [S]"},
        // The marks' code points in the source are not marks: DEL is dropped, U+008F and
        // U+0090 (bytes 0x8F and 0x90 read as Windows-1252) become U+FFFD.
        Example{"wo\u007frd and\u007f more", "word and more [S]"},
        Example{"Gr\u0090n day. Re\u008fad", "Gr\ufffdn day. [S] Re\ufffdad [S]"},
        // Texts under three characters after trimming stay unmarked.
        Example{"", ""}, Example{"  ab  ", "ab"}, Example{"abc", "abc [S]"}));

TEST(SegmentText, CutsLongWordsButKeepsTheLastWhole) {
    const std::u16string longWord(250, u'x');
    const std::u16string document = SegmentText(longWord + u" tail " + longWord);
    const std::u16string expected =
        longWord.substr(0, kMaxWordUnits) + u" tail " + longWord + u" \u007f";
    EXPECT_EQ(document, expected);
    // A word of exactly 190 units is not cut.
    const std::u16string limit(kMaxWordUnits, u'y');
    EXPECT_EQ(SegmentText(limit + u" end"), limit + u" end \u007f");
}

TEST(SegmentText, SentenceTestSeesTheCutNeighbour) {
    // The last word is the next word of the word before it, cut to 190 units; the test only
    // looks at its first unit, so a lowercase long last word still counts as lowercase.
    const std::u16string last = u"b" + std::u16string(300, u'x');
    EXPECT_EQ(SegmentText(u"a U.S. " + last), u"a U.S. \u007f " + last + u" \u007f");
}

TEST(SegmentText, EmbeddedNulEndsTheText) {
    const std::u16string text = std::u16string(u"Hello there") + u'\0' + u"ignored";
    EXPECT_EQ(SegmentText(text), u"Hello there \u007f");
}

struct NumberCase {
    const char16_t* word;
    bool isNumber;
};

TEST(IsNumberWord, DecidesByValueAndFullStops) {
    // Only decimal numbers count: what C's wcstod reads as infinity or NaN is a word.
    // "0x1p3" reads as the decimal 1 (its 0 taken as 1), not as a hexadecimal number.
    const NumberCase cases[] = {{u"3.5", true},     {u"+.5", true},   {u"2003.", false},
                                {u"1.2.", false},   {u"1.2.3", true}, {u"abc", false},
                                {u".", false},      {u"$5", false},   {u"12abc", true},
                                {u"1e-999", false}, {u"0x1p3", true}, {u"\u0661\u0662", false},
                                {u"inf", false},    {u"nan", false},  {u"Infinity!", false}};
    for (const NumberCase& c : cases) {
        EXPECT_EQ(IsNumberWord(c.word), c.isNumber) << platform::EncodeUtf8(std::u16string(c.word));
    }
}

TEST(IsAbbreviationOrAddress, FollowsTheLengthCapitalAndAddressRules) {
    // The worked examples of SegmentText show the common cases; these are the rest.
    EXPECT_TRUE(IsAbbreviationOrAddress(u"Dr.", u"Go!", u"Now"));   // a neighbour holds a full stop
    EXPECT_TRUE(IsAbbreviationOrAddress(u"in", u"200.", u"Then"));  // 200. is not a number
    EXPECT_TRUE(IsAbbreviationOrAddress(u"at", u"http://x", u"Now"));
    EXPECT_TRUE(IsAbbreviationOrAddress(u"visit", u"bbc.co.uk", u"Now"));
    EXPECT_FALSE(IsAbbreviationOrAddress(u"", u"", u""));
}

}  // namespace
}  // namespace velora::reader
