// A registration script read into lines, checked before anything is applied
// (the format is described in com/server/registrar.h).
#pragma once

#include "winapi/types.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace com::registrar {

enum class LineKind { Key, Value, Delete };
enum class Removal { Normal, Force, Never };  // plain, ForceRemove, NoRemove

struct ScriptData {
    DWORD type = 0;  // REG_SZ or REG_DWORD
    std::u16string text;
    DWORD number = 0;
};

struct ScriptLine {
    LineKind kind = LineKind::Key;
    Removal removal = Removal::Normal;
    std::u16string name;
    bool hasData = false;  // a key's default value, or a `val` line's value
    ScriptData data;
    std::vector<ScriptLine> children;
};

struct ScriptRoot {
    HKEY key = nullptr;
    std::vector<ScriptLine> lines;
};

using Replacements = std::vector<std::pair<std::u16string, std::u16string>>;

// The roots of the script in order; false with a message ("line N: ...") in
// `error` when the text is not a valid script.
bool ParseScript(std::u16string_view text, const Replacements& replacements, std::vector<ScriptRoot>* roots,
                 std::u16string* error);

}  // namespace com::registrar
