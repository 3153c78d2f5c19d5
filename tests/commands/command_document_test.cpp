#include <gtest/gtest.h>

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

TEST_F(DocumentCommand, ReadsUtf8AndFallsBackToWindows1252) {
    EXPECT_EQ(Run({"document", WriteFile("utf8.txt",
                                         "\xef\xbb\xbf"
                                         "Caf\xc3\xa9 ok. Bye")})
                  .out,
              "Caf\xc3\xa9 ok. [S] Bye [S]\n");
    EXPECT_EQ(Run({"document", WriteFile("cp1252.txt", "Caf\xe9 \x93ok\x94. Bye")}).out,
              "Caf\xc3\xa9 \xe2\x80\x9cok\xe2\x80\x9d. [S] Bye [S]\n");
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

TEST_F(DocumentCommand, MissingFileIsAnInputError) {
    const Result result = Run({"document", (home_ / "missing.txt").string()});
    EXPECT_EQ(result.status, kExitInputError);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("missing.txt"), std::string::npos);
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1);               // one line
    EXPECT_EQ(Run({"document", home_.string()}).status, kExitInputError);  // a folder
}

}  // namespace
}  // namespace velora::commands
