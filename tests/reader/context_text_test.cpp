#include "reader/context_text.h"

#include <gtest/gtest.h>

#include <string>

namespace velora::reader {
namespace {

// Marks written readably: '#' sentence end, '|' line break, '~' paragraph.
std::u16string Doc(std::u16string text) {
    for (char16_t& c : text) {
        if (c == u'#') c = u'\u007f';
        if (c == u'|') c = u'\u008f';
        if (c == u'~') c = u'\u0090';
    }
    return text;
}

TEST(BuildContextText, FollowsTheMarksAndPlacesTheBullet) {
    // Sentence marks drop, breaks become carriage returns.
    EXPECT_EQ(BuildContextText(Doc(u"One two. # ~ Three | four. # "), 0, 0, ContextBullet::Without),
              u"One two.  \r\rThree \rfour.  ");
    // A start inside a word skips to the next space; a start past the end gives nothing.
    EXPECT_EQ(BuildContextText(Doc(u"Alpha beta gamma. # "), 2, 99, ContextBullet::Without),
              u" beta gamma.  ");
    EXPECT_EQ(BuildContextText(Doc(u"A. # "), 8, 0, ContextBullet::With), u"");
    // The bullet goes before the marked word, takes the place of a sentence mark (stopped on the
    // sentence-end frame: markedWord is the mark itself) and sits after a paragraph mark.
    EXPECT_EQ(BuildContextText(Doc(u"Alpha beta gamma. # "), 0, 6, ContextBullet::With),
              u"Alpha \u2022beta gamma.  ");
    EXPECT_EQ(BuildContextText(Doc(u"Alpha. # Beta. # "), 0, 7, ContextBullet::With),
              u"Alpha. \u2022 Beta.  ");
    EXPECT_EQ(BuildContextText(Doc(u"Alpha. # ~ Beta. # "), 0, 11, ContextBullet::With),
              u"Alpha.  \r\r\u2022Beta.  ");
}

TEST(BuildContextText, StopsAt250CharactersAndCutsAReplacementThatDoesNotFit) {
    std::u16string doc(249, u'x');
    doc += Doc(u" ~ tail");
    // 249 x's, a space makes 250: the paragraph mark is not reached.
    EXPECT_EQ(BuildContextText(doc, 0, 0, ContextBullet::Without).size(), 250u);

    std::u16string doc2(249, u'x');
    doc2 += Doc(u"~ tail");
    EXPECT_EQ(BuildContextText(doc2, 0, 0, ContextBullet::Without).back(), u'\r');

    std::u16string doc3(249, u'x');
    doc3 += u"yz";
    const std::u16string bulleted = BuildContextText(doc3, 0, 249, ContextBullet::With);
    ASSERT_EQ(bulleted.size(), 250u);
    EXPECT_EQ(bulleted.back(), u'\u2022');
}

}  // namespace
}  // namespace velora::reader
