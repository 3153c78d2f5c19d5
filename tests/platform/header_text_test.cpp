#include "platform/mime/header_text.h"

#include <gtest/gtest.h>

namespace velora::platform {
namespace {

struct HeaderTextCase {
    const char* value;
    HeaderSyntax syntax;
    const char* text;
};

TEST(HeaderText, DecodesEncodedWords) {
    constexpr auto kText = HeaderSyntax::Unstructured;
    constexpr auto kAddress = HeaderSyntax::AddressList;
    const HeaderTextCase cases[] = {
        {"=?utf-8?B?U2ltcGxlIHRleHQuIEhvdyBhcmUgeW91PyDQmtCw0Log0YLRiyDQv9C+0LY=?= "
         "=?utf-8?B?0LjQstCw0LXRiNGMPw==?=",
         kText, "Simple text. How are you? Как ты поживаешь?"},
        {"=?iso-8859-1?Q?J=FCrgen_?=\t=?utf-8?B?U2NobcO8cmdlbg==?=", kText, "Jürgen Schmürgen"},
        {"=?utf-8?B?S8M=?= =?UTF-8?B?pHNl?= =?utf-8?q?_=E2=82?= =?utf-8?Q?=AC?=", kText, "Käse €"},
        {"Die Fr\xF6sche =?utf-8*de?Q?=C3=A4?= (x)", kText, "Die Frösche ä (x)"},
        {"=?utf-8?Q?a=3?= =?utf-8?X?a?= =?utf-8?Q?no end", kText,
         "a=3 =?utf-8?X?a?= =?utf-8?Q?no end"},
        {"=?utf-8?Q?=FF?=", kText, "\xEF\xBF\xBD"},
        {"=?UTF-8?B?Rm9vLCBCYXI=?= <foo.bar@example.com>", kAddress,
         "\"Foo, Bar\" <foo.bar@example.com>"},
        {"\"=?utf-8?Q?a\"\\?=\" <=?x?Q?y?=@x> (=?utf-8?Q?(c)?=)", kAddress,
         "\"a\\\"\\\\\" <=?x?Q?y?=@x> (\\(c\\))"},
    };
    for (const HeaderTextCase& test : cases)
        EXPECT_EQ(DecodeHeaderText(test.value, test.syntax), test.text) << test.value;
}

}  // namespace
}  // namespace velora::platform
