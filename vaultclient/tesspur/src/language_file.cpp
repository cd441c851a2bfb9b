#include "tesspur/language_file.h"

#include "winapi/text.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace tesspur {
namespace {

// ToUtf16 replaces ill-formed sequences; a line holds well-formed UTF-8
// exactly when converting it there and back gives it again.
bool IsWellFormedUtf8(std::string_view text) { return winapi::ToUtf8(winapi::ToUtf16(text)) == text; }

// "-12" -> -12; false for anything but an optional minus and 1 to 10
// digits in the range of a 32-bit number (the callers' text numbers).
bool ParseNumber(std::string_view text, long& number) {
    std::string_view digits = text.starts_with('-') ? text.substr(1) : text;
    if (digits.empty() || digits.size() > 10) return false;
    for (char c : digits)
        if (c < '0' || c > '9') return false;
    long long value = std::strtoll(std::string(digits).c_str(), nullptr, 10);
    if (text.starts_with('-')) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return false;
    number = static_cast<long>(value);
    return true;
}

// The escapes \n, \t and \\; any other backslash is kept.
std::u16string Unescape(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
            char16_t next = text[i + 1];
            if (next == u'n' || next == u't' || next == u'\\') {
                out += next == u'n' ? u'\n' : next == u't' ? u'\t' : u'\\';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

}  // namespace

LanguageFile LanguageFile::Parse(std::string_view content) {
    LanguageFile file;
    if (content.starts_with("\xEF\xBB\xBF")) content.remove_prefix(3);
    while (!content.empty()) {
        size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        content = end == std::string_view::npos ? std::string_view() : content.substr(end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line.empty() || line.starts_with('#') || line.starts_with(';')) continue;
        if (!file.ParseLine(line)) ++file.skipped_;
    }
    return file;
}

bool LanguageFile::ParseLine(std::string_view line) {
    if (!IsWellFormedUtf8(line)) return false;
    size_t firstBar = line.find('|');
    if (firstBar == std::string_view::npos) return false;
    size_t secondBar = line.find('|', firstBar + 1);
    if (secondBar == std::string_view::npos) return false;
    size_t equals = line.find('=', secondBar + 1);
    if (equals == std::string_view::npos) return false;

    long number = 0;
    if (!ParseNumber(line.substr(secondBar + 1, equals - secondBar - 1), number)) return false;
    std::u16string category = winapi::FoldCase(winapi::ToUtf16(line.substr(0, firstBar)));
    std::u16string section = winapi::FoldCase(winapi::ToUtf16(line.substr(firstBar + 1, secondBar - firstBar - 1)));
    texts_[Key(std::move(category), std::move(section), number)] = Unescape(winapi::ToUtf16(line.substr(equals + 1)));
    return true;
}

const std::u16string* LanguageFile::Find(std::u16string_view category, std::u16string_view section, long number) const {
    auto found = texts_.find(Key(winapi::FoldCase(category), winapi::FoldCase(section), number));
    return found == texts_.end() ? nullptr : &found->second;
}

}  // namespace tesspur
