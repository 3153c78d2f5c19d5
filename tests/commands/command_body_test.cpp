#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

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

    EXPECT_EQ(Run({"body", TestMessage("latin1_declared.eml")}).out,
              "Ni\xC3\xB1o, se\xC3\xB1or, \xE2\x80\x9Cquoted\xE2\x80\x9D \xC2\xBFqu\xC3\xA9?\r\n");
    EXPECT_EQ(Run({"body", TestMessage("html_single_part.eml")}).out,
              "tCaf\xC3\xA9 <open> \xC2\xA9 2026\r\n");
}

TEST_F(BodyCommand, AMessageWithoutTextPrintsNothing) {
    const Result result = Run({"body", TestMessage("tnef_only.eml")});
    EXPECT_EQ(result.status, kExitSuccess);
    EXPECT_EQ(result.out, "");
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
