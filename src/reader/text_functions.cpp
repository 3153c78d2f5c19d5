#include "reader/text_functions.h"

#include <QChar>
#include <clocale>
#include <cstdlib>
#include <string>
#include <vector>

namespace velora::reader {

bool IsLetterOrDigit(char16_t c) {
    if (c < 0x80) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    }
    return QChar::isLetter(c) || QChar::isDigit(c);
}

bool StartsLowercase(std::u16string_view word) {
    if (word.empty()) return false;
    const char16_t first = word.front();
    if (first < 0x80) return first >= u'a' && first <= u'z';
    if (QChar::isSurrogate(first)) return false;
    return QChar::toUpper(static_cast<char32_t>(first)) != first;
}

namespace {

// The "C" locale, so that the decimal point is "." whatever locale the program runs in.
locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

// The length of the decimal number at the start of `text` (0 when none starts it).
std::size_t DecimalNumberLength(std::u16string_view text) {
    std::size_t i = 0;
    const auto digitsFrom = [&text](std::size_t at) {
        std::size_t end = at;
        while (end < text.size() && IsDecimalDigit(text[end])) ++end;
        return end - at;
    };
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
    const std::size_t whole = digitsFrom(i);
    i += whole;
    std::size_t fraction = 0;
    if (i < text.size() && text[i] == u'.') {
        fraction = digitsFrom(i + 1);
        if (whole > 0 || fraction > 0) i += 1 + fraction;
    }
    if (whole == 0 && fraction == 0) return 0;
    // An exponent counts only when at least one digit follows the "e" and its sign: "2e" and
    // "2e+" are the number 2 followed by letters.
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        std::size_t exponent = i + 1;
        if (exponent < text.size() && (text[exponent] == u'+' || text[exponent] == u'-')) {
            ++exponent;
        }
        const std::size_t digits = digitsFrom(exponent);
        if (digits > 0) i = exponent + digits;
    }
    return i;
}

}  // namespace

double ParseLeadingNumber(std::u16string_view text) {
    std::size_t start = 0;
    while (start < text.size() && IsWhitespace(text[start])) ++start;
    const std::size_t length = DecimalNumberLength(text.substr(start));
    if (length == 0) return 0.0;
    // The number is ASCII by construction; strtod_l converts exactly these characters (it would
    // read "inf", "nan" and hexadecimal numbers too, which is why they never reach it).
    char buffer[256];
    std::string heap;
    char* narrow = buffer;
    if (length + 1 > sizeof buffer) {
        heap.resize(length + 1);
        narrow = heap.data();
    }
    for (std::size_t i = 0; i < length; ++i) narrow[i] = static_cast<char>(text[start + i]);
    narrow[length] = '\0';
    return strtod_l(narrow, nullptr, CLocale());
}

std::u16string_view TrimView(std::u16string_view s) {
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && IsWhitespace(s[begin])) ++begin;
    while (end > begin && IsWhitespace(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

std::u16string TrimLeft(std::u16string_view s) {
    std::size_t begin = 0;
    while (begin < s.size() && IsWhitespace(s[begin])) ++begin;
    return std::u16string(s.substr(begin));
}

std::u16string TrimRight(std::u16string_view s) {
    std::size_t end = s.size();
    while (end > 0 && IsWhitespace(s[end - 1])) --end;
    return std::u16string(s.substr(0, end));
}

std::u16string Trim(std::u16string_view s) {
    return std::u16string(TrimView(s));
}

std::u16string RightPart(std::optional<std::u16string_view> s, long long n) {
    if (!s || n == 0) return {};
    const auto length = static_cast<long long>(s->size());
    if (n < 0 || n > length) return std::u16string(*s);
    return std::u16string(s->substr(static_cast<std::size_t>(length - n)));
}

std::u16string StripQuotes(std::optional<std::u16string_view> s) {
    std::u16string result;
    if (!s) return result;
    result.reserve(s->size());
    for (char16_t c : *s) {
        if (c != u'\'' && c != u'"') result.push_back(c);
    }
    return result;
}

namespace {

// One left-to-right pass of non-overlapping replacements.
std::u16string ReplaceOnePass(std::u16string_view s, std::u16string_view find,
                              std::u16string_view replacement) {
    std::u16string result;
    result.reserve(s.size());
    std::size_t from = 0;
    for (std::size_t at = s.find(find); at != std::u16string_view::npos; at = s.find(find, from)) {
        result.append(s.substr(from, at - from));
        result.append(replacement);
        from = at + find.size();
    }
    result.append(s.substr(from));
    return result;
}

}  // namespace

std::u16string ReplaceAll(std::optional<std::u16string_view> s,
                          std::optional<std::u16string_view> find,
                          std::optional<std::u16string_view> replacement) {
    if (!s) return {};
    if (!find || !replacement || find->empty()) return std::u16string(*s);
    if (replacement->find(*find) != std::u16string_view::npos) {
        return ReplaceOnePass(*s, *find, *replacement);
    }
    // Replacing the leftmost occurrence and searching again from the start is the same as
    // reading the text left to right into an output that never holds an occurrence: the first
    // occurrence to appear is always at the output's end, and it is the leftmost one of the whole
    // text. It is replaced there and the replacement is read again in front of the rest, since it
    // can complete new occurrences with what precedes it. A Knuth-Morris-Pratt state kept per
    // output character finds each occurrence in constant time.
    const std::u16string_view pattern = *find;
    const std::size_t m = pattern.size();
    std::vector<std::size_t> failure(m, 0);
    for (std::size_t i = 1, k = 0; i < m; ++i) {
        while (k > 0 && pattern[i] != pattern[k]) k = failure[k - 1];
        if (pattern[i] == pattern[k]) ++k;
        failure[i] = k;
    }
    std::u16string output;
    output.reserve(s->size());
    std::vector<std::size_t> states;
    states.reserve(s->size());
    std::u16string pending;  // characters to read before the rest of s, last one first
    std::size_t next = 0;
    while (!pending.empty() || next < s->size()) {
        char16_t c = 0;
        if (!pending.empty()) {
            c = pending.back();
            pending.pop_back();
        } else {
            c = (*s)[next++];
        }
        std::size_t k = states.empty() ? 0 : states.back();
        while (k > 0 && pattern[k] != c) k = failure[k - 1];
        if (pattern[k] == c) ++k;
        output.push_back(c);
        states.push_back(k);
        if (k == m) {
            output.resize(output.size() - m);
            states.resize(states.size() - m);
            pending.append(replacement->rbegin(), replacement->rend());
        }
    }
    return output;
}

std::u16string Concat(std::u16string_view a, std::u16string_view b) {
    std::u16string result;
    result.reserve(a.size() + b.size());
    result.append(a);
    result.append(b);
    return result;
}

}  // namespace velora::reader
