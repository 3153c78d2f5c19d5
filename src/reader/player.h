#pragma once
// The player: the current reading document, the cursor that walks it frame by frame, the Tintline
// colour state, the measured speed, and the navigation that moves the cursor (jump to a position,
// a sentence back or forward, the POS percentage).
//
// Positions are character indices into `document`. The document is read as if a NUL followed its
// last character and every index at or beyond its end also read NUL (`At`), so the display step's
// "advance past the frame" may safely step one past the terminator at the final sentence-end mark.
//
// Timing reads the Reading settings passed in and writes `CurWordDelay` there: the display time
// of the prepared frame lives in the settings record (it is saved with the other values).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "reader/reading_document.h"
#include "services/reading_settings.h"

namespace velora::reader {

struct Player {
    // The reading document (owned; replaced whole by InstallDocument).
    std::u16string document;

    std::size_t cursor = 0;         // first character of the next frame to prepare or show
    std::size_t markedWord = 0;     // first character of the word token being shown
    std::size_t sentenceStart = 0;  // first token of the current sentence
    std::size_t countFrom = 0;      // where the last space count of a sentence started
    std::int32_t sentenceSpaces = 0;
    std::int32_t tokenIndex = 0;  // 1: the last frame scanned was a sentence-end frame
    std::int32_t wordLength = 0;  // characters the prepared frame shows (0: sentence-end frame)
    bool atEnd = false;           // no further frame; the display shows "The End."

    // Tintline colour of the prepared frame: RGB(tintRed, tintGreen, 0), low 8 bits of each.
    std::int32_t tintRed = 0;
    std::int32_t tintGreen = 0;
    std::int32_t tintStep = 0;
    std::int32_t tintAcc = 0;

    // Measured speed ("WPM:").
    std::int32_t wpm = 0;
    std::size_t wpmMark = 0;
    bool wpmKnown = false;

    // Navigation: false: Up goes back to the start of the current sentence; true: Up goes to the
    // previous sentence.
    bool pastSentenceStart = false;
    // The POS percentage: decimal digits followed by "%".
    std::u16string positionText = u"0%";

    // The character at `index`, or NUL at and beyond the end of the document.
    char16_t At(std::size_t index) const {
        return index < document.size() ? document[index] : u'\0';
    }
};

// How PrepareNextFrame treats the Tintline: Continue advances the sentence's colour (the play
// cycle's timer step); Reset starts it from green (after every jump).
enum class TintStart { Continue, Reset };

// Replaces the document whole and puts every position at its start. The caller follows with
// JumpToPosition(0) and PrepareNextFrame(Reset), as a load does.
void InstallDocument(Player& player, std::u16string document);

// Prepares the frame at the cursor: its colour, its length (wordLength) and its display time
// (settings.CurWordDelay). Returns true when a frame was prepared, false at the end of the
// document (NUL at the cursor) or when the sentence holds no counted space. Never moves the cursor
// past the frame; the display advances it (AdvancePastFrame).
bool PrepareNextFrame(Player& player, services::ReadingSettings& settings, TintStart start);

// Scans the token at the cursor: sets markedWord and settings.CurWordDelay, skips a line-break or
// paragraph mark in front of a word, handles a sentence-end mark (recounting the next sentence),
// and returns the number of characters the frame shows. Does not touch the colour.
std::int32_t ScanToken(Player& player, services::ReadingSettings& settings);

// sentenceSpaces = number of spaces from countFrom up to the next sentence-end mark or the end.
void CountSentenceSpaces(Player& player);

// One speed sample: wpm = ((cursor - wpmMark) / 5) * 4; wpmMark = cursor; wpmKnown set.
void SampleSpeed(Player& player);

// The display step after drawing a frame that showed text or a sentence-end frame: the cursor
// moves past the frame (wordLength + 1 characters).
void AdvancePastFrame(Player& player);

// What the word area shows for the prepared frame: the wordLength characters at the cursor, or
// nothing (an empty view) for a sentence-end frame. Returns false when the display shows
// "The End." instead (atEnd set, or NUL at the cursor); then the cursor is not advanced.
[[nodiscard]] bool FrameText(const Player& player, std::u16string_view& text);

// Speed keys: Slower is +10 up to 500 (VK_LEFT), Faster is -10 down to 20 (VK_RIGHT). Both then set
// SpeedBar = SpeedSet * 100 / 500.
enum class SpeedStep { Slower, Faster };
void StepSpeed(services::ReadingSettings& settings, SpeedStep step);

// Puts the reader at character `index` of the document (clamped to the document's length), resets
// the speed sample, and prepares the frame there with the Tintline reset; updates the POS text.
void JumpToPosition(Player& player, services::ReadingSettings& settings, std::size_t index);

// Moves the cursor to the start of the current sentence, or with pastSentenceStart set to the
// start of the previous one. On the final sentence-end mark or past it (at "The End.") the
// current sentence is the last one. Leaves tokenIndex and sentenceSpaces at 0 for the caller to
// recount (CountSentenceSpaces).
void SentenceBack(Player& player);

// Moves the cursor to the first token of the next sentence; at the last sentence it rests on the
// final sentence-end mark. Leaves tokenIndex and sentenceSpaces at 0 for the caller to recount.
void SentenceForward(Player& player);

// positionText = trunc(cursor / length * 100 in single precision) followed by "%". An empty
// document reads "0%".
void UpdatePosition(Player& player);

}  // namespace velora::reader
