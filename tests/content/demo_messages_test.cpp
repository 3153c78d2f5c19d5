// The demo store's messages read as the demo promises: each shows one kind of body.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "content/message_file_text.h"
#include "platform/base/text_codec.h"

namespace velora::content {
namespace {

namespace fs = std::filesystem;

std::string DemoBody(const std::string& relative) {
    std::ifstream file(fs::path(VELORA_SOURCE_DIR) / "src/resources/demo" / relative,
                       std::ios::binary);
    EXPECT_TRUE(file) << relative;
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return platform::EncodeUtf8(ReadingTextOfMessageFile(bytes.str()).View());
}

TEST(DemoMessages, EachKindOfBodyReads) {
    EXPECT_TRUE(
        DemoBody("store1/cur/1764570000.M1P100.demo:2,S").starts_with("Welcome to Velora!"));
    EXPECT_NE(DemoBody("store1/cur/1764600000.M2P100.demo:2,").find("ch\xC3\xBAtney on Sunday"),
              std::string::npos);
    EXPECT_NE(DemoBody("store1/new/1764680000.M3P100.demo")
                  .find("Gr\xC3\xBC\xC3\x9F"
                        "e aus K\xC3\xB6ln"),
              std::string::npos);
    EXPECT_TRUE(DemoBody("store1/cur/1764700000.M4P100.demo:2,S").starts_with("Hi,"));
    const std::string html = DemoBody("store1/new/1764720000.M5P100.demo");
    EXPECT_NE(html.find("Fish & chips at \"The Old Pier\" cost \xC2\xA3"
                        "9"),
              std::string::npos);
    EXPECT_EQ(html.find("<p>"), std::string::npos);
    EXPECT_TRUE(DemoBody("store1/cur/1764760000.M6P100.demo:2,").starts_with("Hello team,"));
    EXPECT_NE(DemoBody("store1/new/1764810000.M9P100.demo").find("ni\xC3\xB1o, se\xC3\xB1or"),
              std::string::npos);
    EXPECT_NE(DemoBody("store1/cur/1764830000.M11P100.demo:2,").find("transmission stop"),
              std::string::npos);
    EXPECT_EQ(DemoBody("store1/cur/1764840000.M12P100.demo:2,"), "");
}

}  // namespace
}  // namespace velora::content
