#include "reader/context_text.h"

#include "reader/reading_document.h"

namespace velora::reader {
namespace {

constexpr char16_t kBullet = 0x2022;
constexpr char16_t kCarriageReturn = 0x000D;

}  // namespace

std::u16string BuildContextText(std::u16string_view document, std::size_t start,
                                std::size_t markedWord, ContextBullet bullet) {
    auto at = [document](std::size_t index) {
        return index < document.size() ? document[index] : u'\0';
    };
    std::u16string out;
    out.reserve(kContextTextCapacity);
    std::size_t p = start;
    if (at(p) != u' ' && p != 0) {
        while (at(p) != u'\0' && at(p) != u' ') ++p;
    }
    auto put = [&out](char16_t c) {
        if (out.size() < kContextTextCapacity) out.push_back(c);
    };
    while (at(p) != u'\0' && out.size() < kContextTextCapacity) {
        if (bullet == ContextBullet::With && p == markedWord) put(kBullet);
        const char16_t c = at(p);
        if (c == kSentenceEndMark) {
            ++p;
        } else if (c == kLineBreakMark || c == kParagraphMark) {
            put(kCarriageReturn);
            if (c == kParagraphMark) put(kCarriageReturn);
            ++p;
            // The mark's own trailing space is part of the replacement.
            if (at(p) == u' ') ++p;
        } else {
            put(c);
            ++p;
        }
    }
    return out;
}

std::size_t ContextTextStart(std::size_t cursor) {
    return cursor < kContextLeadCharacters ? 0 : cursor - kContextLeadCharacters;
}

}  // namespace velora::reader
