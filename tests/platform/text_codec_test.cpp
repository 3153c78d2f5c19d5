#include "platform/base/text_codec.h"

#include <gtest/gtest.h>

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
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));
}

TEST(TextCodec, EncodesSurrogatePairsAndReplacesLoneSurrogates) {
    EXPECT_EQ(EncodeUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    const char16_t lone[] = {u'a', 0xD800, u'b', 0};
    EXPECT_EQ(EncodeUtf8(lone),
              "a\xEF\xBF\xBD"
              "b");
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
        // Valid UTF-8 before the NUL, a Latin-1 byte after it: the whole text is Windows-1252.
        {"\xC3\xA9\0\xE9"sv, u""sv, u"\u00C3\u00A9"sv},
        {""sv, u""sv, u""sv},
    };
    for (const BstrCase& c : cases) {
        const Bstr text = DecodeUtf8OrWindows1252ToBstr(c.bytes, c.suffix);
        EXPECT_EQ(text.View(), c.text);
        EXPECT_EQ(text.Data()[text.Length()], u'\0');
    }
}

}  // namespace
}  // namespace velora::platform
