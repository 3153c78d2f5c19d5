#include "reader/segment_text.h"

#include <new>

#include "reader/reading_document.h"
#include "reader/text_functions.h"

namespace velora::reader {
namespace {

constexpr char16_t kReplacementCharacter = u'\ufffd';

// Builds a pass's output mostly from stretches of its input: consecutive stretches are merged
// and copied in one piece, so a pass that leaves most of the text as it is copies it in long runs
// instead of word by word.
class StretchWriter {
  public:
    StretchWriter(std::u16string_view source, std::u16string& out) : source_(source), out_(out) {}
    ~StretchWriter() { Flush(); }
    StretchWriter(const StretchWriter&) = delete;
    StretchWriter& operator=(const StretchWriter&) = delete;

    // Appends source[begin, end).
    void Copy(std::size_t begin, std::size_t end) {
        if (begin != pendingEnd_) {
            Flush();
            pendingBegin_ = begin;
        }
        pendingEnd_ = end;
    }
    // Appends a view of the source itself.
    void Copy(std::u16string_view part) {
        const auto begin = static_cast<std::size_t>(part.data() - source_.data());
        Copy(begin, begin + part.size());
    }
    void Literal(std::u16string_view text) {
        Flush();
        out_.append(text);
    }
    void Flush() {
        if (pendingEnd_ > pendingBegin_) {
            out_.append(source_.substr(pendingBegin_, pendingEnd_ - pendingBegin_));
        }
        pendingBegin_ = pendingEnd_ = kNowhere;
    }

  private:
    static constexpr std::size_t kNowhere = static_cast<std::size_t>(-1);
    std::u16string_view source_;
    std::u16string& out_;
    std::size_t pendingBegin_ = kNowhere;
    std::size_t pendingEnd_ = kNowhere;
};

// Pass 1: whitespace normalisation. T has at least three characters and no leading or trailing
// whitespace. Runs are looked for from index 2 on, so whitespace at index 1 stays in the first
// word. A run of spaces only becomes one space; a run holding one or two other whitespace
// characters becomes a line-break mark, three or more a paragraph mark.
std::u16string NormaliseWhitespace(std::u16string_view text) {
    std::u16string result;
    result.reserve(text.size() + text.size() / 8 + 2);
    {
        StretchWriter writer(text, result);
        std::size_t segmentStart = 0;
        std::size_t i = 2;
        const std::size_t n = text.size();
        while (i < n) {
            if (!IsWhitespace(text[i])) {
                ++i;
                continue;
            }
            std::size_t runEnd = i;
            std::size_t breaks = 0;
            while (runEnd < n && IsWhitespace(text[runEnd])) {
                if (text[runEnd] != u' ') ++breaks;
                ++runEnd;
            }
            if (runEnd - i == 1 && breaks == 0) {
                i = runEnd;  // a single space stays as it is
                continue;
            }
            writer.Copy(segmentStart, i);
            if (breaks == 0) {
                writer.Literal(u" ");
            } else {
                writer.Literal(breaks <= 2 ? u" \u008f " : u" \u0090 ");
            }
            segmentStart = runEnd;
            i = runEnd;
        }
        writer.Copy(segmentStart, n);
        writer.Literal(u" ");
    }
    return result;
}

// Pass 2: punctuation clean-up. Each character from index 1 to the second-to-last is looked at
// with its neighbours. A lone hyphen (no hyphen on either side) is set apart as " - "; a run of
// three or more identical characters that are neither letters nor digits is cut to three. While a
// cut is pending, pairs change nothing; the first other character flushes it.
std::u16string CleanPunctuation(std::u16string_view text) {
    enum class Pending { None, Run, Dash };
    std::u16string result;
    result.reserve(text.size() + text.size() / 8 + 2);
    const std::size_t n = text.size();
    std::size_t segmentStart = 0;
    std::size_t cut = 0;
    Pending pending = Pending::None;
    bool pairSeen = false;

    // Appends the pending dash or run. `resume` is where the segment starts again after a run.
    auto flush = [&](std::size_t resume) {
        result.append(text.substr(segmentStart, cut - segmentStart));
        if (pending == Pending::Dash) {
            result.append(u" - ");
            segmentStart = cut + 1;
        } else {
            result.append(3, text[cut]);
            segmentStart = resume;
        }
        pending = Pending::None;
    };

    for (std::size_t i = 1; i + 1 < n; ++i) {
        const char16_t previous = text[i - 1];
        const char16_t current = text[i];
        const char16_t next = text[i + 1];
        if (current == u'-' && previous != u'-' && next != u'-') {
            pending = Pending::Dash;
            cut = i;
        } else if (current == next && !IsLetterOrDigit(next)) {
            if (pending == Pending::None) {
                if (!pairSeen) {
                    pairSeen = true;
                } else {
                    cut = i - 1;
                    pending = Pending::Run;
                }
            }
        } else {
            if (pending != Pending::None) flush(i + 1);
            pairSeen = false;
        }
    }
    if (pending == Pending::Run) {
        flush(n);
    } else if (pending == Pending::Dash) {
        flush(n);
        result.append(text.substr(segmentStart));
    } else {
        result.append(text.substr(segmentStart));
    }
    result.push_back(u' ');
    return result;
}

bool HasSentencePunctuation(std::u16string_view word) {
    for (char16_t c : word) {
        if (c == u'.' || c == u'!' || c == u'?') return true;
    }
    return false;
}

std::u16string_view CutWord(std::u16string_view word) {
    return word.substr(0, kMaxWordUnits);
}

// Pass 3: sentence marking. Words are the stretches between spaces; each is emitted once its next
// word is known, followed by a sentence-end mark when it ends a sentence. The last word is kept
// whole and always followed by the sentence-end mark.
std::u16string MarkSentences(std::u16string_view text) {
    std::u16string result;
    result.reserve(text.size() + text.size() / 16 + 4);
    {
        StretchWriter writer(text, result);
        const std::size_t n = text.size();
        // Appends a word (a view of the text) and the separator after it. When the text itself
        // holds the word followed by a space, that stretch is copied as it stands.
        auto appendWord = [&](std::u16string_view word, bool endsSentence) {
            writer.Copy(word);
            const auto end = static_cast<std::size_t>(word.data() - text.data()) + word.size();
            if (endsSentence) {
                writer.Literal(u" \u007f ");
            } else if (end < n && text[end] == u' ') {
                writer.Copy(end, end + 1);
            } else {
                writer.Literal(u" ");
            }
        };
        auto emit = [&](std::u16string_view word, std::u16string_view before,
                        std::u16string_view after) {
            if (word.empty()) return;
            appendWord(word, EndsSentence(before, word, after));
        };

        // The word window: previous, current and next word (each cut to kMaxWordUnits).
        std::u16string_view previous;
        std::u16string_view current;
        std::u16string_view next;
        std::size_t wordStart = 0;
        std::size_t i = 0;
        std::u16string_view last;
        while (true) {
            while (i < n && text[i] != u' ') ++i;
            const std::u16string_view word = text.substr(wordStart, i - wordStart);
            while (i < n && text[i] == u' ') ++i;
            if (i >= n) {
                last = word;
                break;
            }
            // The scan stands on the first character of a new word: the word that just ended
            // enters the window, and the current word is emitted between its neighbours.
            previous = current;
            current = next;
            next = CutWord(word);
            emit(current, previous, next);
            wordStart = i;
        }
        emit(next, current, CutWord(last));
        appendWord(last, true);
    }
    return result;
}

// The document reserves three code points as its marks, so the same code points in the text
// would be read as marks: a DEL (U+007F) inside a word would end a sentence there and the player
// would lose its place in the rest of the text; U+008F or U+0090 would be skipped together with
// the character after it, and U+0090 would force a sentence end. None of them is text. DEL, the
// delete control, shows nothing, so it is dropped (a word split by one reads whole). U+008F and
// U+0090 are C1 controls that mail never means as such: they come from bytes 0x8F and 0x90 read as
// Windows-1252, where those bytes stand for no character, so they become U+FFFD, the replacement
// character a decoder shows for a byte it cannot read (as invalid UTF-8 gives here).
// Returns `text` itself when it holds none of them, else a view of `storage`.
std::u16string_view ReplaceReservedMarks(std::u16string_view text, std::u16string& storage) {
    const auto isReserved = [](char16_t c) {
        return c == kSentenceEndMark || c == kLineBreakMark || c == kParagraphMark;
    };
    std::size_t i = 0;
    while (i < text.size() && !isReserved(text[i])) ++i;
    if (i == text.size()) return text;
    storage.reserve(text.size());
    storage.assign(text.substr(0, i));
    for (; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == kSentenceEndMark) continue;
        storage.push_back(isReserved(c) ? kReplacementCharacter : c);
    }
    return storage;
}

}  // namespace

bool IsNumberWord(std::u16string_view word) {
    char16_t buffer[kMaxWordUnits + 10];
    std::u16string heap;
    char16_t* copy = buffer;
    if (word.size() > sizeof buffer / sizeof buffer[0]) {
        heap.assign(word);
        copy = heap.data();
    } else {
        word.copy(buffer, word.size());
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (IsDecimalDigit(copy[i])) {
            copy[i] = u'1';
            break;
        }
    }
    if (ParseLeadingNumber(std::u16string_view(copy, word.size())) == 0.0) return false;
    // A full stop keeps the word a number only when a decimal digit follows it (3.5, 1.25);
    // a number that ends with a full stop (2003.) is not one.
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] == u'.' && (i + 1 >= word.size() || !IsDecimalDigit(word[i + 1]))) {
            return false;
        }
    }
    return true;
}

bool IsAbbreviationOrAddress(std::u16string_view previous, std::u16string_view word,
                             std::u16string_view next) {
    bool result = false;
    if (!(StartsLowercase(previous) && StartsLowercase(next))) {
        const auto hasFullStop = [](std::u16string_view s) {
            return s.find(u'.') != std::u16string_view::npos;
        };
        if (hasFullStop(previous) || hasFullStop(word) || hasFullStop(next)) {
            result = word.size() <= 4;
        }
    }
    if (StartsLowercase(word)) result = false;
    const std::u16string stripped = StripQuotes(word);
    const char16_t lastCharacter = stripped.empty() ? u'\0' : stripped.back();
    if (lastCharacter == u'.' && IsNumberWord(stripped)) result = false;
    const auto contains = [word](std::u16string_view part) {
        return word.find(part) != std::u16string_view::npos;
    };
    if (contains(u"@") || contains(u".uk") || contains(u"//") || contains(u".com") ||
        contains(u".net") || contains(u".org")) {
        result = lastCharacter != u'.';
    }
    return result;
}

bool EndsSentence(std::u16string_view previous, std::u16string_view word,
                  std::u16string_view next) {
    if (!next.empty() && next.front() == kParagraphMark) return true;
    return HasSentencePunctuation(word) && !IsNumberWord(word) &&
           !IsAbbreviationOrAddress(previous, word, next);
}

std::u16string SegmentText(std::u16string_view text) {
    // The text is a NUL-terminated string: a NUL inside ends it.
    text = text.substr(0, text.find(u'\0'));
    std::u16string replaced;
    text = ReplaceReservedMarks(text, replaced);
    if (text.empty()) return {};
    const std::u16string_view trimmed = TrimView(text);
    if (trimmed.size() < 3) return std::u16string(trimmed);
    try {
        const std::u16string normalised = NormaliseWhitespace(trimmed);
        const std::u16string_view u = TrimView(normalised);
        if (u.size() <= 2) return std::u16string(u);
        const std::u16string cleaned = CleanPunctuation(u);
        const std::u16string_view v = TrimView(cleaned);
        if (v.size() < 3) return std::u16string(v);
        // V starts with a word, and the marked text ends with " <sentence-end> ", so trimming it
        // only drops that last space.
        std::u16string marked = MarkSentences(v);
        while (!marked.empty() && IsWhitespace(marked.back())) marked.pop_back();
        return marked;
    } catch (const std::bad_alloc&) {
        // Out of memory in a pass: the trimmed text, unmarked (the player accepts it), once the
        // passes' strings are freed.
        return std::u16string(trimmed);
    }
}

}  // namespace velora::reader
