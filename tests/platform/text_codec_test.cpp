#include "platform/base/text_codec.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace velora::platform {
namespace {

// One Latin-1 byte makes the whole text Windows-1252 (see the runs below); its five unused codes
// stay C1 controls.
TEST(TextCodec, Windows1252KeepsItsUnusedCodesAsControls) {
    EXPECT_EQ(DecodeWindows1252("\x81\x9D"), u"\u0081\u009D");
}

TEST(TextCodec, RejectsOverlongsSurrogatesAndTruncatedSequences) {
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));
    EXPECT_TRUE(IsValidUtf8(""));
}

TEST(TextCodec, EncodesSurrogatePairsAndReplacesLoneSurrogates) {
    EXPECT_EQ(EncodeUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    const char16_t lone[] = {u'a', 0xD800, u'b', 0};
    EXPECT_EQ(EncodeUtf8(lone),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(EncodeUtf8(u"\u007F\u008F\u0090"), "\x7F\xC2\x8F\xC2\x90");
}

std::u16string Widen(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// ASCII is taken eight bytes at a time: a sequence of another kind must be found at every offset
// of such a run, and the text around it kept.
TEST(TextCodec, OtherBytesAreFoundAtEveryOffsetOfAnAsciiRun) {
    struct Insert {
        std::string_view bytes;
        std::u16string_view text;  // the whole text's decoding of `bytes`
        bool validUtf8;
    };
    const Insert inserts[] = {
        {"\xC3\xA9", u"\u00E9", true},
        {"\xF0\x9F\x98\x80", u"\U0001F600", true},
        {"\xE9", u"\u00E9", false},  // Latin-1: the whole text is Windows-1252
        {"\xC3\xA9\x80", u"\u00C3\u00A9\u20AC", false},
    };
    const std::string run = "abcdefghijklmnopqrstuvwx";
    for (const Insert& insert : inserts) {
        for (std::size_t at = 0; at <= run.size(); ++at) {
            const std::string bytes =
                run.substr(0, at) + std::string(insert.bytes) + run.substr(at);
            const std::u16string expected =
                Widen(run.substr(0, at)) + std::u16string(insert.text) + Widen(run.substr(at));
            EXPECT_EQ(IsValidUtf8(bytes), insert.validUtf8) << at;
            EXPECT_EQ(DecodeUtf8OrWindows1252(bytes), expected) << at;
            EXPECT_EQ(DecodeUtf8OrWindows1252ToBstr(bytes, u"").View(), expected) << at;
            if (insert.validUtf8) {
                EXPECT_EQ(EncodeUtf8(expected), bytes) << at;
            }
        }
    }
}

struct BstrCase {
    std::string_view bytes;
    std::u16string_view suffix;
    std::u16string_view text;
};

// The BSTR is what a NUL-terminated copy of the decoded text and the suffix would give.
TEST(TextCodec, BstrDecodingEndsAtTheFirstNul) {
    using namespace std::string_view_literals;
    const BstrCase cases[] = {
        {"abc"sv, u"[cut]"sv, u"abc[cut]"sv},
        {"ab\0cd"sv, u"[cut]"sv, u"ab"sv},  // the suffix goes with the rest
        {"a"sv, u"b\0c"sv, u"ab"sv},
        // Valid UTF-8 before the NUL, a Latin-1 byte after it: the whole text is Windows-1252.
        {"\xC3\xA9\0\xE9"sv, u""sv, u"\u00C3\u00A9"sv},
        {"\xF0\x9F\x98\x80x"sv, u"!"sv, u"\U0001F600x!"sv},
        {""sv, u""sv, u""sv},
    };
    for (const BstrCase& c : cases) {
        const Bstr text = DecodeUtf8OrWindows1252ToBstr(c.bytes, c.suffix);
        EXPECT_FALSE(text.IsNull());
        EXPECT_EQ(text.View(), c.text);
        EXPECT_EQ(text.Data()[text.Length()], u'\0');
    }
}

// Written a piece at a time, the output is EncodeUtf8's, a surrogate pair across a piece's end
// and a lone surrogate at the text's end included.
TEST(TextCodec, WrittenUtf8IsTheEncodedText) {
    for (const std::size_t pairAt : {16382u, 16383u, 16384u, 40000u}) {
        std::u16string text(50000, u'w');
        text[pairAt] = 0xD83D;
        text[pairAt + 1] = 0xDE00;
        text[1000] = u'\u00E9';
        text.back() = 0xD800;
        std::ostringstream out;
        WriteUtf8(out, text);
        EXPECT_EQ(out.str(), EncodeUtf8(text)) << pairAt;
    }
}

}  // namespace
}  // namespace velora::platform
