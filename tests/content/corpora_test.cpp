// Every message of the shared e-mail corpora (real and deliberately broken messages) through the
// body path: no crash, no hang, valid text out. Skipped when the corpora are not on this machine.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "content/message_file_text.h"
#include "platform/text_codec.h"

namespace velora::content {
namespace {

namespace fs = std::filesystem;

const fs::path kRoot = fs::path(VELORA_SHARED_DIR) / "corpora";

std::u16string ReadingText(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << stream.rdbuf();
    return std::u16string(ReadingTextOfMessageFile(bytes.str()).View());
}

bool IsValidUtf16(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
            ++i;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

TEST(Corpora, EveryMessageGivesValidText) {
    std::error_code code;
    if (!fs::is_directory(kRoot, code)) GTEST_SKIP() << kRoot << " is not here";
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(kRoot, code)) {
        if (!entry.is_regular_file()) continue;
        std::string name = entry.path().filename().string();
        std::transform(name.begin(), name.end(), name.begin(), ::tolower);
        if (name.starts_with("readme")) continue;
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty());
    for (const fs::path& file : files) {
        const std::u16string text = ReadingText(file);
        EXPECT_TRUE(IsValidUtf16(text)) << file;
        EXPECT_TRUE(platform::IsValidUtf8(platform::EncodeUtf8(text))) << file;
        EXPECT_EQ(text.find(u'\0'), std::u16string::npos) << file;
    }
}

// Text inside other multipart containers (signed, related) and in a multipart cut off in its only
// part reads as that text.
TEST(Corpora, TextInAnyMultipartIsRead) {
    std::error_code code;
    if (!fs::is_directory(kRoot, code)) GTEST_SKIP() << kRoot << " is not here";
    const std::pair<const char*, std::u16string_view> cases[] = {
        {"mail-parser/malformed/003.eml", u"body"},
        {"mail-parser/malformed/014.eml", u"hello, world"},
        {"mail-parser/legacy/015.eml", u"Die Hasen und die Fr\u00f6sche"},
        {"mail-parser/legacy/021.eml", u"The Hare and the Tortoise"},
        {"mail-parser/thirdparty/006.eml", u"Search me, and Find me here"},
    };
    for (const auto& [file, expected] : cases) {
        const std::u16string text = ReadingText(kRoot / file);
        const std::size_t start = std::min(text.find_first_not_of(u" \r\n"), text.size());
        EXPECT_TRUE(text.substr(start).starts_with(expected)) << file;
    }
}

}  // namespace
}  // namespace velora::content
