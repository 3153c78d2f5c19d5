#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>

#include "harness/maildir_fixture.h"
#include "platform/maildir/header_cache.h"

namespace velora::platform {
namespace {

HeaderCacheEntries ManyEntries(int count) {
    HeaderCacheEntries entries;
    for (int i = 0; i < count; ++i) {
        auto header = std::make_shared<MessageHeaderInfo>();
        header->hasAttachment = i % 7 == 0;
        header->subject =
            std::string(static_cast<std::size_t>(i % 300), 'a' + static_cast<char>(i % 26));
        header->senderAddress = "s" + std::to_string(i) + "@example.org";
        header->deliveryTime = 133000000000000000ULL + static_cast<std::uint64_t>(i);
        CachedMessage message;
        message.size = static_cast<std::uint64_t>(i) * 17;
        message.modifiedNanoseconds = -static_cast<std::int64_t>(i);
        message.header = std::move(header);
        message.directory = i % 3 == 0
                                ? MessageDirectory::Cur
                                : (i % 3 == 1 ? MessageDirectory::New : MessageDirectory::Unknown);
        message.nameAfterUnique = i % 2 == 0 ? ":2,S" : ",S=" + std::to_string(i);
        message.read = i % 4 == 0;
        entries.emplace(std::to_string(i) + ".M" + std::to_string(i * 31) + ".host",
                        std::move(message));
    }
    entries.emplace("unread.host", CachedMessage{});  // found but never read: not saved
    return entries;
}

bool IsEmpty(const HeaderCache& cache) {
    return cache.entries.empty() && !cache.stamps.Known();
}

// A cache larger than one written piece comes back whole; any damaged byte or a cut end makes
// the whole file count as absent.
TEST(MaildirHeaderCacheTest, LargeCacheRoundTripsAndDamageIsRefused) {
    testing::MaildirFixture fixture;
    const std::filesystem::path folder = fixture.Root() / "mail";
    const std::filesystem::path file = HeaderCacheFile(folder);
    const HeaderCacheEntries entries = ManyEntries(6000);
    const FolderStamps stamps{1733400000123456789LL, kAbsentDirectory};
    ASSERT_TRUE(SaveHeaderCache(file, folder, stamps, entries));
    ASSERT_GT(std::filesystem::file_size(file), 1024u * 1024u);
    const HeaderCache loaded = LoadHeaderCache(file, folder);
    EXPECT_EQ(loaded.stamps, stamps);
    ASSERT_EQ(loaded.entries.size(), entries.size() - 1);
    for (const auto& [unique, message] : loaded.entries) {
        const auto original = entries.find(unique);
        ASSERT_NE(original, entries.end()) << unique;
        const CachedMessage& saved = original->second;
        EXPECT_EQ(std::tie(message.size, message.modifiedNanoseconds, message.directory,
                           message.nameAfterUnique, message.read),
                  std::tie(saved.size, saved.modifiedNanoseconds, saved.directory,
                           saved.nameAfterUnique, saved.read))
            << unique;
        EXPECT_EQ(*message.header, *saved.header) << unique;
    }
    EXPECT_TRUE(IsEmpty(LoadHeaderCache(file, fixture.Root() / "other")));

    std::string bytes;
    {
        std::ifstream in(file, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    for (std::size_t position : {std::size_t{30}, bytes.size() / 2, bytes.size() - 3}) {
        std::string damaged = bytes;
        damaged[position] = static_cast<char>(damaged[position] ^ 0x20);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << damaged;
        EXPECT_TRUE(IsEmpty(LoadHeaderCache(file, folder))) << position;
    }
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes.substr(0, bytes.size() - 1);
    EXPECT_TRUE(IsEmpty(LoadHeaderCache(file, folder)));
}

}  // namespace
}  // namespace velora::platform
