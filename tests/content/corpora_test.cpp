// Every message of the shared e-mail corpora (real and deliberately broken messages) through the
// body path: no crash, no hang, valid text out. Skipped when the corpora are not on this machine.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "content/message_file_text.h"

namespace velora::content {
namespace {

namespace fs = std::filesystem;

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

// Text inside other multipart containers (signed, related) and in a multipart cut off in its only
// part: the reading text starts with it, after blank lines.
const std::map<std::string, std::u16string_view> kTextStarts = {
    {"mail-parser/malformed/003.eml", u"body"},
    {"mail-parser/malformed/014.eml", u"hello, world"},
    {"mail-parser/legacy/015.eml", u"Die Hasen und die Fr\u00f6sche"},
    {"mail-parser/legacy/021.eml", u"The Hare and the Tortoise"},
    {"mail-parser/thirdparty/006.eml", u"Search me, and Find me here"},
};

TEST(Corpora, EveryMessageGivesValidText) {
    const fs::path root = fs::path(VELORA_SHARED_DIR) / "corpora";
    std::error_code code;
    if (!fs::is_directory(root, code)) GTEST_SKIP() << root << " is not here";
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(root, code)) {
        if (!entry.is_regular_file()) continue;
        std::string name = entry.path().filename().string();
        std::transform(name.begin(), name.end(), name.begin(), ::tolower);
        if (name.starts_with("readme")) continue;
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty());
    for (const fs::path& file : files) {
        std::ifstream stream(file, std::ios::binary);
        std::ostringstream bytes;
        bytes << stream.rdbuf();
        const std::u16string text(ReadingTextOfMessageFile(bytes.str()).View());
        EXPECT_TRUE(IsValidUtf16(text)) << file;
        EXPECT_EQ(text.find(u'\0'), std::u16string::npos) << file;
        if (const auto start = kTextStarts.find(fs::relative(file, root).string());
            start != kTextStarts.end()) {
            const std::size_t blanks = std::min(text.find_first_not_of(u" \r\n"), text.size());
            EXPECT_TRUE(text.substr(blanks).starts_with(start->second)) << file;
        }
    }
}

}  // namespace
}  // namespace velora::content
