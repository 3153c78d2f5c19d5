#include <gtest/gtest.h>

#include <algorithm>

#include "command_test_support.h"

namespace velora::commands {
namespace {

using DocumentCommand = testing::CommandTest;

TEST_F(DocumentCommand, PrintsTheDocumentWithReadableMarks) {
    const std::string file =
        WriteFile("text.txt", "Dr. Smith arrived.\r\n\r\nIt was well-known!!!!\r\n");
    const Result result = Run({"document", file});
    EXPECT_EQ(result.status, kExitSuccess);
    EXPECT_EQ(result.out, "Dr. Smith arrived. [S] [P] It was well - known!!! [S]\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(DocumentCommand, RawWritesTheMarksAsTheirCodePoints) {
    const std::string file = WriteFile("text.txt", "Line one\r\nline two\r\n\r\nEnd");
    const Result result = Run({"document", "--raw", file});
    EXPECT_EQ(result.status, kExitSuccess);
    EXPECT_EQ(result.out, "Line one \xc2\x8f line two \x7f \xc2\x90 End \x7f\n");
}

TEST_F(DocumentCommand, MessageFileGivesItsBodyWithoutHeaders) {
    const std::string file =
        WriteFile("message.eml",
                  "From: Alice <alice@example.com>\r\nTo: bob@example.com\r\nSubject: Lunch\r\n"
                  "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=utf-8\r\n"
                  "Content-Transfer-Encoding: quoted-printable\r\n\r\n"
                  "Caf=C3=A9 at noon. Bye\r\n");
    const Result result = Run({"document", "--message", file});
    EXPECT_EQ(result.status, kExitSuccess);
    EXPECT_EQ(result.out, "Caf\xc3\xa9 at noon. [S] Bye [S]\n");
}

TEST_F(DocumentCommand, BodyPrintsTheReadingTextOfAMessageFileAsItIs) {
    const Result result = Run({"body", std::string(VELORA_TEST_DATA_DIR) +
                                           "/messages/mixed_nested_alternative_attachment.eml"});
    EXPECT_EQ(result.status, kExitSuccess);
    EXPECT_EQ(result.out, "Here is the report. See page two.");
}

// body, document and read (before any window opens) end on a file they cannot open.
TEST_F(DocumentCommand, AFileThatCannotBeOpenedIsAOneLineInputError) {
    const std::string missing = (home_ / "missing.txt").string();
    const std::vector<std::vector<std::string>> cases = {{"body", missing},
                                                         {"document", missing},
                                                         {"document", home_.string()},  // a folder
                                                         {"read", missing},
                                                         {"read", "--message", missing}};
    for (const auto& arguments : cases) {
        const Result result = Run(arguments);
        EXPECT_EQ(result.status, kExitInputError) << arguments[0];
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_NE(result.err.find(arguments.back()), std::string::npos);
    }
}

}  // namespace
}  // namespace velora::commands
