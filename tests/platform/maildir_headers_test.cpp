#include <gtest/gtest.h>

#include <string>

#include "platform/base/file_time.h"
#include "platform/maildir/headers.h"

namespace velora::platform {
namespace {

struct AttachmentCase {
    const char* contentType;  // the message's Content-Type header value
    const char* body;
    bool hasAttachment;
};

// The plain "type/subtype" reading and the full parser must agree on what counts as an
// attachment, whatever the case, spacing, folding or parameters.
TEST(MaildirHeadersTest, AttachmentFromContentType) {
    const AttachmentCase cases[] = {
        {"text/plain; charset=utf-8", "hi\n", false},
        {"IMAGE/PNG", "x\n", true},
        {"application/pdf;\n name=x", "x\n", true},
        {"application/pgp-signature", "x\n", false},
        {"Message/RFC822", "Subject: inner\n\nx\n", true},
        {"MULTIPART/Mixed; boundary=b",
         "--b\nContent-Type: text/plain\n\nhi\n--b\nContent-Type: IMAGE/jpeg\n\nx\n--b--\n", true},
        {"multipart/mixed; boundary=o",
         "--o\nContent-Type: multipart/related; boundary=i\n\n--i\nContent-Type: "
         "text/html\n\nx\n--i\n"
         "Content-Type: image/gif\n\nx\n--i--\n--o--\n",
         true},
        {"multipart/signed; boundary=s",
         "--s\nContent-Type: text/plain\n\nhi\n--s\nContent-Type: application/pgp-signature\n"
         "Content-Disposition: attachment; filename=signature.asc\n\nx\n--s--\n",
         false},
        {"application/pkcs7-signature\nContent-Disposition: attachment; filename=smime.p7s", "x\n",
         false},
        // An attachment disposition wins over a plain type.
        {"text/plain\nContent-Disposition: ATTACHMENT; filename=notes.txt", "hi\n", true},
    };
    for (const AttachmentCase& test : cases) {
        const std::string message =
            std::string("Subject: s\nContent-Type: ") + test.contentType + "\n\n" + test.body;
        EXPECT_EQ(ReadMessageHeaderInfo(message).hasAttachment, test.hasAttachment)
            << test.contentType;
    }
}

// The delivery time is the date of the first (topmost) Received header, else the Date header's;
// 0 without either (the store then takes the file's time). Times are FILETIME ticks.
TEST(MaildirHeadersTest, DeliveryTimeFromTheFirstReceivedThenTheDate) {
    const std::pair<const char*, std::int64_t> cases[] = {
        {"Date: Mon, 1 Jan 2024 10:00:00 +0000\nReceived: from a by b;\n Tue, 2 Jan 2024 12:30:00 "
         "+0100\nReceived: from c by d; Fri, 5 Jan 2024 00:00:00 +0000\n",
         1704195000},
        {"Date: Sat, 6 Jan 2024 00:00:00 -0200\n", 1704506400},
        {"Subject: undated\n", -kFileTimeUnixEpochSeconds},
    };
    for (const auto& [headers, unixSeconds] : cases) {
        const std::uint64_t ticks =
            ReadMessageHeaderInfo(std::string(headers) + "\nbody\n").deliveryTime;
        EXPECT_EQ(
            static_cast<std::int64_t>(ticks / kFileTimeTicksPerSecond) - kFileTimeUnixEpochSeconds,
            unixSeconds)
            << headers;
    }
}

}  // namespace
}  // namespace velora::platform
