#include "content/html_to_text.h"

#include <gtest/gtest.h>

#include <string>

namespace velora::content {
namespace {

std::u16string Convert(std::u16string_view html) {
    const std::optional<std::u16string> text = HtmlToText(html);
    EXPECT_TRUE(text.has_value());
    return text.value_or(u"<failed>");
}

struct Case {
    const char* label;
    std::u16string_view html;
    std::u16string_view text;
};

TEST(HtmlToText, TagsAndEntities) {
    const Case cases[] = {
        {"empty", u"", u""},
        {"amp", u"a &amp; b", u"a & b"},
        {"case ignored", u"&AMP;&Quot;&lT;&Gt;", u"&\"<>"},
        {"exact case wins", u"&eacute;&Eacute;", u"\u00e9\u00c9"},
        {"neither case: capital", u"&EACUTE;&aGRAVE;&eth;&ETH;&Eth;",
         u"\u00c9\u00c0\u00f0\u00d0\u00d0"},
        {"pair of two capitals", u"&AElig;&aelig;&AELIG;&thorn;&THORN;",
         u"\u00c6\u00e6\u00c6\u00fe\u00de"},
        {"not a pair", u"&SZLIG;&YUML;&Times;&DIVIDE;", u"\u00df\u00ff\u00d7\u00f7"},
        {"not in the table", u"&#xE9;&#0233;&euro;&#8364;&#39;&#128;&apos;",
         u"&#xE9;&#0233;&euro;&#8364;&#39;&#128;&apos;"},
        {"missing semicolon", u"&amp x", u"&amp x"},
        {"tab does not stop", u"&amp\t;x", u"&amp\t;x"},
        {"failed candidate rescanned", u"&x&amp;", u"&x&"},
        {"tag", u"Hello<br>World", u"HelloWorld"},
        {"stray less-than", u"a < b and c > d", u"a  d"},
        {"decoded lt is no tag", u"&lt;b&gt;", u"<b>"},
        {"ends at a NUL", std::u16string_view(u"ab\0<c>", 6), u"ab"},
    };
    for (const Case& c : cases) EXPECT_EQ(Convert(c.html), c.text) << c.label;
}

TEST(HtmlToText, CandidateHoldsAtMost255Characters) {
    // A 255-character candidate is looked up (and fails) before its semicolon is reached; the
    // text after the ampersand is then read on as ordinary text.
    const std::u16string name(253, u'a');
    const std::u16string tooLong = u"&" + name + u"x;";
    EXPECT_EQ(Convert(tooLong), tooLong);
    // A candidate that turns into a tag once rescanned loses the tag.
    const std::u16string withTag = u"&" + std::u16string(300, u'b') + u"<i>";
    EXPECT_EQ(Convert(withTag), u"&" + std::u16string(300, u'b'));
}

TEST(EntityCode, TableLookups) {
    EXPECT_EQ(EntityCode(u"&quot;"), 34);
    EXPECT_EQ(EntityCode(u"&YACUTE;"), 0xDD);
    EXPECT_EQ(EntityCode(u"&#159;"), 0);
    EXPECT_EQ(EntityCode(u"&#65;"), 0) << "only the table's numbers";
    EXPECT_EQ(EntityCode(u"&amp;x"), 0);
    // Only ASCII letters fold: a Kelvin sign is no k, a dotless i is no i.
    EXPECT_EQ(EntityCode(u"&\u0131excl;"), 0);
}

}  // namespace
}  // namespace velora::content
