// The body of a message: the plain body stream, the MIME source through the MIME component, the
// partial-body marker, and the reading text of the message files under tests/data/messages.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "content/fetch_body.h"
#include "content/message_file_text.h"
#include "content/message_reader.h"
#include "content/mime_decoding.h"
#include "fake_message.h"
#include "platform/base/text_codec.h"
#include "platform/maildir/plain_body.h"
#include "platform/mime/mime_component.h"

namespace velora::content {
namespace {

using namespace velora::platform;
using testing::FakeMessage;

constexpr std::u16string_view kMarker = u"\r\n... |";

std::string ReadMessageFile(const std::string& name) {
    std::ifstream file(std::string(VELORA_TEST_DATA_DIR) + "/messages/" + name, std::ios::binary);
    EXPECT_TRUE(file) << name;
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::string Utf8(std::u16string_view text) {
    return platform::EncodeUtf8(text);
}

TEST(ClassifyContentType, ComparesWholeValuesIgnoringCase) {
    EXPECT_EQ(ClassifyContentType("text/plain"), kContentPlainText);
    EXPECT_EQ(ClassifyContentType("text/html"), kContentHtml);
    EXPECT_EQ(ClassifyContentType("Application/MS-TNEF"), kContentTnef);
    EXPECT_EQ(ClassifyContentType("multipart/"), kContentOther);
    EXPECT_EQ(ClassifyContentType("text/plain; charset=utf-8"), kContentOther);
}

struct FileCase {
    const char* file;
    const char* text;  // UTF-8
};

// Each file was written for one rule of the body decoding.
TEST(ReadingTextOfMessageFile, TakesTheBodyAsAReceivedMessage) {
    const FileCase cases[] = {
        {"plain_quoted_printable.eml",
         "The caf\xC3\xA9 opens at nine. This line is soft wrapped in the source.\r\n"
         "Second paragraph = two.\r\n"},
        {"alternative_plain_and_html.eml", "Plain words win."},
        {"alternative_nested_twice.eml", "deep plain is not first"},
        // Cut off inside its only part: nothing on the first pass, the text through the retry.
        {"truncated_alternative.eml", "The first part arrived but the download stopped befo\r\n\r"},
        {"truncated_mixed_after_text.eml", "The text part is whole."},
        // No header block: read as one part, the text after the first "\n\n".
        {"broken_headers_lf.eml", "The body after the first empty line.\n"},
        {"tnef_only.eml", ""},
        // HTML only: turned into text.
        {"html_single_part.eml", "tCaf\xC3\xA9 <open> \xC2\xA9 2026\r\n"},
    };
    for (const FileCase& c : cases) {
        const platform::Bstr text = ReadingTextOfMessageFile(ReadMessageFile(c.file));
        EXPECT_EQ(Utf8(text.View()), c.text) << c.file;
    }
}

// The reader's MIME source and the store's plain body read a text part by one charset rule.
TEST(ReadingTextOfMessageFile, DecodesCharsetsAsThePlainBodyDoes) {
    const struct {
        const char* contentType;  // what follows "text/plain", then the body
        const char* text;
    } cases[] = {
        {"; charset=iso-8859-1\r\n\r\n\x80\x93\x9F", "\u20AC\u201C\u0178"},
        {"; charset=x-no-such-charset\r\n\r\ncaf\xE9", "caf\u00E9"},
        {"; charset=utf-8\r\n\r\nok \xFF", "ok \uFFFD"},
    };
    for (const auto& c : cases) {
        const std::string message = std::string("Content-Type: text/plain") + c.contentType;
        EXPECT_EQ(Utf8(ReadingTextOfMessageFile(message).View()), c.text) << c.contentType;
        EXPECT_EQ(Utf8(ExtractPlainBody(message).value_or(u"none")), c.text) << c.contentType;
    }
}

TEST(ReadingTextOfMessageFile, DeeplyNestedAlternativesStopAtTheLimit) {
    // `depth` alternatives around "bottom"; then, in the outermost one, a second part "after".
    // The same boundary at every level: each delimiter line belongs to the innermost.
    const auto nested = [](int depth, bool sameBoundary) {
        const auto boundary = [&](int i) { return "b" + std::to_string(sameBoundary ? 0 : i); };
        std::string message = "MIME-Version: 1.0\r\n";
        for (int i = 0; i < depth; ++i) {
            message += "Content-Type: multipart/alternative; boundary=" + boundary(i) +
                       "\r\n\r\n--" + boundary(i) + "\r\n";
        }
        message += "Content-Type: text/plain\r\n\r\nbottom\r\n";
        for (int i = depth - 1; i > 0; --i) message += "--" + boundary(i) + "--\r\n";
        return message + "--b0\r\nContent-Type: text/plain\r\n\r\nafter\r\n--b0--\r\n";
    };
    const struct {
        int depth;
        bool sameBoundary;
        std::u16string_view text;
    } cases[] = {{5, false, u"bottom"},
                 {kMaximumNestingDepth + 10, false, u"after"},
                 {platform::kMimeMaximumNesting + 10, false, u"after"},
                 {platform::kMimeMaximumNesting + 10, true, u"after"}};
    for (const auto& c : cases) {
        EXPECT_EQ(ReadingTextOfMessageFile(nested(c.depth, c.sameBoundary)).View(), c.text)
            << c.depth;
    }
}

// FetchBody on a message object: which stream is read and how.
class FetchBodyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        message.AddRef();  // the reader's reference
        reader.message.reset(&message);
        reader.partialBodyMarker = std::u16string(kMarker);
    }
    FakeMessage message;
    MessageReader reader;
};

TEST_F(FetchBodyTest, UnsentMessageIsReadFromThePlainBodyEvenWithTheMimeFlag) {
    message.SetPlainBody(u"draft text");
    message.SetMimeSource(ReadMessageFile("alternative_plain_and_html.eml"));
    reader.mimeFlag = 1;
    reader.messageFlags = MSGFLAG_UNSENT;
    EXPECT_EQ(FetchBody(reader), S_OK);
    EXPECT_EQ(message.opened, std::vector<ULONG>{PR_BODY_W});
    EXPECT_EQ(reader.bodyText.View(), u"draft text");
}

TEST_F(FetchBodyTest, MimeFlagOnAReceivedMessageReadsTheMimeSourceInChunks) {
    message.SetPlainBody(u"not this");
    message.SetMimeSource(ReadMessageFile("mixed_nested_alternative_attachment.eml"));
    reader.mimeFlag = 1;
    EXPECT_EQ(FetchBody(reader), S_OK);
    EXPECT_EQ(message.opened, std::vector<ULONG>{PR_CE_MIME_TEXT});
    ASSERT_FALSE(message.reads.empty());
    EXPECT_EQ(message.reads.front(), kMimeSourceChunkBytes);
    EXPECT_EQ(reader.bodyText.View(), u"Here is the report. See page two.");
    EXPECT_EQ(reader.htmlText.View(), u"<p>Here is the <b>report</b>.</p>");
}

TEST_F(FetchBodyTest, PlainBodyOfExactlyOneChunkTakesASecondEmptyRead) {
    const std::u16string text(kPlainBodyChunkBytes / 2, u'w');
    message.SetPlainBody(text);
    EXPECT_EQ(FetchBody(reader), S_OK);
    EXPECT_EQ(message.reads, (std::vector<ULONG>{kPlainBodyChunkBytes, kPlainBodyChunkBytes}));
    EXPECT_EQ(reader.bodyText.View(), text);
}

// Either download bit marks a partial body; the plain body loses its last two units (CR LF).
TEST_F(FetchBodyTest, PartlyDownloadedPlainBodiesEndWithTheMarker) {
    message.SetPlainBody(u"Hello there\r\n");
    reader.messageStatus = 0x00010000;
    EXPECT_EQ(FetchBody(reader), S_OK);
    EXPECT_EQ(reader.bodyText.View(), u"Hello there" + std::u16string(kMarker));
    message.SetPlainBody(u"");
    reader.messageStatus = 0x00100000;
    EXPECT_EQ(FetchBody(reader), S_OK);
    EXPECT_EQ(reader.bodyText.View(), kMarker);
}

TEST_F(FetchBodyTest, PartlyDownloadedMimeTextEndsWithTheMarker) {
    message.SetMimeSource(ReadMessageFile("truncated_mixed_after_text.eml"));
    reader.mimeFlag = 1;
    reader.messageStatus = 0x00010000;
    EXPECT_EQ(FetchBody(reader), S_OK);
    EXPECT_EQ(reader.bodyText.View(), u"The text part is whole." + std::u16string(kMarker));
}

TEST_F(FetchBodyTest, MissingPropertyLeavesTheBodyNull) {
    EXPECT_LT(FetchBody(reader), 0);
    EXPECT_TRUE(reader.bodyText.IsNull());
    reader.mimeFlag = 1;
    EXPECT_LT(FetchBody(reader), 0);
    EXPECT_TRUE(reader.bodyText.IsNull());
}

TEST_F(FetchBodyTest, EmptyMimeSourceGivesAnEmptyBody) {
    message.SetMimeSource("");
    reader.mimeFlag = 1;
    EXPECT_EQ(FetchBody(reader), S_OK);
    EXPECT_FALSE(reader.bodyText.IsNull());
    EXPECT_EQ(reader.bodyText.Length(), 0u);
}

}  // namespace
}  // namespace velora::content
