// Reads a registration script into lines: words first (quotes, replacements),
// then the nesting of keys.
#include "server_registrar_script.h"

#include "winapi/registry.h"
#include "winapi/text.h"

#include <optional>
#include <string>

namespace com::registrar {
namespace {

// Deeper than any key path the registry accepts.
constexpr int kMaxDepth = 512;

struct Word {
    std::u16string text;
    bool literal = false;  // quoted or made by a replacement: never a keyword or brace
    int line = 0;
};

struct ScriptError {
    std::u16string message;
};

std::u16string Decimal(unsigned long long number) {
    std::string digits = std::to_string(number);
    return std::u16string(digits.begin(), digits.end());
}

[[noreturn]] void Fail(int line, std::u16string_view what) {
    throw ScriptError{u"line " + Decimal(static_cast<unsigned>(line)) + u": " + std::u16string(what)};
}

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

class WordReader {
public:
    WordReader(std::u16string_view text, const Replacements& replacements) : text_(text), replacements_(replacements) {}

    std::vector<Word> ReadAll() {
        std::vector<Word> words;
        while (SkipSpace()) words.push_back(text_[pos_] == u'\'' ? ReadQuoted() : ReadPlain());
        return words;
    }

private:
    bool SkipSpace() {
        for (; pos_ < text_.size() && IsSpace(text_[pos_]); ++pos_)
            if (text_[pos_] == u'\n') ++line_;
        return pos_ < text_.size();
    }

    Word ReadPlain() {
        Word word{{}, false, line_};
        while (pos_ < text_.size() && !IsSpace(text_[pos_])) {
            if (text_[pos_] == u'%')
                AppendReplacement(word);
            else
                word.text += text_[pos_++];
        }
        return word;
    }

    Word ReadQuoted() {
        Word word{{}, true, line_};
        ++pos_;  // the opening quote
        for (;;) {
            if (pos_ >= text_.size()) Fail(word.line, u"a quoted text is not closed");
            char16_t c = text_[pos_];
            if (c == u'\'') {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == u'\'') {
                    word.text += u'\'';
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                return word;
            }
            if (c == u'%') {
                AppendReplacement(word);
                continue;
            }
            if (c == u'\n') ++line_;
            word.text += c;
            ++pos_;
        }
    }

    // At a '%': "%%" or "%NAME%".
    void AppendReplacement(Word& word) {
        size_t close = text_.find(u'%', pos_ + 1);
        size_t lineEnd = text_.find(u'\n', pos_ + 1);
        if (close == std::u16string_view::npos || close > lineEnd) Fail(line_, u"a replacement is not closed with %");
        std::u16string_view name = text_.substr(pos_ + 1, close - pos_ - 1);
        pos_ = close + 1;
        if (name.empty()) {
            word.text += u'%';
            return;
        }
        for (const auto& [key, value] : replacements_) {
            if (winapi::EqualsIgnoreCase(key, name)) {
                word.text += value;
                word.literal = true;
                return;
            }
        }
        Fail(line_, u"unknown replacement %" + std::u16string(name) + u"%");
    }

    std::u16string_view text_;
    const Replacements& replacements_;
    size_t pos_ = 0;
    int line_ = 1;
};

std::optional<HKEY> RootKey(std::u16string_view name) {
    if (winapi::EqualsIgnoreCase(name, u"HKCR") || winapi::EqualsIgnoreCase(name, u"HKEY_CLASSES_ROOT"))
        return HKEY_CLASSES_ROOT;
    if (winapi::EqualsIgnoreCase(name, u"HKCU") || winapi::EqualsIgnoreCase(name, u"HKEY_CURRENT_USER"))
        return HKEY_CURRENT_USER;
    if (winapi::EqualsIgnoreCase(name, u"HKLM") || winapi::EqualsIgnoreCase(name, u"HKEY_LOCAL_MACHINE"))
        return HKEY_LOCAL_MACHINE;
    return std::nullopt;
}

std::optional<DWORD> ParseNumber(std::u16string_view text) {
    unsigned base = 10;
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    unsigned long long value = 0;
    for (char16_t c : text) {
        unsigned digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return std::nullopt;
        value = value * base + digit;
        if (value > 0xFFFFFFFFull) return std::nullopt;
    }
    return static_cast<DWORD>(value);
}

class LineParser {
public:
    explicit LineParser(std::vector<Word> words) : words_(std::move(words)) {}

    std::vector<ScriptRoot> ParseRoots() {
        std::vector<ScriptRoot> roots;
        while (pos_ < words_.size()) {
            const Word& name = words_[pos_++];
            std::optional<HKEY> key = name.literal ? std::nullopt : RootKey(name.text);
            if (!key) Fail(name.line, u"'" + name.text + u"' is not a registry root (HKCR, HKCU or HKLM)");
            if (!IsSymbol(u"{")) Fail(LineHere(), u"'{' expected after the root " + name.text);
            ++pos_;
            roots.push_back({*key, ParseLines(1)});
        }
        return roots;
    }

private:
    // The lines of a block up to its closing brace.
    std::vector<ScriptLine> ParseLines(int depth) {
        if (depth > kMaxDepth) Fail(LineHere(), u"keys are nested too deeply");
        std::vector<ScriptLine> lines;
        for (;;) {
            if (pos_ >= words_.size()) Fail(LineHere(), u"'}' missing at the end of the script");
            if (IsSymbol(u"}")) {
                ++pos_;
                return lines;
            }
            lines.push_back(ParseLine(depth));
        }
    }

    ScriptLine ParseLine(int depth) {
        ScriptLine line;
        if (IsKeyword(u"Delete")) {
            ++pos_;
            line.kind = LineKind::Delete;
            line.name = ReadName();
            if (IsSymbol(u"=") || IsSymbol(u"{")) Fail(LineHere(), u"a Delete line takes only the key's name");
            return line;
        }
        if (IsKeyword(u"val")) {
            ++pos_;
            line.kind = LineKind::Value;
            line.name = ReadName();
            if (!IsSymbol(u"=")) Fail(LineHere(), u"'=' and a value expected after val " + line.name);
            ++pos_;
            ReadData(line);
            if (IsSymbol(u"{")) Fail(LineHere(), u"a value has no block of keys");
            return line;
        }
        if (IsKeyword(u"ForceRemove")) {
            ++pos_;
            line.removal = Removal::Force;
        } else if (IsKeyword(u"NoRemove")) {
            ++pos_;
            line.removal = Removal::Never;
        }
        line.name = ReadName();
        if (IsSymbol(u"=")) {
            ++pos_;
            ReadData(line);
        }
        if (IsSymbol(u"{")) {
            ++pos_;
            line.children = ParseLines(depth + 1);
        }
        return line;
    }

    std::u16string ReadName() {
        if (pos_ >= words_.size() || IsSymbol(u"{") || IsSymbol(u"}") || IsSymbol(u"="))
            Fail(LineHere(), u"a key or value name expected");
        const Word& word = words_[pos_++];
        if (word.text.empty()) Fail(word.line, u"a name is empty");
        if (word.text.find(u'\\') != std::u16string::npos)
            Fail(word.line, u"'" + word.text + u"': a name is one key, without backslashes");
        return word.text;
    }

    void ReadData(ScriptLine& line) {
        if (pos_ + 1 >= words_.size()) Fail(LineHere(), u"a type and a value expected after '='");
        const Word& type = words_[pos_++];
        const Word& value = words_[pos_++];
        if (!value.literal && (value.text == u"{" || value.text == u"}"))
            Fail(value.line, u"a value expected after the type");
        line.hasData = true;
        if (!type.literal && winapi::EqualsIgnoreCase(type.text, u"s")) {
            line.data.type = REG_SZ;
            line.data.text = value.text;
        } else if (!type.literal && winapi::EqualsIgnoreCase(type.text, u"d")) {
            std::optional<DWORD> number = ParseNumber(value.text);
            if (!number) Fail(value.line, u"'" + value.text + u"' is not a 32-bit number");
            line.data.type = REG_DWORD;
            line.data.number = *number;
        } else {
            Fail(type.line, u"'" + type.text + u"' is not a value type (s or d)");
        }
    }

    bool IsSymbol(std::u16string_view symbol) const {
        return pos_ < words_.size() && !words_[pos_].literal && words_[pos_].text == symbol;
    }
    bool IsKeyword(std::u16string_view keyword) const {
        return pos_ < words_.size() && !words_[pos_].literal && winapi::EqualsIgnoreCase(words_[pos_].text, keyword);
    }
    int LineHere() const {
        if (words_.empty()) return 1;
        return pos_ < words_.size() ? words_[pos_].line : words_.back().line;
    }

    std::vector<Word> words_;
    size_t pos_ = 0;
};

}  // namespace

bool ParseScript(std::u16string_view text, const Replacements& replacements, std::vector<ScriptRoot>* roots,
                 std::u16string* error) {
    try {
        *roots = LineParser(WordReader(text, replacements).ReadAll()).ParseRoots();
        return true;
    } catch (const ScriptError& failure) {
        *error = failure.message;
        return false;
    }
}

}  // namespace com::registrar
