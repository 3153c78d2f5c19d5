#include "reader/find.h"

#include <gtest/gtest.h>

#include <string>

namespace velora::reader {
namespace {

// A reading document: tokens separated by one space, U+007F after each sentence.
const std::u16string kCatSat = u"the cat sat \u007f ";

FindState Options(std::u16string text, bool fromTop, bool beginsWith, bool matchCase) {
    FindState state;
    SetFindText(state, text);
    state.findFromTop = fromTop;
    state.findBeginsWith = beginsWith;
    state.findMatchCase = matchCase;
    return state;
}

struct SearchCase {
    const char* name;
    std::u16string document;
    std::u16string text;
    bool beginsWith;
    bool matchCase;
    long expected;  // index of the match, -1 none
};

TEST(SearchText, FollowsTheOptions) {
    const SearchCase cases[] = {
        {"upper case pattern found inside a word", kCatSat, u"AT", false, false, 5},
        {"match case refuses other case", kCatSat, u"AT", false, true, -1},
        {"overlapping start", u"aab", u"ab", false, false, 1},
        {"begins with finds the word", kCatSat, u"sat", true, false, 8},
        {"begins with refuses the inside of a word", kCatSat, u"at", true, false, -1},
        {"begins with cannot find the first word", kCatSat, u"the", true, false, -1},
        {"non-ASCII folds case", u"der \u00c4rger \u007f ", u"\u00e4rger", false, false, 4},
        {"empty find text finds nothing", kCatSat, u"", false, false, -1},
    };
    for (const SearchCase& c : cases) {
        const FindState state = Options(c.text, false, c.beginsWith, c.matchCase);
        const char16_t* found = SearchText(c.document, 0, state);
        const long index = found == nullptr ? -1 : static_cast<long>(found - c.document.data());
        EXPECT_EQ(index, c.expected) << c.name;
    }
}

TEST(SearchText, StartAtOrPastTheEndFindsNothing) {
    const FindState state = Options(u"a", false, false, false);
    EXPECT_EQ(SearchText(u"a", 1, state), nullptr);
    EXPECT_EQ(SearchText(u"a", 5, state), nullptr);
}

TEST(FindInDocument, StartsOneCharacterAfterTheCursorOrAtTheTopForOneSearch) {
    FindState state = Options(u"c", false, false, false);
    // Cursor 3 is the space before "cat": the search starts at 4, the "c" itself; cursor 4 (on
    // the "c") starts at 5 and misses it.
    EXPECT_EQ(FindInDocument(kCatSat, 3, state), 4u);
    EXPECT_EQ(FindInDocument(kCatSat, 4, state), std::nullopt);
    EXPECT_EQ(FindInDocument(kCatSat, kCatSat.size(), state), std::nullopt);
    // Start at Top finds index 0 wherever the cursor is, once.
    state = Options(u"the", true, false, false);
    const std::u16string document = u"the cat the end \u007f ";
    EXPECT_EQ(FindInDocument(document, 8, state), 0u);
    EXPECT_EQ(FindInDocument(document, 4, state), 8u);
    // With no document it finds nothing, and the option is still spent.
    state.findFromTop = true;
    EXPECT_EQ(FindInDocument(std::u16string_view(), 0, state), std::nullopt);
    EXPECT_FALSE(state.findFromTop);
}

TEST(SetFindText, KeepsAtMostTheBufferCapacity) {
    FindState state;
    SetFindText(state, std::u16string(400, u'x'));
    EXPECT_EQ(state.findText.size(), kFindTextCapacity);
}

}  // namespace
}  // namespace velora::reader
