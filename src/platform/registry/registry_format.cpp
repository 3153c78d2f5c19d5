#include "platform/registry/registry_format.h"

#include <QChar>
#include <cstdio>

#include "platform/base/hex_digits.h"
#include "platform/base/text_codec.h"

namespace velora::platform {
namespace {

constexpr std::string_view kFormatLine = "Velora registry 1";

bool IsControl(char16_t unit) {
    return unit < 0x20 || unit == 0x7F;
}

// No control characters, every surrogate paired.
bool IsCleanName(std::u16string_view name) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i];
        if (IsControl(unit)) return false;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 >= name.size() || name[i + 1] < 0xDC00 || name[i + 1] > 0xDFFF) return false;
            ++i;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

// Reads 1 to `maxDigits` hex digits from the front of `text`.
bool TakeHexNumber(std::string_view& text, std::size_t minDigits, std::size_t maxDigits,
                   std::uint32_t& number) {
    std::size_t count = 0;
    number = 0;
    while (count < text.size() && count < maxDigits && HexDigitValue(text[count]) >= 0) {
        number = number * 16 + static_cast<std::uint32_t>(HexDigitValue(text[count]));
        ++count;
    }
    if (count < minDigits) return false;
    text.remove_prefix(count);
    return true;
}

bool TakePrefix(std::string_view& text, std::string_view prefix) {
    if (text.substr(0, prefix.size()) != prefix) return false;
    text.remove_prefix(prefix.size());
    return true;
}

struct LineParser {
    HiveData hive;
    RegistryKeyData* key = nullptr;
    std::unordered_map<std::u16string, bool> sections;  // folded paths named by a section line
    std::string error;

    bool Fail(std::size_t lineNumber, const char* reason) {
        error = "line " + std::to_string(lineNumber) + ": " + reason;
        return false;
    }

    // A key line that cannot be read leaves its value lines without a key (each is reported);
    // a key named a second time is reported and its values join the first.
    bool Section(std::size_t lineNumber, std::string_view line) {
        key = nullptr;
        if (line.size() < 2 || line.back() != ']') return Fail(lineNumber, "malformed key line");
        const std::u16string path = DecodeUtf8(line.substr(1, line.size() - 2));
        if (!IsValidKeyPath(path)) return Fail(lineNumber, "invalid key path");
        // A key made earlier as the parent of another keeps the spelling of its first mention.
        key = &hive.CreateKey(path);
        if (!sections.emplace(FoldRegistryName(path), true).second) {
            return Fail(lineNumber, "key named twice");
        }
        return true;
    }

    bool Value(std::size_t lineNumber, std::string_view line) {
        if (key == nullptr) return Fail(lineNumber, "value outside a key");
        std::string nameBytes;
        std::size_t i = 1;
        for (;; ++i) {
            if (i >= line.size()) return Fail(lineNumber, "unterminated value name");
            const char c = line[i];
            if (c == '"') break;
            if (c == '\\') {
                if (i + 1 >= line.size() || (line[i + 1] != '\\' && line[i + 1] != '"')) {
                    return Fail(lineNumber, "invalid escape in value name");
                }
                ++i;
            }
            nameBytes.push_back(line[i]);
        }
        const std::u16string name = DecodeUtf8(nameBytes);
        if (!IsValidValueName(name)) return Fail(lineNumber, "invalid value name");
        if (HiveData::FindValue(*key, name) != nullptr)
            return Fail(lineNumber, "value named twice");

        std::string_view rest = line.substr(i + 1);
        if (!TakePrefix(rest, "=")) return Fail(lineNumber, "missing '=' after value name");
        std::uint32_t type = kRegistryTypeDword;
        std::vector<std::uint8_t> data;
        if (TakePrefix(rest, "dword:")) {
            std::uint32_t number = 0;
            if (!TakeHexNumber(rest, 8, 8, number) || !rest.empty()) {
                return Fail(lineNumber, "dword needs exactly 8 hex digits");
            }
            data = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                    static_cast<std::uint8_t>(number >> 16),
                    static_cast<std::uint8_t>(number >> 24)};
        } else if (TakePrefix(rest, "hex(")) {
            if (!TakeHexNumber(rest, 1, 8, type) || !TakePrefix(rest, "):")) {
                return Fail(lineNumber, "malformed hex(type)");
            }
            while (!rest.empty()) {
                if (!data.empty() && !TakePrefix(rest, ","))
                    return Fail(lineNumber, "expected ','");
                std::uint32_t byte = 0;
                if (!TakeHexNumber(rest, 2, 2, byte)) return Fail(lineNumber, "bad data byte");
                if (data.size() >= kMaxValueDataSize) return Fail(lineNumber, "value too long");
                data.push_back(static_cast<std::uint8_t>(byte));
            }
        } else {
            return Fail(lineNumber, "unknown value form");
        }
        HiveData::SetValue(*key, name, type, std::move(data));
        return true;
    }
};

void AppendHexByte(std::string& out, std::uint8_t byte) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out.push_back(kDigits[byte >> 4]);
    out.push_back(kDigits[byte & 15]);
}

}  // namespace

std::u16string FoldRegistryName(std::u16string_view name) {
    std::u16string folded(name);
    for (char16_t& unit : folded) unit = static_cast<char16_t>(QChar::toUpper(char32_t{unit}));
    return folded;
}

bool IsValidKeyPath(std::u16string_view path) {
    if (path.empty() || !IsCleanName(path)) return false;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = path.find(u'\\', start);
        const std::size_t length = (end == std::u16string_view::npos ? path.size() : end) - start;
        if (length == 0 || length > kMaxKeyNameLength) return false;
        if (end == std::u16string_view::npos) return true;
        start = end + 1;
    }
}

bool IsValidValueName(std::u16string_view name) {
    return name.size() <= kMaxValueNameLength && IsCleanName(name);
}

const RegistryKeyData* HiveData::FindKey(std::u16string_view path) const {
    const auto found = index_.find(FoldRegistryName(path));
    return found == index_.end() ? nullptr : &keys_[found->second];
}

RegistryKeyData* HiveData::FindKey(std::u16string_view path) {
    const auto found = index_.find(FoldRegistryName(path));
    return found == index_.end() ? nullptr : &keys_[found->second];
}

RegistryKeyData& HiveData::CreateKey(std::u16string_view path, bool* created) {
    if (created != nullptr) *created = false;
    if (RegistryKeyData* existing = FindKey(path)) return *existing;
    const std::size_t lastSeparator = path.rfind(u'\\');
    if (lastSeparator != std::u16string_view::npos) CreateKey(path.substr(0, lastSeparator));
    index_.emplace(FoldRegistryName(path), keys_.size());
    keys_.push_back(RegistryKeyData{std::u16string(path), {}});
    if (created != nullptr) *created = true;
    return keys_.back();
}

const RegistryValue* HiveData::FindValue(const RegistryKeyData& key, std::u16string_view name) {
    const std::u16string folded = FoldRegistryName(name);
    for (const RegistryValue& value : key.values) {
        if (value.name.size() == name.size() && FoldRegistryName(value.name) == folded)
            return &value;
    }
    return nullptr;
}

void HiveData::SetValue(RegistryKeyData& key, std::u16string_view name, std::uint32_t type,
                        std::vector<std::uint8_t> data) {
    const std::u16string folded = FoldRegistryName(name);
    for (RegistryValue& value : key.values) {
        if (value.name.size() == name.size() && FoldRegistryName(value.name) == folded) {
            value.type = type;
            value.data = std::move(data);
            return;
        }
    }
    key.values.push_back(RegistryValue{std::u16string(name), type, std::move(data)});
}

std::optional<HiveData> ParseHive(std::string_view bytes, std::vector<std::string>* problems) {
    std::vector<std::string> found;
    auto finish = [&](std::optional<HiveData> hive) {
        if (problems != nullptr) *problems = std::move(found);
        return hive;
    };
    if (bytes.empty()) {
        found.emplace_back("empty file");
        return finish(std::nullopt);
    }
    LineParser parser;
    std::size_t lineNumber = 0;
    std::size_t position = 0;
    std::size_t itemsRead = 0;  // key and value lines kept
    while (position < bytes.size()) {
        std::size_t end = bytes.find('\n', position);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = bytes.substr(position, end - position);
        position = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        bool ok = true;
        if (lineNumber == 1) {
            // Another program's file: nothing in it is ours to read.
            if (line != kFormatLine) {
                found.emplace_back("line 1: not a Velora registry file");
                return finish(std::nullopt);
            }
            continue;
        }
        if (line.empty() || line.front() == ';') continue;  // blank or comment
        if (!IsValidUtf8(line)) {
            if (line.front() == '[') parser.key = nullptr;
            ok = parser.Fail(lineNumber, "not valid UTF-8");
        } else if (line.front() == '[') {
            ok = parser.Section(lineNumber, line);
        } else if (line.front() == '"') {
            ok = parser.Value(lineNumber, line);
        } else {
            ok = parser.Fail(lineNumber, "unrecognised line");
        }
        if (ok) {
            ++itemsRead;
        } else {
            found.push_back(parser.error);
        }
    }
    if (itemsRead == 0 && !found.empty()) return finish(std::nullopt);
    return finish(std::move(parser.hive));
}

std::string SerializeHive(const HiveData& hive) {
    std::string out(kFormatLine);
    out +=
        "\n; HKEY_CURRENT_USER of Velora. Values: dword:<8 hex digits> for REG_DWORD,\n"
        "; hex(<type>):<bytes> for anything else.\n";
    for (const RegistryKeyData& key : hive.Keys()) {
        out += "\n[";
        out += EncodeUtf8(key.path);
        out += "]\n";
        for (const RegistryValue& value : key.values) {
            out += '"';
            for (const char c : EncodeUtf8(value.name)) {
                if (c == '"' || c == '\\') out += '\\';
                out += c;
            }
            out += "\"=";
            if (value.type == kRegistryTypeDword && value.data.size() == 4) {
                const std::uint32_t number = value.data[0] | (value.data[1] << 8) |
                                             (value.data[2] << 16) |
                                             (static_cast<std::uint32_t>(value.data[3]) << 24);
                char digits[16];
                std::snprintf(digits, sizeof digits, "%08x", number);
                out += "dword:";
                out += digits;
            } else {
                char typeDigits[16];
                std::snprintf(typeDigits, sizeof typeDigits, "%x", value.type);
                out += "hex(";
                out += typeDigits;
                out += "):";
                for (std::size_t i = 0; i < value.data.size(); ++i) {
                    if (i > 0) out += ',';
                    AppendHexByte(out, value.data[i]);
                }
            }
            out += '\n';
        }
    }
    return out;
}

HiveData DefaultHive() {
    auto dword = [](std::uint32_t number) {
        return std::vector<std::uint8_t>{
            static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
            static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
    };
    HiveData hive;
    RegistryKeyData& backlight = hive.CreateKey(u"ControlPanel\\Backlight");
    HiveData::SetValue(backlight, u"BatteryTimeout", kRegistryTypeDword, dword(30));
    HiveData::SetValue(backlight, u"ACTimeout", kRegistryTypeDword, dword(60));
    RegistryKeyData& home = hive.CreateKey(u"ControlPanel\\Home");
    HiveData::SetValue(home, u"Timeout", kRegistryTypeDword, dword(0xFFFFFFFFu));
    return hive;
}

}  // namespace velora::platform
