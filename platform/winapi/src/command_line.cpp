#include "winapi/command_line.h"

#include "winapi/errors.h"
#include "winapi/memory.h"
#include "winapi/modules.h"
#include "winapi/text.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace winapi {

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

size_t SkipBlanks(std::u16string_view text, size_t i) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    return i;
}

// One later argument starting at `i`; returns the position after it.
size_t ReadArgument(std::u16string_view text, size_t i, std::u16string& argument) {
    bool quoted = false;
    while (i < text.size()) {
        char16_t c = text[i];
        if (!quoted && IsBlank(c)) break;
        if (c == u'\\') {
            size_t end = i;
            while (end < text.size() && text[end] == u'\\') ++end;
            size_t count = end - i;
            if (end < text.size() && text[end] == u'"') {
                argument.append(count / 2, u'\\');
                if (count % 2 == 1) {
                    argument += u'"';  // an escaped quote
                    ++end;
                }
                // With an even count the quote is read next, as any quote.
            } else {
                argument.append(count, u'\\');
            }
            i = end;
        } else if (c == u'"') {
            if (quoted && i + 1 < text.size() && text[i + 1] == u'"') {
                argument += u'"';  // "" inside quotes: one literal quote
                i += 2;
            } else {
                quoted = !quoted;
                ++i;
            }
        } else {
            argument += c;
            ++i;
        }
    }
    return i;
}

bool NeedsQuotes(std::u16string_view argument) {
    if (argument.empty()) return true;
    return argument.find_first_of(u" \t\n\v\"") != std::u16string_view::npos;
}

}  // namespace

std::vector<std::u16string> SplitCommandLine(std::u16string_view commandLine) {
    std::vector<std::u16string> arguments;
    size_t i = SkipBlanks(commandLine, 0);
    if (i == commandLine.size()) return arguments;

    // The program name: quotes group and vanish, backslashes are plain.
    std::u16string program;
    bool quoted = false;
    for (; i < commandLine.size() && (quoted || !IsBlank(commandLine[i])); ++i) {
        if (commandLine[i] == u'"')
            quoted = !quoted;
        else
            program += commandLine[i];
    }
    arguments.push_back(std::move(program));

    for (;;) {
        i = SkipBlanks(commandLine, i);
        if (i == commandLine.size()) break;
        std::u16string argument;
        i = ReadArgument(commandLine, i, argument);
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::u16string QuoteArgument(std::u16string_view argument) {
    if (!NeedsQuotes(argument)) return std::u16string(argument);
    std::u16string quoted = u"\"";
    for (size_t i = 0;;) {
        size_t end = i;
        while (end < argument.size() && argument[end] == u'\\') ++end;
        size_t backslashes = end - i;
        if (end == argument.size()) {
            // Doubled, so the closing quote stays a quote.
            quoted.append(backslashes * 2, u'\\');
            break;
        }
        if (argument[end] == u'"') {
            quoted.append(backslashes * 2 + 1, u'\\');
        } else {
            quoted.append(backslashes, u'\\');
        }
        quoted += argument[end];
        i = end + 1;
    }
    quoted += u'"';
    return quoted;
}

std::u16string JoinCommandLine(const std::vector<std::u16string>& arguments) {
    std::u16string line;
    if (arguments.empty()) return line;
    // The program name has no escapes: a quote in it cannot be written and
    // is left out (no program path holds one).
    std::u16string program;
    for (char16_t c : arguments[0])
        if (c != u'"') program += c;
    bool blank = program.empty() || program.find_first_of(u" \t") != std::u16string::npos;
    line = blank ? u"\"" + program + u"\"" : program;
    for (size_t i = 1; i < arguments.size(); ++i) {
        line += u' ';
        line += QuoteArgument(arguments[i]);
    }
    return line;
}

}  // namespace winapi

namespace {

std::u16string ReadOwnCommandLine() {
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::u16string> arguments;
    size_t start = 0;
    while (start < raw.size()) {
        size_t end = raw.find('\0', start);
        if (end == std::string::npos) end = raw.size();
        arguments.push_back(winapi::ToUtf16(std::string_view(raw).substr(start, end - start)));
        start = end + 1;
    }
    return winapi::JoinCommandLine(arguments);
}

}  // namespace

LPWSTR WINAPI GetCommandLineW() {
    // Built once; callers keep the pointer for the life of the process.
    static std::u16string* commandLine = new std::u16string(ReadOwnCommandLine());
    return commandLine->data();
}

LPWSTR* WINAPI CommandLineToArgvW(LPCWSTR commandLine, int* numArgs) {
    if (!numArgs) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::vector<std::u16string> arguments;
    if (!commandLine || !*commandLine) {
        std::u16string program(32768, u'\0');
        program.resize(GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size())));
        arguments.push_back(std::move(program));
    } else {
        arguments = winapi::SplitCommandLine(commandLine);
        if (arguments.empty()) arguments.emplace_back();
    }

    // One block: the pointer array, then the strings it points to.
    size_t pointerBytes = (arguments.size() + 1) * sizeof(LPWSTR);
    size_t bytes = pointerBytes;
    for (const std::u16string& argument : arguments) bytes += (argument.size() + 1) * sizeof(WCHAR);
    auto* block = static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, bytes));
    if (!block) return nullptr;
    auto** argv = reinterpret_cast<LPWSTR*>(block);
    auto* text = reinterpret_cast<WCHAR*>(block + pointerBytes);
    for (size_t i = 0; i < arguments.size(); ++i) {
        argv[i] = text;
        std::memcpy(text, arguments[i].c_str(), (arguments[i].size() + 1) * sizeof(WCHAR));
        text += arguments[i].size() + 1;
    }
    argv[arguments.size()] = nullptr;
    *numArgs = static_cast<int>(arguments.size());
    return argv;
}
