// The text form of a hive file.
//
// A hive is UTF-8 text that people can read and, with care, edit:
//
//   # registry hive 1
//   []
//   [Software]
//   [Software\Zentraviko\Applications]
//   @=sz:"the default value"
//   "Location"=sz:"C:\\Program Files\\Zentraviko\\"
//   "Count"=dword:0000002a
//   "Unterminated"=hex(1):61,00,62,00
//   # end
//
// - The first line names the format. The last line that is not empty must
//   be "# end": a file cut short is reported as corrupt, never half-read.
//   Other lines starting with "#", and empty lines, are ignored.
// - "[names]" starts a key: its names from the root of the hive, separated
//   by backslashes ("[]" is the root). In a name, "%", "\", units below
//   U+0020, U+007F and lone surrogate halves are written as "%XXXX" (four
//   hex digits of the UTF-16 unit): a backslash inside a name (a hive edited
//   by hand may hold one) must not read back as a separator. Keys are written parent first, sorted; a key whose
//   parent has no section of its own is created with it.
// - The lines after it are the key's values: the name in quotes ("@" for the
//   default value), "=", then the type and the data:
//     sz:"..."  expand_sz:"..."  multi_sz:"..."
//         types 1, 2 and 7 when the data are whole UTF-16 units ending in a
//         zero unit: the text is the units before that last zero (so a
//         multi-string shows its separators as \0). In quotes, \\ \" \0 \n
//         \r \t stand for those units and \uXXXX for any other control unit
//         or a lone surrogate half; all else is plain UTF-8.
//     dword:0000002a
//         type 4 with exactly four bytes: the little-endian number in hex.
//     hex(T):61,00,62
//         anything else - other types, odd sizes, strings without their
//         terminator: T is the type number in hex, then every data byte.
//   So the exact bytes of every value survive a round trip.
#include "registry_hive.h"

#include "winapi/registry.h"
#include "winapi/text.h"

#include <cstdio>
#include <set>

namespace winapi::registry {

namespace {

constexpr std::string_view kHeader = "# registry hive 1";
constexpr std::string_view kTrailer = "# end";

// --- Writing --------------------------------------------------------------

void AppendUnitEscape(std::string& out, std::string_view prefix, char16_t unit) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(unit));
    out += prefix;
    out += buffer;
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Walks UTF-16 text, handing each character (a surrogate pair joined) or
// lone surrogate half to `emit` as (code point, is lone half).
template <class Emit>
void ForEachCharacter(std::u16string_view text, Emit emit) {
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            emit(0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00), false);
            ++i;
        } else {
            emit(static_cast<char32_t>(unit), IsHighSurrogate(unit) || IsLowSurrogate(unit));
        }
    }
}

void AppendQuoted(std::string& out, std::u16string_view text) {
    out += '"';
    ForEachCharacter(text, [&](char32_t cp, bool loneHalf) {
        switch (cp) {
        case u'\\':
            out += "\\\\";
            return;
        case u'"':
            out += "\\\"";
            return;
        case 0:
            out += "\\0";
            return;
        case u'\n':
            out += "\\n";
            return;
        case u'\r':
            out += "\\r";
            return;
        case u'\t':
            out += "\\t";
            return;
        default:
            break;
        }
        if (loneHalf || cp < 0x20 || cp == 0x7F)
            AppendUnitEscape(out, "\\u", static_cast<char16_t>(cp));
        else
            AppendUtf8(out, cp);
    });
    out += '"';
}

void AppendKeyName(std::string& out, std::u16string_view name) {
    ForEachCharacter(name, [&](char32_t cp, bool loneHalf) {
        if (loneHalf || cp < 0x20 || cp == 0x7F || cp == u'%' || cp == u'\\')
            AppendUnitEscape(out, "%", static_cast<char16_t>(cp));
        else
            AppendUtf8(out, cp);
    });
}

bool IsTextType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

const char* TextTypeTag(DWORD type) { return type == REG_SZ ? "sz" : type == REG_EXPAND_SZ ? "expand_sz" : "multi_sz"; }

// The UTF-16 units of data that are whole units ending in a zero unit,
// without that zero; false for any other data.
bool TerminatedUnits(const std::vector<BYTE>& data, std::u16string& units) {
    if (data.size() < 2 || data.size() % 2 != 0) return false;
    if (data[data.size() - 2] != 0 || data[data.size() - 1] != 0) return false;
    units.clear();
    for (size_t i = 0; i + 2 < data.size(); i += 2) units += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    return true;
}

void AppendValue(std::string& out, const Value& value) {
    if (value.name.empty())
        out += '@';
    else
        AppendQuoted(out, value.name);
    out += '=';
    char buffer[32];
    std::u16string units;
    if (IsTextType(value.type) && TerminatedUnits(value.data, units)) {
        out += TextTypeTag(value.type);
        out += ':';
        AppendQuoted(out, units);
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
        const auto& d = value.data;
        uint32_t number = d[0] | (d[1] << 8) | (d[2] << 16) | (static_cast<uint32_t>(d[3]) << 24);
        std::snprintf(buffer, sizeof buffer, "dword:%08x", number);
        out += buffer;
    } else {
        std::snprintf(buffer, sizeof buffer, "hex(%x):", static_cast<unsigned>(value.type));
        out += buffer;
        for (size_t i = 0; i < value.data.size(); ++i) {
            std::snprintf(buffer, sizeof buffer, i ? ",%02x" : "%02x", value.data[i]);
            out += buffer;
        }
    }
    out += '\n';
}

void AppendKey(std::string& out, const Key& key, const std::string& path) {
    // Recursion is bounded: no hive is deeper than kMaxKeyDepth.
    out += '[';
    out += path;
    out += "]\n";
    for (const auto& [folded, value] : key.values) AppendValue(out, value);
    for (const auto& [folded, sub] : key.subKeys) {
        std::string subPath = path;
        if (!subPath.empty()) subPath += '\\';
        AppendKeyName(subPath, sub->name);
        AppendKey(out, *sub, subPath);
    }
}

// --- Reading --------------------------------------------------------------

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads exactly `count` hex digits at pos.
bool ReadHex(std::string_view text, size_t& pos, size_t count, uint32_t& number) {
    if (text.size() - pos < count) return false;
    number = 0;
    for (size_t i = 0; i < count; ++i) {
        int digit = HexDigit(text[pos + i]);
        if (digit < 0) return false;
        number = (number << 4) | static_cast<uint32_t>(digit);
    }
    pos += count;
    return true;
}

bool IsRawControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

bool ReadQuoted(std::string_view line, size_t& pos, std::u16string& out) {
    out.clear();
    if (pos >= line.size() || line[pos] != '"') return false;
    ++pos;
    while (pos < line.size()) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (IsRawControl(c)) return false;
        if (c != '\\') {
            if (!winapi::ReadUtf8Character(line, pos, out)) return false;
            continue;
        }
        if (++pos >= line.size()) return false;
        switch (line[pos++]) {
        case '\\':
            out += u'\\';
            break;
        case '"':
            out += u'"';
            break;
        case '0':
            out += u'\0';
            break;
        case 'n':
            out += u'\n';
            break;
        case 'r':
            out += u'\r';
            break;
        case 't':
            out += u'\t';
            break;
        case 'u': {
            uint32_t unit;
            if (!ReadHex(line, pos, 4, unit)) return false;
            out += static_cast<char16_t>(unit);
            break;
        }
        default:
            return false;
        }
    }
    return false;  // no closing quote
}

bool ReadKeyPath(std::string_view text, KeyPath& path) {
    path.clear();
    if (text.empty()) return true;  // the root
    path.emplace_back();
    size_t pos = 0;
    while (pos < text.size()) {
        char c = text[pos];
        if (c == '\\') {
            if (path.back().empty()) return false;
            path.emplace_back();
            ++pos;
        } else if (c == '%') {
            uint32_t unit;
            ++pos;
            if (!ReadHex(text, pos, 4, unit)) return false;
            path.back() += static_cast<char16_t>(unit);
        } else if (IsRawControl(c) || !winapi::ReadUtf8Character(text, pos, path.back())) {
            return false;
        }
    }
    return !path.back().empty();
}

bool StartsWith(std::string_view text, size_t pos, std::string_view prefix) {
    return text.substr(pos, prefix.size()) == prefix;
}

bool ReadValueData(std::string_view line, size_t pos, Value& value) {
    static constexpr struct {
        std::string_view tag;
        DWORD type;
    } kTextTypes[] = {{"sz:", REG_SZ}, {"expand_sz:", REG_EXPAND_SZ}, {"multi_sz:", REG_MULTI_SZ}};
    for (const auto& text : kTextTypes) {
        if (!StartsWith(line, pos, text.tag)) continue;
        pos += text.tag.size();
        std::u16string units;
        if (!ReadQuoted(line, pos, units) || pos != line.size()) return false;
        value.type = text.type;
        units += u'\0';
        for (char16_t unit : units) {
            value.data.push_back(static_cast<BYTE>(unit & 0xFF));
            value.data.push_back(static_cast<BYTE>(unit >> 8));
        }
        return true;
    }
    if (StartsWith(line, pos, "dword:")) {
        pos += 6;
        uint32_t number;
        if (!ReadHex(line, pos, 8, number) || pos != line.size()) return false;
        value.type = REG_DWORD;
        value.data = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8), static_cast<BYTE>(number >> 16),
                      static_cast<BYTE>(number >> 24)};
        return true;
    }
    if (!StartsWith(line, pos, "hex(")) return false;
    pos += 4;
    size_t digits = 0;
    while (pos + digits < line.size() && HexDigit(line[pos + digits]) >= 0) ++digits;
    if (digits == 0 || digits > 8 || !ReadHex(line, pos, digits, value.type)) return false;
    if (!StartsWith(line, pos, "):")) return false;
    pos += 2;
    while (pos < line.size()) {
        if (!value.data.empty() && line[pos++] != ',') return false;
        uint32_t byte;
        if (!ReadHex(line, pos, 2, byte)) return false;
        value.data.push_back(static_cast<BYTE>(byte));
    }
    return true;
}

bool ReadValueLine(std::string_view line, Value& value) {
    size_t pos = 0;
    if (line[0] == '@') {
        pos = 1;
    } else if (!ReadQuoted(line, pos, value.name)) {
        return false;
    }
    if (pos >= line.size() || line[pos] != '=') return false;
    return ReadValueData(line, pos + 1, value);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

}  // namespace

std::string SerializeHive(const Key& root) {
    std::string out(kHeader);
    out += '\n';
    AppendKey(out, root, std::string());
    out += kTrailer;
    out += '\n';
    return out;
}

std::unique_ptr<Key> ParseHive(std::string_view text) {
    std::vector<std::string_view> lines = SplitLines(text);
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    if (lines.size() < 2 || lines.front() != kHeader || lines.back() != kTrailer) return nullptr;

    auto root = std::make_unique<Key>();
    std::set<const Key*> sectioned;  // keys that had their own "[...]" line
    Key* current = nullptr;
    KeyPath path;
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            if (line.back() != ']' || line.size() < 2) return nullptr;
            if (!ReadKeyPath(line.substr(1, line.size() - 2), path) || path.size() > kMaxKeyDepth) return nullptr;
            current = root.get();
            for (const auto& name : path) current = &current->SubKey(name);
            if (!sectioned.insert(current).second) return nullptr;  // a key written twice
        } else if (line[0] == '"' || line[0] == '@') {
            Value value;
            if (!current || !ReadValueLine(line, value)) return nullptr;
            std::u16string folded = FoldName(value.name);
            if (!current->values.emplace(std::move(folded), std::move(value)).second) return nullptr;
        } else {
            return nullptr;
        }
    }
    return root;
}

}  // namespace winapi::registry
