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
        Example{"Hello world. Bye", "Hello world. [S] Bye [S]"}, Example{"x-y", "x - y [S]"},
        Example{"x-...y z", "x - ...y z [S]"},
        Example{"the U.S. border", "the U.S. [S] border [S]"},
        Example{"Go! Now! It is. Ok", "Go! [S] Now! [S] It is. [S] Ok [S]"},
        Example{"e-mail me -- now --- please", "e - mail me -- now --- please [S]"},
        Example{"Wait..... and see!! now", "Wait... [S] and see!! [S] now [S]"},
        Example{"  \t Leading and trailing \r\n ", "Leading and trailing [S]"},
        Example{"one\r\n\r\ntwo", "one [S] [P] two [S]"}, Example{"one\r\ntwo", "one [L] two [S]"},
        Example{"one\ttwo", "one [L] two [S]"}, Example{"one\n\ntwo", "one [L] two [S]"},
        Example{"one\n\n\ntwo", "one [S] [P] two [S]"},
        // Whitespace at index 1 is not part of a run: it stays in the first word.
        Example{"A\r\n\r\nB", "A\r [S] [P] B [S]"},
        // A hyphen at the first or last position is never set apart; a double hyphen stays.
        Example{"-abc def-", "-abc def- [S]"}, Example{"a--b", "a--b [S]"},
        Example{"555-1234 call", "555 - 1234 call [S]"}, Example{"a ===== b", "a === b [S]"},
        Example{"ab?!?!", "ab?!?! [S]"},
        // A row of three at the very end is flushed with nothing after it.
        Example{"wow!!!!!!", "wow!!! [S]"},
        // Numbers: a decimal point keeps the number inside the sentence; a closing full stop
        // does not.
        Example{"It costs 3.5 dollars", "It costs 3.5 dollars [S]"},
        Example{"Pi is 3.14159 roughly", "Pi is 3.14159 roughly [S]"},
        Example{"Founded in 2003. Then more", "Founded in 2003. [S] Then more [S]"},
        Example{"Version 1.25 is out", "Version 1.25 is out [S]"},
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
        Example{"Write to bob@example.org. Today", "Write to bob@example.org. [S] Today [S]"},
        Example{"See www.example.com now", "See www.example.com now [S]"},
        Example{"See \"www.example.com.\" Now", "See \"www.example.com.\" [S] Now [S]"},
        // The marks' code points in the source are not marks: DEL is dropped, U+008F and
        // U+0090 (bytes 0x8F and 0x90 read as Windows-1252) become U+FFFD.
        Example{"\u0090 x y", "\ufffd x y [S]"}, Example{"a \u0090 b", "a \ufffd b [S]"},
        Example{"wo\u007frd and\u007f more", "word and more [S]"},
        Example{"Gr\u0090n day. Re\u008fad", "Gr\ufffdn day. [S] Re\ufffdad [S]"},
        // Texts under three characters after trimming stay unmarked.
        Example{"", ""}, Example{"  ab  ", "ab"}, Example{"abc", "abc [S]"},
        Example{"a b", "a b [S]"}, Example{"...", "... [S]"}));

TEST(SegmentText, CutsLongWordsButKeepsTheLastWhole) {
    const std::u16string longWord(250, u'x');
    const std::u16string document = SegmentText(longWord + u" tail " + longWord);
    const std::u16string expected =
        longWord.substr(0, kMaxWordUnits) + u" tail " + longWord + u" \u007f";
    EXPECT_EQ(document, expected);
}

TEST(SegmentText, WordOf189And190UnitsAreNotCut) {
    for (std::size_t length : {189u, 190u, 191u}) {
        const std::u16string word(length, u'y');
        const std::u16string document = SegmentText(word + u" end");
        EXPECT_EQ(document.find(u' '), std::min<std::size_t>(length, kMaxWordUnits)) << length;
    }
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

TEST(SegmentText, NoBreakSpaceIsABreak) {
    EXPECT_EQ(Segment("one\u00a0two"), "one [L] two [S]");
}

struct NumberCase {
    const char16_t* word;
    bool isNumber;
};

TEST(IsNumberWord, DecidesByValueAndFullStops) {
    // "0x1p3" reads as the decimal 1 (its 0 taken as 1), not as a hexadecimal number.
    const NumberCase cases[] = {{u"3.5", true},   {u"1.25", true},  {u"0", true},
                                {u"00", true},    {u"0.5", true},   {u"12", true},
                                {u"-7", true},    {u"+.5", true},   {u"2003.", false},
                                {u"1.2.", false}, {u"1.2.3", true}, {u"abc", false},
                                {u"", false},     {u".", false},    {u"$5", false},
                                {u"12abc", true}, {u"1e5", true},   {u"1e-999", false},
                                {u"0x1p3", true}, {u"x1", false},   {u"\u0661\u0662", false}};
    // Only decimal numbers count: what C's wcstod reads as infinity or NaN is a word.
    for (const char16_t* word :
         {u"inf", u"nan", u"Infinity!", u"information?", u"infinite?", u"Nancy!", u"nanny?"}) {
        EXPECT_FALSE(IsNumberWord(word)) << platform::EncodeUtf8(word);
    }
    for (const NumberCase& c : cases) {
        EXPECT_EQ(IsNumberWord(c.word), c.isNumber) << platform::EncodeUtf8(std::u16string(c.word));
    }
}

struct AbbreviationCase {
    const char16_t* previous;
    const char16_t* word;
    const char16_t* next;
    bool shielded;
};

TEST(IsAbbreviationOrAddress, FollowsTheLengthCapitalAndAddressRules) {
    const AbbreviationCase cases[] = {
        // The worked examples of SegmentText show the common cases; these are the rest.
        {u"", u"Mr.", u"Jones", true},
        {u"Dr.", u"Go!", u"Now", true},   // a neighbour holds a full stop
        {u"in", u"200.", u"Then", true},  // 200. is not a number, so it is a short word
        {u"at", u"http://x", u"Now", true},
        {u"visit", u"bbc.co.uk", u"Now", true},
        {u"x", u"'a@b.'", u"y", false},
        {u"", u"", u"", false},
    };
    for (const AbbreviationCase& c : cases) {
        EXPECT_EQ(IsAbbreviationOrAddress(c.previous, c.word, c.next), c.shielded)
            << platform::EncodeUtf8(std::u16string(c.word));
    }
}

std::vector<std::u16string> SplitAtSpaces(std::u16string_view text) {
    std::vector<std::u16string> parts;
    for (std::size_t start = 0, end = 0; start <= text.size(); start = end + 1) {
        end = std::min(text.find(u' ', start), text.size());
        parts.emplace_back(text.substr(start, end - start));
    }
    return parts;
}

// Properties over generated texts: a deterministic generator mixes words, punctuation, runs,
// hyphens, numbers, every kind of whitespace and long words.
class TextGenerator {
  public:
    explicit TextGenerator(std::uint32_t seed) : state_(seed) {}

    std::u16string Next(std::size_t pieces) {
        // The pieces, separated by single spaces (none holds a space).
        static const std::vector<std::u16string> kPieces = SplitAtSpaces(
            u"word Word. end! why? Mr. a-b - -- --- .... 3.5 2003. x@y.com etc. U.S. \"Hi.\" !!!!! "
            u"= \u00e9t\u00e9. \u0090 \u007f \u008f ' a I ok, 1e5 .");
        static const char16_t* const kGaps[] = {u" ",        u"  ",     u"\t",       u"\r\n",
                                                u"\r\n\r\n", u"\n\n\n", u" \u00a0 ", u"\v"};
        std::u16string text;
        for (std::size_t i = 0; i < pieces; ++i) {
            if (Below(40) == 0) {
                text.append(150 + Below(120), static_cast<char16_t>(u'a' + Below(26)));
            } else {
                text.append(kPieces[Below(kPieces.size())]);
            }
            if (Below(3) != 0) text.append(kGaps[Below(std::size(kGaps))]);
        }
        return text;
    }

  private:
    std::size_t Below(std::size_t n) {
        state_ = state_ * 1664525u + 1013904223u;
        return (state_ >> 8) % n;
    }
    std::uint32_t state_;
};

TEST(SegmentTextProperties, HoldForGeneratedTexts) {
    TextGenerator generator(12345);
    for (int round = 0; round < 400; ++round) {
        const std::u16string text = generator.Next(1 + round % 60);
        const std::u16string document = SegmentText(text);
        SCOPED_TRACE(::testing::Message()
                     << "round " << round << ": " << platform::EncodeUtf8(text));
        if (document.size() < 3) continue;
        ASSERT_NE(document.front(), u' ');
        ASSERT_EQ(document.back(), kSentenceEndMark);
        ASSERT_EQ(document[document.size() - 2], u' ');
        // Tokens are separated by single spaces.
        ASSERT_EQ(document.find(u"  "), std::u16string::npos);
        // Every token but the last word is at most 190 units long.
        std::size_t lastWordStart = document.rfind(u' ', document.size() - 3);
        lastWordStart = lastWordStart == std::u16string::npos ? 0 : lastWordStart + 1;
        std::size_t start = 0;
        while (start < document.size()) {
            std::size_t end = document.find(u' ', start);
            if (end == std::u16string::npos) end = document.size();
            if (start != lastWordStart) {
                ASSERT_LE(end - start, kMaxWordUnits);
            }
            start = end + 1;
        }
        // A paragraph mark token always follows a sentence-end mark token.
        for (std::size_t p = document.find(u" \u0090 "); p != std::u16string::npos;
             p = document.find(u" \u0090 ", p + 1)) {
            ASSERT_EQ(document[p - 1], kSentenceEndMark);
            ASSERT_TRUE(p == 1 || document[p - 2] == u' ');
        }
    }
}

TEST(SegmentTextProperties, IsIdempotentOnItsOutputWords) {
    // Segmenting the words of a document again keeps them: no pass changes a clean document.
    EXPECT_EQ(Segment("Dr. Smith arrived. It was well - known!!!"),
              "Dr. Smith arrived. [S] It was well - known!!! [S]");
}

}  // namespace
}  // namespace velora::reader
