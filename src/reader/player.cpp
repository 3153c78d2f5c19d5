#include "reader/player.h"

#include <algorithm>
#include <string>

#include "services/settings.h"

namespace velora::reader {
namespace {

// Times are signed 32-bit values; settings edited by hand far outside their ranges wrap as the
// device's arithmetic did instead of overflowing.
std::int32_t Wrap32(std::int64_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::int32_t PunctuationTime(const services::ReadingSettings& settings,
                             std::size_t charactersBefore, std::int32_t punctuation) {
    return Wrap32(static_cast<std::int64_t>(settings.Len) *
                      static_cast<std::int64_t>(charactersBefore) +
                  punctuation + settings.wordBase);
}

}  // namespace

void InstallDocument(Player& player, std::u16string document) {
    player.document = std::move(document);
    player.cursor = 0;
    player.markedWord = 0;
    player.sentenceStart = 0;
    player.countFrom = 0;
    player.wpmMark = 0;
    player.sentenceSpaces = 0;
    player.tokenIndex = 0;
    player.wordLength = 0;
    player.atEnd = false;
    player.pastSentenceStart = false;
}

bool PrepareNextFrame(Player& player, services::ReadingSettings& settings, TintStart start) {
    player.tintRed = 0;
    player.tintGreen = 0;
    player.wordLength = 0;
    if (start == TintStart::Reset) {
        player.tintStep = 0;
        player.tintAcc = 0;
    }
    if (player.At(player.cursor) == u'\0') return false;
    if (player.sentenceSpaces < 1) return false;
    player.atEnd = false;
    if (player.tokenIndex != 1) {
        player.tintAcc = Wrap32(static_cast<std::int64_t>(player.tintAcc) + player.tintStep);
        player.tintRed = player.tintAcc;
        player.tintGreen = Wrap32(255 - static_cast<std::int64_t>(player.tintAcc));
    } else {
        // The first word of a new sentence: green, with a step that keeps the sentence's last
        // word short of pure red.
        player.tintRed = 0;
        player.tintGreen = 255;
        player.tintStep = 255 / player.sentenceSpaces;
        player.tintAcc = 0;
    }
    player.wordLength = ScanToken(player, settings);
    return true;
}

std::int32_t ScanToken(Player& player, services::ReadingSettings& settings) {
    player.markedWord = player.cursor;
    settings.CurWordDelay = 0;
    bool hasDigit = false;
    std::size_t charactersBefore = 0;  // position of the last punctuation character
    std::size_t tokenStart = player.cursor;
    std::size_t position = player.cursor;
    std::size_t length = 0;
    for (;;) {
        const char16_t c = player.At(position);
        if (c >= u'0' && c <= u'9') hasDigit = true;
        if (c == u' ') {
            ++player.tokenIndex;
            length = position - tokenStart;
            break;
        }
        if (c == u'.' || c == u'!' || c == u'?') {
            charactersBefore = position - tokenStart;
            settings.CurWordDelay = PunctuationTime(settings, charactersBefore, settings.Punct1);
        } else if (c == u',' || c == u';' || c == u':') {
            charactersBefore = position - tokenStart;
            settings.CurWordDelay = PunctuationTime(settings, charactersBefore, settings.Punct2);
        } else if (c == kLineBreakMark || c == kParagraphMark) {
            // The mark and the space after it are skipped; the frame shows the following word.
            tokenStart = position + 2;
            player.cursor = tokenStart;
            player.markedWord = tokenStart;
            position = tokenStart;
            continue;
        } else if (c == kSentenceEndMark) {
            // The sentence-end frame shows nothing; the next sentence is counted from the space
            // after the mark.
            player.cursor += 1;
            player.countFrom = player.cursor;
            player.sentenceStart = player.cursor + 1;
            CountSentenceSpaces(player);
            player.tokenIndex = 1;
            length = 0;
            break;
        } else if (c == u'\0') {
            // Only an unmarked document ends a word this way.
            return static_cast<std::int32_t>(charactersBefore);
        }
        ++position;
    }
    if (settings.CurWordDelay == 0) {
        settings.CurWordDelay =
            Wrap32(static_cast<std::int64_t>(settings.Len) * static_cast<std::int64_t>(length) +
                   settings.wordBase);
    }
    if (hasDigit)
        settings.CurWordDelay =
            Wrap32(static_cast<std::int64_t>(settings.CurWordDelay) + settings.Num);
    return static_cast<std::int32_t>(length);
}

void CountSentenceSpaces(Player& player) {
    const std::size_t size = player.document.size();
    std::int32_t spaces = 0;
    for (std::size_t p = player.countFrom; p < size; ++p) {
        const char16_t c = player.document[p];
        if (c == u'\0' || c == kSentenceEndMark) break;
        if (c == u' ') ++spaces;
    }
    player.sentenceSpaces = spaces;
}

void SampleSpeed(Player& player) {
    const auto characters =
        static_cast<std::int64_t>(player.cursor) - static_cast<std::int64_t>(player.wpmMark);
    player.wpm = Wrap32((characters / 5) * 4);
    player.wpmMark = player.cursor;
    player.wpmKnown = true;
}

void AdvancePastFrame(Player& player) {
    player.cursor += static_cast<std::size_t>(player.wordLength) + 1;
}

bool FrameText(const Player& player, std::u16string_view& text) {
    if (player.atEnd || player.At(player.cursor) == u'\0') return false;
    text = std::u16string_view(player.document)
               .substr(player.cursor, static_cast<std::size_t>(player.wordLength));
    return true;
}

void StepSpeed(services::ReadingSettings& settings, SpeedStep step) {
    if (step == SpeedStep::Slower) {
        settings.SpeedSet = settings.SpeedSet >= 490 ? 500 : settings.SpeedSet + 10;
    } else {
        settings.SpeedSet = settings.SpeedSet <= 30 ? 20 : settings.SpeedSet - 10;
    }
    settings.SpeedBar = services::GaugeBar(settings.SpeedSet);
}

void JumpToPosition(Player& player, services::ReadingSettings& settings, std::size_t index) {
    const std::size_t p = std::min(index, player.document.size());
    player.wpmMark = p;
    player.pastSentenceStart = false;
    player.wpm = 0;
    player.atEnd = false;
    player.wordLength = 0;
    player.countFrom = p;
    player.cursor = p;
    player.sentenceStart = p;
    SentenceBack(player);
    CountSentenceSpaces(player);
    PrepareNextFrame(player, settings, TintStart::Reset);
    UpdatePosition(player);
}

void SentenceBack(Player& player) {
    player.sentenceSpaces = 0;
    player.tokenIndex = 0;
    std::size_t p = player.sentenceStart;
    // Walks back from p (testing p first) to a sentence-end mark or the document's start.
    const auto walkBack = [&player](std::size_t from) {
        while (from > 0 && player.At(from) != kSentenceEndMark) --from;
        return from;
    };
    // No sentence starts on the document's final mark or after it (where reading ends): there
    // the current sentence is the last one, already behind the position, so Up goes back to its
    // start as from the start of a sentence.
    const std::size_t token = player.At(p) == kSentenceEndMark ? p + 2 : p;
    if (player.pastSentenceStart || player.At(token) == u'\0') {
        p = walkBack(p);
        if (p != 0) {
            p = walkBack(p - 1);
            if (p != 0) p += 2;  // the token after the mark's trailing space
        }
        player.sentenceStart = p;
    }
    player.cursor = p;
    player.pastSentenceStart = true;
    if (player.At(p) == kSentenceEndMark) {
        p += 2;
        player.cursor = p;
    }
    if (p == 0) player.pastSentenceStart = false;
    player.countFrom = p;
    player.markedWord = p;
}

void SentenceForward(Player& player) {
    player.sentenceSpaces = 0;
    player.tokenIndex = 0;
    std::size_t p = player.cursor;
    while (player.At(p) != u'\0' && player.At(p) != kSentenceEndMark) ++p;
    if (player.At(p) == kSentenceEndMark) {
        if (player.At(p + 1) != u'\0') ++p;
        if (player.At(p + 1) != u'\0') ++p;
    }
    player.pastSentenceStart = player.At(p) != u'\0';
    player.countFrom = p;
    player.sentenceStart = p;
    player.markedWord = p;
    player.cursor = p;
}

void UpdatePosition(Player& player) {
    // The fraction is taken in single precision and scaled by 100.0 in double precision, as the
    // C expression (float)chars / (float)length * 100.0 does; an empty document reads 0%.
    std::int64_t percent = 0;
    if (!player.document.empty()) {
        const float fraction =
            static_cast<float>(player.cursor) / static_cast<float>(player.document.size());
        percent = static_cast<std::int64_t>(static_cast<double>(fraction) * 100.0);
    }
    const std::string digits = std::to_string(percent);
    player.positionText.assign(digits.begin(), digits.end());
    player.positionText.push_back(u'%');
}

}  // namespace velora::reader
