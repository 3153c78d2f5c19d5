// The MIME component over GMime: parts, content types, decoded content and header lines as the
// body code relies on them.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/text_codec.h"
#include "platform/mime/mime_component.h"

namespace velora::platform {
namespace {

class Component {
  public:
    explicit Component(std::string_view message) : handle_(MIME_Create(&Count, this, nullptr)) {
        Set(message);
    }
    ~Component() { MIME_Destroy(handle_); }
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    int SetNested(const Component& from, int part) {
        return MIME_Set(handle_, kMimeNestedPart, part, from.handle_, 0);
    }
    void Set(std::string_view message) {
        EXPECT_EQ(
            MIME_Set(handle_, kMimeMessage, 0, message.data(), static_cast<int>(message.size())),
            0);
    }
    int Decode() { return MIME_Do(handle_, kMimeDecode, 0, nullptr, nullptr); }
    std::string Text(int property, int index = 0) {
        int length = -1;
        auto* value = static_cast<const char*>(MIME_Get(handle_, property, index, &length));
        if (value == nullptr) return "<null>";
        EXPECT_EQ(value[length], '\0');
        return std::string(value, static_cast<std::size_t>(length));
    }
    void* Get(int property, int index = 0) { return MIME_Get(handle_, property, index, nullptr); }
    int Parts() {
        return static_cast<int>(
            reinterpret_cast<std::uintptr_t>(MIME_Get(handle_, kMimePartCount, 0, nullptr)));
    }
    int progressEvents = 0;
    int lastPercent = -1;

  private:
    static int Count(MIMEHANDLE, void* context, int eventId, int, void* params[], int[]) {
        auto* self = static_cast<Component*>(context);
        if (eventId == kMimeEventProgress) {
            ++self->progressEvents;
            self->lastPercent = static_cast<int>(reinterpret_cast<std::intptr_t>(params[0]));
        }
        return 0;
    }
    MIMEHANDLE handle_;
};

constexpr std::string_view kAlternative =
    "From: a@example.org\r\n"
    "Content-Type: Multipart/Alternative; boundary=\"XYZ\"\r\n"
    "\r\n"
    "preamble\r\n"
    "--XYZ\r\n"
    "Content-Type: text/plain; charset=iso-8859-1\r\n"
    "Content-Transfer-Encoding: quoted-printable\r\n"
    "\r\n"
    "Caf=E9 =80 soon=\r\n"
    " now\r\n"
    "--XYZ\r\n"
    "Content-Type: text/html\r\n"
    "\r\n"
    "<p>Hi</p>\r\n"
    "--XYZ--\r\n";

TEST(MimeComponent, MultipartGivesItsChildrenWithTypesAndDecodedText) {
    Component mime(kAlternative);
    EXPECT_EQ(mime.Decode(), 0);
    EXPECT_EQ(mime.Text(kMimeBoundary), "XYZ");
    EXPECT_EQ(mime.Text(kMimeContentType), "multipart/alternative");
    ASSERT_EQ(mime.Parts(), 2);
    EXPECT_EQ(mime.Text(kMimePartContentType, 0), "text/plain");
    EXPECT_EQ(mime.Text(kMimePartDecodedContent, 0), "Caf\xC3\xA9 \xE2\x82\xAC soon now");
    EXPECT_EQ(mime.Text(kMimePartContentType, 1), "text/html");
    EXPECT_EQ(mime.Text(kMimePartDecodedContent, 1), "<p>Hi</p>");
    EXPECT_EQ(mime.lastPercent, 100);
}

// A message that is not multipart is its own part 0; a missing or invalid type reads as plain
// text, and blank lines before the headers are skipped.
TEST(MimeComponent, SinglePartMessageIsItsOwnPartZero) {
    const std::string_view cases[][3] = {
        {"Subject: b64\r\nContent-Type: text/plain; charset=utf-8\r\n"
         "Content-Transfer-Encoding: base64\r\n\r\nSGVsbG8sIHfDtnJsZCE=\r\n",
         "text/plain", "Hello, w\xC3\xB6rld!"},
        {"Subject: x\n\nbody\n", "text/plain", "body\n"},
        {"Content-Type: text/\n\nbody\n", "text/plain", "body\n"},
        {"   \n\t\r\nSubject: x\r\nContent-Type: text/html\r\n\r\n<p>x</p>", "text/html",
         "<p>x</p>"},
    };
    for (const auto& [message, type, content] : cases) {
        Component mime(message);
        ASSERT_EQ(mime.Decode(), 0);
        EXPECT_EQ(mime.Text(kMimeBoundary), "");
        ASSERT_EQ(mime.Parts(), 1);
        EXPECT_EQ(mime.Text(kMimePartContentType, 0), type) << message;
        EXPECT_EQ(mime.Text(kMimePartDecodedContent, 0), content) << message;
    }
}

TEST(MimeComponent, UnclosedMultipartDropsItsCutOffLastSegment) {
    const std::string start =
        "Content-Type: multipart/mixed; boundary=b1\r\n\r\n"
        "--b1\r\nContent-Type: text/plain\r\n\r\nfirst\r\n"
        "--b1\r\nContent-Type: application/pdf\r\n\r\nJVBERi0x";
    {
        Component mime(start);
        EXPECT_EQ(mime.Decode(), 0);
        EXPECT_EQ(mime.Parts(), 1);
    }
    {
        Component mime(start + "\r\n--b1--\r\n");
        EXPECT_EQ(mime.Decode(), 0);
        EXPECT_EQ(mime.Parts(), 2);
    }
}

TEST(MimeComponent, NestedMultipartContentAndHeadersFormAMessageAgain) {
    const std::string message =
        "Content-Type: multipart/mixed; boundary=outer\r\n\r\n"
        "--outer\r\nContent-Type: multipart/alternative; boundary=inner\r\n\r\n"
        "--inner\r\nContent-Type: text/plain\r\n\r\nplain words\r\n"
        "--inner\r\nContent-Type: text/html\r\n\r\n<b>html</b>\r\n--inner--\r\n"
        "--outer--\r\n";
    Component mime(message);
    ASSERT_EQ(mime.Decode(), 0);
    ASSERT_EQ(mime.Parts(), 1);
    EXPECT_EQ(mime.Text(kMimePartContentType, 0), "multipart/alternative");
    const std::string headers = mime.Text(kMimePartHeaders, 0);
    EXPECT_TRUE(headers.ends_with("\r\n\r\n")) << headers;
    EXPECT_NE(headers.find("boundary=inner"), std::string::npos) << headers;

    // Taken from the parse without parsing again: the inner parts.
    Component nested("");
    ASSERT_EQ(nested.SetNested(mime, 0), 0);
    EXPECT_NE(nested.SetNested(mime, 1), 0);
    ASSERT_EQ(nested.Decode(), 0);
    ASSERT_EQ(nested.Parts(), 2);
    EXPECT_EQ(nested.Text(kMimePartDecodedContent, 1), "<b>html</b>");
}

TEST(MimeComponent, PartCountIsCapped) {
    std::string message = "Content-Type: multipart/mixed; boundary=z\r\n\r\n";
    for (int i = 0; i < kMimeMaximumParts + 20; ++i) message += "--z\r\n\r\nx\r\n";
    message += "--z--\r\n";
    Component mime(message);
    ASSERT_EQ(mime.Decode(), 0);
    EXPECT_EQ(mime.Parts(), kMimeMaximumParts);
}

TEST(MimeComponent, RejectsWhatItCannotDo) {
    Component mime("Subject: x\r\n\r\nbody");
    EXPECT_NE(MIME_Set(nullptr, kMimeMessage, 0, "", 0), 0);
    EXPECT_NE(mime.Decode(), 1);
    EXPECT_EQ(mime.Text(kMimePartDecodedContent, -1), "<null>");
    mime.Set("");  // nothing to read: no crash
    mime.Decode();
    EXPECT_GE(mime.Parts(), 0);
}

struct CharsetCase {
    std::string_view bytes;
    std::string_view charset;
    std::string_view utf8;
};

TEST(DecodedTextToUtf8, ConvertsAndRepairs) {
    const CharsetCase cases[] = {
        {"caf\xC3\xA9", "", "caf\xC3\xA9"},                    // undeclared UTF-8 stays
        {"caf\xC3\xA9", "ISO-8859-1", "caf\xC3\x83\xC2\xA9"},  // declared Latin-1 wins
        {"\x82\xA0", "shift_jis", "\xE3\x81\x82"},
        {"a\x82", "shift_jis", "a\xEF\xBF\xBD"},  // cut-off sequence
    };
    for (const CharsetCase& c : cases) {
        const std::string out = DecodedTextToUtf8(c.bytes, c.charset);
        EXPECT_EQ(out, c.utf8) << c.charset << ": " << c.bytes;
    }
}

}  // namespace
}  // namespace velora::platform
