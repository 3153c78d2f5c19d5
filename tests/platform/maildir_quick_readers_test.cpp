// The quick readers of the usual Date and From forms must give exactly what GMime's general
// parsers give, for every value they accept; everything else goes to GMime.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/base/ascii_case.h"
#include "platform/maildir/headers.h"

namespace velora::platform {
namespace {

namespace fs = std::filesystem;

void ExpectSameDate(const std::string& text) {
    EXPECT_EQ(ParseMessageDate(text), detail::ParseMessageDateWithGmime(text))
        << "'" << text << "'";
}

void ExpectSameSender(const std::string& raw) {
    MessageHeaderInfo quick;
    MessageHeaderInfo general;
    detail::ReadSender(raw, quick);
    detail::ReadSenderWithGmime(raw, general);
    EXPECT_EQ(quick.hasSender, general.hasSender) << "'" << raw << "'";
    EXPECT_EQ(quick.senderName, general.senderName) << "'" << raw << "'";
    EXPECT_EQ(quick.senderAddress, general.senderAddress) << "'" << raw << "'";
}

// Every day of a leap and a common year's February and of the long months, the edges of the
// clock and of time zones, with and without the day name, seconds and a trailing comment.
TEST(QuickDateReader, AgreesWithGmimeOnTheUsualFormAndItsEdges) {
    const char* const days[] = {"0", "1", "29", "31", "32"};
    const char* const months[] = {"Feb", "jan", "Foo"};
    const char* const years[] = {"1899", "1969", "1970", "2024", "99"};
    for (const char* day : days) {
        for (const char* month : months) {
            for (const char* year : years) {
                ExpectSameDate(std::string(day) + " " + month + " " + year + " 12:34:56 +0000");
            }
        }
    }
    const char* const times[] = {"00:00:00", "24:00:00", "23:59:60", "10:00", "10:0:00"};
    const char* const zones[] = {"-0930", "+2400", "+0060", "+100", "GMT", "Z", ""};
    for (const char* time : times) {
        for (const char* zone : zones)
            ExpectSameDate(std::string("Sat, 29 Feb 2020 ") + time + " " + zone);
    }
    const char* const shapes[] = {
        "Thu,02 Jan 2020 10:00:00 +0000",
        "Thu, 2 Jan 2020 10:00:00 +0000 (Coordinated (Universal) Time)",
        "Thu, 02 Jan 2020\n 10:00:00 +0000",
        "Mon, 1 Jan 1601 00:00:00 +0000",
        "",
    };
    for (const char* shape : shapes) ExpectSameDate(shape);
    // Found by fuzzing: GMime reads the value only up to a NUL.
    using namespace std::string_literals;
    ExpectSameDate("2 Jan 2020 10:00 -0530 (E00:\0\0 +0000 EST)"s);
    ExpectSameDate("2 Jan 2020 10:00 -0530\0 (x)"s);
}

// Plain and quoted names, bare and bracketed addresses, and the shapes the quick reader must
// leave to GMime: comments, groups, lists, encoded words, escapes, 8-bit text, odd spacing.
TEST(QuickSenderReader, AgreesWithGmimeOnUsualAndUnusualForms) {
    const char* const values[] = {
        "a@example.org",
        "John Doe <john@example.org>",
        "\"John \\\"JD\\\" Doe\" <john@example.org>",
        "=?UTF-8?Q?J=C3=B6rg?= <j@example.org>",
        "J\xF6rg <j@example.org>",
        "Friends: a@example.org, b@example.org;",
        "john@@example.org",
        "\"Unterminated <john@example.org>",
        "John\n Doe <john@example.org>",
    };
    for (const char* value : values) ExpectSameSender(value);
}

// The first From and Date of every message of the shared corpora (real mail from many
// programs), read both ways.
TEST(QuickReaders, AgreeWithGmimeOnTheCorpora) {
    const fs::path root = fs::path(VELORA_SHARED_DIR) / "corpora";
    std::error_code code;
    if (!fs::is_directory(root, code)) GTEST_SKIP() << root << " is not here";
    int compared = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root, code)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream stream(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << stream.rdbuf();
        const std::string text = bytes.str();
        // Each line start follows a line end.
        const std::string header = "\n" + text.substr(0, FindBodyStart(text));
        for (const std::string name : {"from:", "date:"}) {
            std::size_t start = 0;
            while ((start = header.find('\n', start)) != std::string::npos) {
                ++start;
                if (!EqualsIgnoringAsciiCase(std::string_view(header).substr(start, name.size()),
                                             name))
                    continue;
                std::size_t end = start;
                do end = header.find('\n', end + 1);
                while (end != std::string::npos && end + 1 < header.size() &&
                       (header[end + 1] == ' ' || header[end + 1] == '\t'));
                const std::string value = header.substr(
                    start + name.size(), std::min(end, header.size()) - start - name.size());
                if (name == "from:") {
                    ExpectSameSender(value);
                } else {
                    ExpectSameDate(value);
                }
                ++compared;
                break;
            }
        }
    }
    EXPECT_GT(compared, 100);
}

}  // namespace
}  // namespace velora::platform
