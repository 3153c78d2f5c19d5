#include "reader/player.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/base/text_codec.h"
#include "reader/frame_sequence.h"
#include "reader/reading_document.h"
#include "services/settings.h"

namespace velora::reader {
namespace {

// Builds a reading document from a readable form: [S], [L] and [P] stand for the marks.
std::u16string Document(std::string readable) {
    const std::pair<const char*, const char*> marks[] = {
        {"[S]", "\x7f"}, {"[L]", "\xc2\x8f"}, {"[P]", "\xc2\x90"}};
    for (const auto& [from, to] : marks) {
        for (std::size_t at = readable.find(from); at != std::string::npos;
             at = readable.find(from, at)) {
            readable.replace(at, 3, to);
        }
    }
    return platform::DecodeUtf8(readable);
}

std::string Utf8(std::u16string_view text) {
    return platform::EncodeUtf8(text);
}

// First-run settings: SpeedSet 210, Len 18, Punct1 200, Punct2 100, Num 165, Speed Boost off.
services::ReadingSettings DefaultSettings() {
    services::ReadingSettings settings;
    settings.SpeedSet = 210;
    settings.Tintline = 1;
    services::SetSpeedBoostFactors(settings);
    services::RecomputeSpeedTimes(settings);
    return settings;
}

Player Loaded(const std::string& readable) {
    Player player;
    InstallDocument(player, Document(readable));
    return player;
}

// A frame as shown: its time on screen, the Tintline's red and green, and its text.
using Shown = std::tuple<std::int32_t, std::int32_t, std::int32_t, std::string>;

std::vector<Shown> Play(Player& player, services::ReadingSettings& settings) {
    std::vector<Shown> frames;
    PlayLoadedDocument(player, settings, [&frames](const ShownFrame& frame) {
        frames.push_back({frame.onScreen, frame.tintRed, frame.tintGreen, Utf8(frame.text)});
    });
    return frames;
}

// Every test starts from the first-run settings.
class PlayerTest : public ::testing::Test {
  protected:
    services::ReadingSettings settings{DefaultSettings()};
};

struct TimingCase {
    const char* document;
    std::int32_t onScreen;
    std::int32_t length;
};

TEST_F(PlayerTest, ScanTokenTimesEachKindOfWord) {
    const TimingCase cases[] = {
        {"Hello, x [S]", 18 * 5 + 100 + 183, 6},
        {"12 x [S]", 18 * 2 + 183 + 165, 2},
        {"3.5 x [S]", 18 * 1 + 200 + 183 + 165, 3},
        {"etc., x [S]", 18 * 4 + 100 + 183, 5},  // the comma's time replaces the period's
        {"U.S. x [S]", 18 * 3 + 200 + 183, 4},   // the last period sets the time
        {"[S] x [S]", 183, 0},                   // a sentence-end frame costs wordBase alone
        {"[P] Next word [S]", 18 * 4 + 183, 4},  // a paragraph or line mark before a word is
        {"[L] Next word [S]", 18 * 4 + 183, 4},  // skipped
    };
    for (const TimingCase& c : cases) {
        Player player = Loaded(c.document);
        EXPECT_EQ(ScanToken(player, settings), c.length) << c.document;
        EXPECT_EQ(settings.CurWordDelay, c.onScreen) << c.document;
    }
}

TEST_F(PlayerTest, ScanTokenNumberTimeIsNotCarriedToTheNextWord) {
    Player player = Loaded("12 apples [S]");
    player.wordLength = ScanToken(player, settings);
    AdvancePastFrame(player);
    EXPECT_EQ(ScanToken(player, settings), 6);
    EXPECT_EQ(settings.CurWordDelay, 18 * 6 + 183);
}

TEST_F(PlayerTest, TintlineRunsFromGreenTowardsRedWithinASentence) {
    // The sentence "A b c." is counted from the space after the previous sentence-end mark:
    // four spaces, so the step is 255 / 4 = 63.
    Player player = Loaded("Go. [S] A b c. [S] Z [S]");
    const std::vector<Shown> frames = Play(player, settings);
    const std::vector<Shown> expected = {
        {18 * 2 + 200 + 183, 0, 255, "Go."},
        // The first sentence is counted from the document's start, with no space before it:
        // one space, so the step is 255 and its sentence-end frame is pure red.
        {183, 255, 0, ""},
        {18 * 1 + 183, 0, 255, "A"},
        {18 * 1 + 183, 63, 192, "b"},
        {18 * 1 + 200 + 183, 126, 129, "c."},
        {183, 189, 66, ""},
        // The last sentence-end frame stands on the final mark: the word area shows "The End."
        // for it, so the listing stops after "Z".
        {18 * 1 + 183, 0, 255, "Z"},
    };
    EXPECT_EQ(frames, expected);
}

TEST_F(PlayerTest, TintlineEmptyAndUnmarkedDocuments) {
    Player empty = Loaded("");
    EXPECT_TRUE(Play(empty, settings).empty());
    // A text too short to be marked shows one empty frame, then "The End.".
    Player shortText = Loaded("Hi");
    const std::vector<Shown> expected = {{0, 0, 0, ""}};
    EXPECT_EQ(Play(shortText, settings), expected);
}

TEST_F(PlayerTest, SpeedSampleCountsFiveCharactersAWordAndFourSamplesAMinute) {
    Player player = Loaded("Some words to read here and there. [S]");
    player.wpmMark = 3;
    player.cursor = 30;
    SampleSpeed(player);
    EXPECT_EQ(player.wpm, (27 / 5) * 4);
    EXPECT_EQ(player.wpmMark, 30u);
}

// Five sentences; the play cycle is run until the cursor is inside the fifth.
constexpr const char* kFiveSentences =
    "One a. [S] Two b. [S] Three c. [S] Four d d. [S] Five e e e. [S]";

std::string WordAtCursor(const Player& player) {
    const std::size_t end = player.document.find(u' ', player.cursor);
    return Utf8(std::u16string_view(player.document).substr(player.cursor, end - player.cursor));
}

// The window's Up key: SentenceBack, recount, prepare with the colour reset.
void PressUp(Player& player, services::ReadingSettings& settings) {
    player.atEnd = false;
    SentenceBack(player);
    CountSentenceSpaces(player);
    PrepareNextFrame(player, settings, TintStart::Reset);
    UpdatePosition(player);
}

void PressDown(Player& player, services::ReadingSettings& settings) {
    SentenceForward(player);
    CountSentenceSpaces(player);
    PrepareNextFrame(player, settings, TintStart::Reset);
    UpdatePosition(player);
}

// Plays from the load until the frame showing `word` was shown (the paint moved past it).
void PlayUntilShown(Player& player, services::ReadingSettings& settings, const std::string& word) {
    JumpToPosition(player, settings, 0);
    player.pastSentenceStart = false;  // play start
    for (;;) {
        std::u16string_view text;
        ASSERT_TRUE(FrameText(player, text));
        AdvancePastFrame(player);
        if (Utf8(text) == word) return;
        ASSERT_TRUE(PrepareNextFrame(player, settings, TintStart::Continue));
    }
}

TEST_F(PlayerTest, SentenceBackFirstUpGoesToTheSentenceStartThenOneSentenceEach) {
    Player player = Loaded(kFiveSentences);
    PlayUntilShown(player, settings, "e");
    PressUp(player, settings);
    EXPECT_EQ(WordAtCursor(player), "Five");
    AdvancePastFrame(player);
    PressUp(player, settings);
    EXPECT_EQ(WordAtCursor(player), "Four");
    for (int i = 0; i < 3; ++i) {
        AdvancePastFrame(player);
        PressUp(player, settings);
    }
    AdvancePastFrame(player);
    PressUp(player, settings);  // Up in the first sentence stays at the document's start
    EXPECT_EQ(player.cursor, 0u);
    EXPECT_EQ(player.sentenceSpaces, 2);  // "One a. " counted to the first mark
}

TEST_F(PlayerTest, SentenceForwardMovesToTheNextSentenceAndRestsOnTheFinalMark) {
    Player player = Loaded(kFiveSentences);
    JumpToPosition(player, settings, 0);
    for (int i = 0; i < 4; ++i) PressDown(player, settings);
    EXPECT_EQ(WordAtCursor(player), "Five");
    // Down at the last sentence: the cursor rests on the final mark and an empty frame shows.
    PressDown(player, settings);
    EXPECT_EQ(player.cursor, player.document.size() - 1);
    std::u16string_view text;
    ASSERT_TRUE(FrameText(player, text));
    EXPECT_TRUE(text.empty());
    AdvancePastFrame(player);
    // The next Play reaches "The End."; one Up from there goes back to the last sentence.
    EXPECT_FALSE(PrepareNextFrame(player, settings, TintStart::Continue));
    PressUp(player, settings);
    EXPECT_EQ(WordAtCursor(player), "Five");
}

TEST_F(PlayerTest, JumpToPositionResumesAtTheCharacterGivenAndSkipsAMarkUnderIt) {
    Player player = Loaded(kFiveSentences);
    const std::size_t insideTwo = player.document.find(u"Two") + 1;
    JumpToPosition(player, settings, insideTwo);
    EXPECT_EQ(player.wordLength, 2);  // "wo"
    const std::size_t mark = player.document.find(kSentenceEndMark);
    JumpToPosition(player, settings, mark);
    EXPECT_EQ(WordAtCursor(player), "Two");
    JumpToPosition(player, settings, 100000);  // past the end: the last sentence is current
    EXPECT_EQ(WordAtCursor(player), "Five");
}

TEST_F(PlayerTest, UpdatePositionIsATruncatedPercentage) {
    Player player = Loaded("abc");
    player.cursor = 1;
    UpdatePosition(player);
    EXPECT_EQ(player.positionText, u"33%");
    Player empty = Loaded("");
    UpdatePosition(empty);
    EXPECT_EQ(empty.positionText, u"0%");
}

}  // namespace
}  // namespace velora::reader
