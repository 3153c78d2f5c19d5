// The nesting cut: a linear scan of the MIME structure as GMime's parser reads it. See
// mime_nesting.h for what it changes.

#include "platform/mime/nesting.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/base/ascii_case.h"

namespace velora::platform {
namespace {

constexpr std::string_view kContentType = "Content-Type";
constexpr std::string_view kBoundary = "boundary";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Blanks and line ends: what may follow a delimiter, or fold a header value.
bool IsWhitespace(char c) {
    return IsBlank(c) || c == '\r' || c == '\n';
}

// An RFC 2045 token character, or a byte past ASCII (which GMime takes as one).
bool IsTokenCharacter(char c) {
    constexpr std::string_view kSpecials = "()<>@,;:\\\"/[]?=";
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 128 || (byte > ' ' && byte < 127 && kSpecials.find(c) == std::string_view::npos);
}

// Header names start a line, and lines end at "\n" only (as GMime splits them): no header block of
// the message holds more Content-Type fields than this.
std::size_t CountContentTypeLines(std::string_view message) {
    std::size_t count = 0;
    for (std::size_t start = 0; start < message.size();) {
        if (EqualsIgnoringAsciiCase(message.substr(start, kContentType.size()), kContentType)) {
            ++count;
        }
        const std::size_t end = message.find('\n', start);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return count;
}

enum class PartKind { kLeaf, kMultipart, kMessage };

struct ContentTypeReading {
    PartKind kind = PartKind::kLeaf;
    std::string_view boundary;           // for a multipart
    std::size_t boundaryNameOffset = 0;  // of "boundary" in the value, for a multipart
    bool digest = false;                 // multipart/digest: its parts are messages by default
};

// True when GMime may make other bytes of `boundary`: it decodes encoded words and converts bytes
// past ASCII to UTF-8. Blanks at its ends and line ends or tabs inside are not trusted either.
bool IsUncertainBoundary(std::string_view boundary) {
    if (boundary.find("=?") != std::string_view::npos) return true;
    if (!boundary.empty() && (IsBlank(boundary.front()) || IsBlank(boundary.back()))) return true;
    return std::any_of(boundary.begin(), boundary.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 128 || c == '\r' || c == '\n' || c == '\t';
    });
}

struct BoundaryParameter {
    std::string_view boundary;
    std::size_t nameOffset = 0;  // of the parameter's name in the value
};

// The boundary among the parameters after the subtype (at `at`), as GMime 3.2 reads them from
// the first ";" on: in order, each "name=value" with a quoted value or one running to the next ";"
// (an unclosed quoted one to the end), empty parameters skipped; the first that does not read so
// ends the list, and so does text after a quoted value. Nothing when there is none, or when GMime
// could read it otherwise (see IsUncertainBoundary, a value with quoted pairs, an RFC 2231 form
// among the parameters, a second boundary).
std::optional<BoundaryParameter> ReadBoundaryParameter(std::string_view value, std::size_t at) {
    const auto skipWhitespace = [&] {
        while (at < value.size() && IsWhitespace(value[at])) ++at;
    };
    std::optional<BoundaryParameter> boundary;
    at = std::min(value.find(';', at), value.size());  // whatever follows the subtype up to there
    for (;;) {
        skipWhitespace();
        if (at >= value.size() || value[at] != ';') break;
        while (at < value.size() && (value[at] == ';' || IsWhitespace(value[at]))) ++at;
        const std::size_t nameStart = at;
        while (at < value.size() && IsTokenCharacter(value[at])) ++at;
        const std::string_view name = value.substr(nameStart, at - nameStart);
        skipWhitespace();
        if (name.empty() || at >= value.size() || value[at] != '=') break;
        ++at;
        skipWhitespace();
        std::string_view parameter;
        const std::size_t close = at < value.size() && value[at] == '"' ? value.find('"', at + 1)
                                                                        : std::string_view::npos;
        if (close != std::string_view::npos) {
            parameter = value.substr(at + 1, close - at - 1);
            if (parameter.find('\\') != std::string_view::npos) return std::nullopt;
            at = close + 1;
            skipWhitespace();
            // Text after the quoted value ends the list, this parameter included.
            if (at < value.size() && value[at] != ';') at = value.size();
        } else {
            // An unclosed quote runs to the end, quote included.
            const bool quoted = at < value.size() && value[at] == '"';
            const std::size_t end =
                quoted ? value.size() : std::min(value.find(';', at), value.size());
            parameter = value.substr(at, end - at);
            while (!parameter.empty() && IsWhitespace(parameter.back())) parameter.remove_suffix(1);
            at = end;
            if (parameter.empty()) break;
        }
        if (name.find('*') != std::string_view::npos) return std::nullopt;  // RFC 2231 forms
        if (!EqualsIgnoringAsciiCase(name, kBoundary)) continue;
        if (boundary || IsUncertainBoundary(parameter)) return std::nullopt;
        boundary = BoundaryParameter{parameter, nameStart};
    }
    return boundary;
}

// What a Content-Type value makes of its part. A value without "type/subtype" counts as no
// Content-Type (`unlabelled`); a multipart whose boundary is unusual is a leaf.
ContentTypeReading ReadContentType(std::string_view value, PartKind unlabelled) {
    std::size_t at = 0;
    // Blanks, line ends and comments (which nest, with quoted pairs).
    const auto skipWhitespace = [&] {
        for (int comment = 0; at < value.size(); ++at) {
            if (comment > 0 && value[at] == '\\') {
                ++at;
            } else if (value[at] == '(') {
                ++comment;
            } else if (comment > 0 && value[at] == ')') {
                --comment;
            } else if (comment == 0 && !IsWhitespace(value[at])) {
                return;
            }
        }
    };
    const auto readToken = [&] {
        const std::size_t start = at;
        while (at < value.size() && IsTokenCharacter(value[at])) ++at;
        return value.substr(start, at - start);
    };
    skipWhitespace();
    const std::string_view type = readToken();
    skipWhitespace();
    const ContentTypeReading none{unlabelled, {}, 0, false};
    if (at >= value.size() || value[at] != '/') return none;
    ++at;
    skipWhitespace();
    const std::string_view subtype = readToken();
    if (subtype.empty()) return none;
    // The types GMime parses as an enclosed message.
    if (EqualsIgnoringAsciiCase(type, "message")) {
        for (const std::string_view message : {"rfc822", "rfc2822", "news", "global"}) {
            if (EqualsIgnoringAsciiCase(subtype, message)) return {PartKind::kMessage, {}, 0};
        }
    }
    if (!EqualsIgnoringAsciiCase(type, "multipart")) return {};
    if (value.find('(', at) != std::string_view::npos) return {};  // comments among parameters
    // Control characters other than the line ends of folding: GMime drops some of them.
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        if ((c < ' ' && c != '\t' && c != '\n' && c != '\r') || c == 127) return {};
        if (c == '\r' && (i + 1 == value.size() || value[i + 1] != '\n')) return {};
    }

    const std::optional<BoundaryParameter> boundary = ReadBoundaryParameter(value, at);
    if (!boundary) return {};
    return {PartKind::kMultipart, boundary->boundary, boundary->nameOffset,
            EqualsIgnoringAsciiCase(subtype, "digest")};
}

class NestingScan {
  public:
    NestingScan(std::span<char> message, int maximumDepth)
        : message_(message),
          text_(message.data(), message.size()),
          maximumDepth_(static_cast<std::size_t>(maximumDepth)) {}

    std::size_t Run() {
        for (std::size_t start = 0; start < text_.size();) {
            std::size_t end = text_.find('\n', start);
            if (end == std::string_view::npos) end = text_.size();
            ReadLine(start, end);
            start = end + 1;
        }
        return changed_;
    }

  private:
    enum class Delimiter { kNone, kSeparator, kClosing };
    struct Match {
        Delimiter delimiter = Delimiter::kNone;
        std::size_t level = 0;  // in open_
    };

    static constexpr std::size_t kNowhere = static_cast<std::size_t>(-1);

    // The innermost and outermost levels open with `boundary`, or kNowhere.
    std::pair<std::size_t, std::size_t> LevelsOf(std::string_view boundary) const {
        const auto found = levels_.find(boundary);
        if (found == levels_.end()) return {kNowhere, kNowhere};
        return {found->second.back(), found->second.front()};
    }

    // The open multipart a line delimits: GMime tries the open boundaries innermost first, each
    // as a closing delimiter and then as a separator, and allows blanks after either. Boundaries
    // never end in a blank here, so the line without its trailing blanks names the boundary.
    // `outermost` is the outermost level the line would delimit if the levels inside it were not
    // open.
    Match MatchDelimiter(std::string_view line, std::size_t& outermost) const {
        outermost = kNowhere;
        if (!line.starts_with("--")) return {};
        std::string_view rest = line.substr(2);
        while (!rest.empty() && IsWhitespace(rest.back())) rest.remove_suffix(1);
        Match match;
        const auto [separatorLevel, separatorOutermost] = LevelsOf(rest);
        if (separatorLevel != kNowhere) {
            match = {Delimiter::kSeparator, separatorLevel};
            outermost = separatorOutermost;
        }
        if (rest.ends_with("--")) {
            const auto [closingLevel, closingOutermost] = LevelsOf(rest.substr(0, rest.size() - 2));
            if (closingLevel != kNowhere &&
                (match.delimiter == Delimiter::kNone || closingLevel > match.level)) {
                match = {Delimiter::kClosing, closingLevel};
            }
            if (closingOutermost != kNowhere) outermost = std::min(outermost, closingOutermost);
        }
        return match;
    }

    void Push(std::string_view boundary, bool digest) {
        levels_[boundary].push_back(open_.size());
        open_.push_back({boundary, digest});
    }

    void Pop() {
        const auto found = levels_.find(open_.back().boundary);
        found->second.pop_back();
        if (found->second.empty()) levels_.erase(found);
        open_.pop_back();
    }

    // [start, end) is a line without its "\n".
    void ReadLine(std::size_t start, std::size_t end) {
        std::string_view line = text_.substr(start, end - start);
        if (line.ends_with('\r')) line.remove_suffix(1);
        // A delimiter ends whatever is open inside its multipart. It ends a header block too, and
        // then is looked at again: the part may be a multipart that the line already delimits.
        // The last line of a header block that runs to the end without a line end is a header.
        std::size_t outermost = kNowhere;
        Match match = inHeaders_ && end == text_.size() ? Match{} : MatchDelimiter(line, outermost);
        while (match.delimiter != Delimiter::kNone && inHeaders_) {
            EndHeaderBlock();
            match = MatchDelimiter(line, outermost);
        }
        if (match.delimiter == Delimiter::kNone) {
            if (inHeaders_) ReadHeaderLine(line, start);
            return;
        }
        // Inside a cut multipart GMime sees only the levels outside it: a delimiter of a level
        // inside that would also delimit one outside becomes an empty line (which ends a header
        // block as the delimiter did) and a line starting with one "-".
        if (match.level >= maximumDepth_ && outermost < maximumDepth_) message_[start] = '\n';
        while (open_.size() > match.level + 1) Pop();
        if (match.delimiter == Delimiter::kClosing) {
            Pop();
            inHeaders_ = false;
        } else {
            StartHeaderBlock(open_.back().digest ? PartKind::kMessage : PartKind::kLeaf);
        }
    }

    // `unlabelled` is what a part without a Content-Type is.
    void StartHeaderBlock(PartKind unlabelled) {
        inHeaders_ = true;
        unlabelled_ = unlabelled;
        contentType_ = false;
        headerOpen_ = false;
        valueIsContentType_ = false;
    }

    // GMime skips a line that is no header field; the last Content-Type field counts.
    void ReadHeaderLine(std::string_view line, std::size_t start) {
        if (line.empty()) {
            EndHeaderBlock();
            return;
        }
        if (headerOpen_ && IsBlank(line.front())) {  // a folded line of the field before
            if (valueIsContentType_) valueEnd_ = start + line.size();
            return;
        }
        headerOpen_ = true;
        std::size_t colon = 0;
        while (colon < line.size() && line[colon] != ':' &&
               static_cast<unsigned char>(line[colon]) > ' ' && line[colon] != 127) {
            ++colon;
        }
        const std::string_view name = line.substr(0, colon);
        while (colon < line.size() && IsBlank(line[colon])) ++colon;  // "Content-Type :" counts
        valueIsContentType_ = colon < line.size() && line[colon] == ':' &&
                              EqualsIgnoringAsciiCase(name, kContentType);
        if (valueIsContentType_) {
            contentType_ = true;
            valueStart_ = start + colon + 1;
            valueEnd_ = start + line.size();
        }
    }

    void EndHeaderBlock() {
        inHeaders_ = false;
        const ContentTypeReading reading =
            contentType_
                ? ReadContentType(text_.substr(valueStart_, valueEnd_ - valueStart_), unlabelled_)
                : ContentTypeReading{unlabelled_, {}, 0, false};
        switch (reading.kind) {
            case PartKind::kLeaf:
                break;
            case PartKind::kMessage:
                StartHeaderBlock(PartKind::kLeaf);  // the enclosed message's header block
                break;
            case PartKind::kMultipart:
                // The first level past the limit is cut; those inside it are followed (GMime
                // no longer sees them) to know which of its lines end it.
                if (open_.size() == maximumDepth_) {
                    message_[valueStart_ + reading.boundaryNameOffset] = 'X';
                    ++changed_;
                }
                Push(reading.boundary, reading.digest);
                break;
        }
    }

    std::span<char> message_;
    std::string_view text_;
    std::size_t maximumDepth_;
    struct OpenMultipart {
        std::string_view boundary;
        bool digest = false;
    };
    std::vector<OpenMultipart> open_;                                        // innermost last
    std::unordered_map<std::string_view, std::vector<std::size_t>> levels_;  // of each boundary
    std::size_t changed_ = 0;
    // The header block being read: the top message's at first.
    bool inHeaders_ = true;
    PartKind unlabelled_ = PartKind::kLeaf;
    bool contentType_ = false;         // the block has a Content-Type field
    bool headerOpen_ = false;          // a field (or a skipped line) that a folded line continues
    bool valueIsContentType_ = false;  // that field is a Content-Type
    std::size_t valueStart_ = 0;
    std::size_t valueEnd_ = 0;
};

}  // namespace

std::size_t CutDeepMultiparts(std::span<char> message, int maximumDepth) {
    if (maximumDepth < 0) return 0;
    const std::string_view text(message.data(), message.size());
    if (CountContentTypeLines(text) <= static_cast<std::size_t>(maximumDepth)) return 0;
    return NestingScan(message, maximumDepth).Run();
}

}  // namespace velora::platform
