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

TEST(BuildContextText, DropsSentenceMarksAndTurnsBreaksIntoCarriageReturns) {
    const std::u16string doc = Doc(u"One two. # ~ Three | four. # ");
    EXPECT_EQ(BuildContextText(doc, 0, 0, ContextBullet::Without),
              u"One two.  \r\rThree \rfour.  ");
}

TEST(BuildContextText, StartInsideAWordSkipsToTheNextSpaceButTheFirstCharacterIsKept) {
    const std::u16string doc = Doc(u"Alpha beta gamma. # ");
    EXPECT_EQ(BuildContextText(doc, 0, 99, ContextBullet::Without), u"Alpha beta gamma.  ");
    EXPECT_EQ(BuildContextText(doc, 2, 99, ContextBullet::Without), u" beta gamma.  ");
    EXPECT_EQ(BuildContextText(doc, 5, 99, ContextBullet::Without), u" beta gamma.  ");
}

TEST(BuildContextText, BulletGoesBeforeTheMarkedWord) {
    const std::u16string doc = Doc(u"Alpha beta gamma. # ");
    EXPECT_EQ(BuildContextText(doc, 0, 6, ContextBullet::With), u"Alpha \u2022beta gamma.  ");
    EXPECT_EQ(BuildContextText(doc, 0, 6, ContextBullet::Without), u"Alpha beta gamma.  ");
}

TEST(BuildContextText, BulletTakesTheSentenceMarksPlace) {
    const std::u16string doc = Doc(u"Alpha. # Beta. # ");
    // Stopped on the sentence-end frame: markedWord is the mark itself.
    EXPECT_EQ(BuildContextText(doc, 0, 7, ContextBullet::With), u"Alpha. \u2022 Beta.  ");
}

TEST(BuildContextText, BulletAfterAParagraphMarkSitsBeforeTheWord) {
    const std::u16string doc = Doc(u"Alpha. # ~ Beta. # ");
    EXPECT_EQ(BuildContextText(doc, 0, 11, ContextBullet::With), u"Alpha.  \r\r\u2022Beta.  ");
}

TEST(BuildContextText, StopsAt250CharactersAndCutsAReplacementThatDoesNotFit) {
    std::u16string doc(249, u'x');
    doc += Doc(u" ~ tail");
    // 249 x's, a space makes 250: the paragraph mark is not reached.
    EXPECT_EQ(BuildContextText(doc, 0, 0, ContextBullet::Without).size(), 250u);

    std::u16string doc2(249, u'x');
    doc2 += Doc(u"~ tail");
    const std::u16string cut = BuildContextText(doc2, 0, 0, ContextBullet::Without);
    ASSERT_EQ(cut.size(), 250u);
    EXPECT_EQ(cut.back(), u'\r');

    std::u16string doc3(249, u'x');
    doc3 += u"yz";
    const std::u16string bulleted = BuildContextText(doc3, 0, 249, ContextBullet::With);
    ASSERT_EQ(bulleted.size(), 250u);
    EXPECT_EQ(bulleted.back(), u'\u2022');
}

TEST(BuildContextText, StartAtOrPastTheEndGivesNothing) {
    const std::u16string doc = Doc(u"A. # ");
    EXPECT_EQ(BuildContextText(doc, doc.size(), 0, ContextBullet::With), u"");
    EXPECT_EQ(BuildContextText(doc, doc.size() + 3, 0, ContextBullet::With), u"");
    EXPECT_EQ(BuildContextText(u"", 0, 0, ContextBullet::With), u"");
}

TEST(ContextTextStart, FortyCharactersBeforeTheCursorOrTheDocumentStart) {
    EXPECT_EQ(ContextTextStart(0), 0u);
    EXPECT_EQ(ContextTextStart(10), 0u);
    EXPECT_EQ(ContextTextStart(39), 0u);
    EXPECT_EQ(ContextTextStart(40), 0u);
    EXPECT_EQ(ContextTextStart(41), 1u);
    EXPECT_EQ(ContextTextStart(100), 60u);
}

}  // namespace
}  // namespace velora::reader
