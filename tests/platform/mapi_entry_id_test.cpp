#include <gtest/gtest.h>

#include "platform/mapi/entry_id.h"

namespace velora::platform {
namespace {

std::optional<EntryIdParts> Parse(std::string_view text) {
    return ParseEntryId({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

TEST(EntryIdTest, RoundTripsEveryKind) {
    const EntryIdParts cases[] = {
        {EntryKind::Folder, 0, "INBOX/Sub folder", ""},
        {EntryKind::Message, 3, "", "1700000000.M1P2.host"},
        {EntryKind::Message, 0, ".Trash", "a:b"},
    };
    for (const EntryIdParts& parts : cases) {
        const std::vector<std::uint8_t> bytes = EncodeEntryId(parts);
        const auto parsed = ParseEntryId(bytes);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(*parsed, parts);
    }
    using namespace std::string_literals;
    const std::pair<EntryIdParts, std::string> layouts[] = {
        {{EntryKind::Folder, 1234, "A/B", ""}, "VLR1F1234\0A/B"s},
        {{EntryKind::Message, 10, "", "1.x"},
         "VLR1M10\0\0"
         "1.x"s},
    };
    for (const auto& [parts, text] : layouts) {
        const std::vector<std::uint8_t> bytes = EncodeEntryId(parts);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), text);
        EXPECT_EQ(EncodedEntryIdSize(parts.kind, parts.storeIndex, parts.folder, parts.unique),
                  text.size());
    }
}

TEST(EntryIdTest, RefusesMalformedAndEscapingIds) {
    using namespace std::string_literals;
    const std::string cases[] = {
        ""s,
        "VLR1S"s,
        "VLR2S0"s,
        "VLR1X0"s,
        "VLR1S01"s,       // leading zero
        "VLR1S1234567"s,  // too many digits
        "VLR1S0\0"s,      // trailing field on a store
        "VLR1F0"s,        // folder without path field
        "VLR1F0\0.."s,
        "VLR1F0\0/etc"s,
        "VLR1F0\0a//b"s,
        "VLR1F0\0a\0b"s,   // message field on a folder
        "VLR1M0\0INBOX"s,  // message without unique name
        "VLR1M0\0INBOX\0../../etc/passwd"s,
        "VLR1M0\0..\0name"s,
    };
    for (const std::string& text : cases) {
        EXPECT_FALSE(Parse(text).has_value()) << "refused: " << text;
    }
    EXPECT_FALSE(ParseEntryId(std::vector<std::uint8_t>(kMaxEntryIdSize + 1, 'a')).has_value());
}

}  // namespace
}  // namespace velora::platform
