#include "reader/find.h"

#include <QChar>

namespace velora::reader {
namespace {

// One character upper-cased on its own, as the device's one-character _wcsupr does. Surrogate
// halves and characters whose capital is more than one unit stay as they are.
char16_t UpperCase(char16_t character) {
    return static_cast<char16_t>(QChar(character).toUpper().unicode());
}

bool SameCharacter(char16_t documentCharacter, char16_t patternCharacter, bool matchCase) {
    if (matchCase) return documentCharacter == patternCharacter;
    return documentCharacter == patternCharacter ||
           UpperCase(documentCharacter) == UpperCase(patternCharacter);
}

}  // namespace

void SetFindText(FindState& state, std::u16string_view text) {
    state.findText.assign(text.substr(0, kFindTextCapacity));
}

const char16_t* SearchText(std::u16string_view document, std::size_t start,
                           const FindState& state) {
    std::u16string pattern;
    if (state.findBeginsWith) pattern.push_back(u' ');
    pattern.append(state.findText);
    if (start >= document.size() || state.findText.empty()) return nullptr;

    const std::size_t last = document.size() - pattern.size();
    if (pattern.size() > document.size() - start) return nullptr;
    for (std::size_t at = start; at <= last; ++at) {
        std::size_t matched = 0;
        while (matched < pattern.size() &&
               SameCharacter(document[at + matched], pattern[matched], state.findMatchCase)) {
            ++matched;
        }
        if (matched == pattern.size()) {
            return document.data() + at + (state.findBeginsWith ? 1 : 0);
        }
    }
    return nullptr;
}

std::optional<std::size_t> FindInDocument(std::u16string_view document, std::size_t cursor,
                                          FindState& state) {
    std::size_t start = 0;
    if (state.findFromTop) {
        state.findFromTop = false;
    } else if (!document.empty()) {
        start = cursor + 1;
    }
    const char16_t* found = SearchText(document, start, state);
    if (found == nullptr) return std::nullopt;
    return static_cast<std::size_t>(found - document.data());
}

}  // namespace velora::reader
