#include <gtest/gtest.h>

#include "command_test_support.h"

namespace velora::commands {
namespace {

using BodyCommand = testing::CommandTest;

std::string TestMessage(const std::string& name) {
    return std::string(VELORA_TEST_DATA_DIR) + "/messages/" + name;
}

TEST_F(BodyCommand, PrintsTheReadingTextOfAMessageFileAsItIs) {
    const Result result = Run({"body", TestMessage("mixed_nested_alternative_attachment.eml")});
    EXPECT_EQ(result.status, kExitSuccess);
    EXPECT_EQ(result.out, "Here is the report. See page two.");
    EXPECT_EQ(result.err, "");
}

TEST_F(BodyCommand, MissingFileIsAOneLineInputError) {
    const Result result = Run({"body", (home_ / "no-such.eml").string()});
    EXPECT_EQ(result.status, kExitInputError);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1);
    EXPECT_NE(result.err.find("no-such.eml"), std::string::npos);
}

}  // namespace
}  // namespace velora::commands
