// Fuzzes SegmentText: any bytes (UTF-8, or Windows-1252 when not UTF-8) become a text, and the
// reading document made of it must keep its invariants (the text read as SegmentText reads it:
// the marks' own code points are never marks, DEL is dropped and U+008F and U+0090 become U+FFFD):
//   - a text of fewer than three characters after trimming is the document itself;
//   - tokens are separated by single spaces, and the document neither begins nor ends with one;
//   - a text of three or more characters after trimming ends with " <sentence-end>";
//   - no token is longer than 190 units, except the last word;
//   - a paragraph mark token always follows a sentence-end mark token (unless the source text
//     itself began with a lone U+0090, which then is the first token).
// It then plays the document through the player, which must reach the end.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/base/text_codec.h"
#include "reader/frame_sequence.h"
#include "reader/player.h"
#include "reader/reading_document.h"
#include "reader/segment_text.h"
#include "reader/text_functions.h"
#include "services/reading_settings.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

std::u16string WithoutReservedMarks(std::u16string_view text) {
    std::u16string out;
    for (const char16_t c : text) {
        if (c == velora::reader::kSentenceEndMark) continue;
        const bool mark =
            c == velora::reader::kLineBreakMark || c == velora::reader::kParagraphMark;
        out += mark ? u'\ufffd' : c;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velora;
    const std::u16string text = platform::DecodeUtf8OrWindows1252(
        std::string_view(reinterpret_cast<const char*>(data), size));
    const std::u16string document = reader::SegmentText(text);
    const std::u16string read =
        WithoutReservedMarks(std::u16string_view(text).substr(0, text.find(u'\0')));
    const std::size_t trimmedLength = reader::TrimView(read).size();

    if (trimmedLength < 3) {
        Check(document == reader::TrimView(read));
    } else if (document.size() >= 3) {
        // (A shorter result is one of the unmarked exits after a pass shrank the text.)
        Check(document.back() == reader::kSentenceEndMark);
        Check(document[document.size() - 2] == u' ');
        Check(document.front() != u' ');
        Check(document.find(u"  ") == std::u16string::npos);
        std::size_t lastWordStart = document.rfind(u' ', document.size() - 3);
        lastWordStart = lastWordStart == std::u16string::npos ? 0 : lastWordStart + 1;
        std::size_t start = 0;
        while (start < document.size()) {
            std::size_t end = document.find(u' ', start);
            if (end == std::u16string::npos) end = document.size();
            if (start != lastWordStart) Check(end - start <= reader::kMaxWordUnits);
            const std::u16string_view token(document.data() + start, end - start);
            // (A U+0090 that stood alone at the very start of the source text is the document's
            // first token and has nothing before it; every other one follows a sentence end.)
            if (token.size() == 1 && token[0] == reader::kParagraphMark && start != 0) {
                Check(start >= 2 && document[start - 2] == reader::kSentenceEndMark &&
                      (start == 2 || document[start - 3] == u' '));
            }
            start = end + 1;
        }
    }

    // The player walks any document to its end without leaving it.
    velora::services::ReadingSettings settings;
    settings.SpeedSet = 210;
    settings.wordBase = 183;
    settings.gapDelay = 78;
    reader::Player player;
    reader::InstallDocument(player, document);
    std::size_t frames = 0;
    reader::PlayLoadedDocument(player, settings, [&](const reader::ShownFrame& frame) {
        ++frames;
        Check(frame.text.size() <= document.size());
        Check(frames <= document.size() + 1);
    });
    return 0;
}
