// The program's string table: texts by id, as the program's resources hold
// them. The program registers its rows at start; the framework's own
// strings (57345 "Ready", 61700 "Failed to create empty document.", ...)
// are there from the start and a program row of the same id replaces one.
//
// A command's string is "status text\ntooltip": the status line shows the
// first part while the command is hovered, tool tips the second.
#pragma once

#include "winapi/types.h"

#include <initializer_list>
#include <optional>
#include <string>

namespace ui {

struct StringTableRow {
    UINT id;
    const char16_t* text;
};

// Adds or replaces rows (the texts are copied). Cost: one map insertion per row.
void RegisterStrings(std::initializer_list<StringTableRow> rows);
void RegisterString(UINT id, std::u16string text);
// The text of `id`, or nothing when no row has that id.
std::optional<std::u16string> LookupString(UINT id);
// The status text of command `id` (before the first "\n"), and its tooltip
// (after it; the status text when there is no "\n"). Empty when no row.
std::u16string StatusTextOf(UINT id);
std::u16string TooltipOf(UINT id);

}  // namespace ui
