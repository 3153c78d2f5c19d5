#include "platform/text_codec.h"

#include <gtest/gtest.h>

namespace velora::platform {
namespace {

TEST(TextCodec, ValidUtf8DecodesAsUtf8) {
    EXPECT_EQ(DecodeUtf8OrWindows1252("caf\xC3\xA9"), u"caf\u00E9");
    EXPECT_EQ(DecodeUtf8OrWindows1252("\xF0\x9F\x98\x80"), u"\U0001F600");
}

TEST(TextCodec, InvalidUtf8FallsBackToWindows1252ForTheWholeText) {
    // One Latin-1 byte makes the whole text Windows-1252, the valid-looking parts included.
    EXPECT_EQ(DecodeUtf8OrWindows1252("caf\xE9 \x80"), u"caf\u00E9 \u20AC");
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
    EXPECT_EQ(EncodeUtf8(lone), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(EncodeUtf8(u"\u007F\u008F\u0090"), "\x7F\xC2\x8F\xC2\x90");
}

}  // namespace
}  // namespace velora::platform
