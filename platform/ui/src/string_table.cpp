#include "ui/string_table.h"

#include <map>

namespace ui {
namespace {

// The framework's own strings, there before the program registers its rows.
std::map<UINT, std::u16string>& Table() {
    static std::map<UINT, std::u16string> table = {
        {0xE001, u"Ready"},
        {0xE100, u"Create a new document\nNew"},
        {0xE101, u"Open an existing document\nOpen"},
        {0xE102, u"Close the active document\nClose"},
        {0xE122, u"Copy the selection and put it on the Clipboard\nCopy"},
        {0xE123, u"Cut the selection and put it on the Clipboard\nCut"},
        {0xE125, u"Insert Clipboard contents\nPaste"},
        {0xE12A, u"Select the entire document\nSelect All"},
        {0xE140, u"Display program information, version number and copyright\nAbout"},
        {0xE141, u"Quit the application\nExit"},
        {0xE701, u"CAP"},
        {0xE702, u"NUM"},
        {0xE703, u"SCRL"},
        {0xF003, u"Untitled"},
        {0xF101, u"Failed to open document."},
        {0xF104, u"Failed to create empty document."},
    };
    return table;
}

}  // namespace

void RegisterStrings(std::initializer_list<StringTableRow> rows) {
    for (const StringTableRow& row : rows) Table()[row.id] = row.text ? row.text : u"";
}

void RegisterString(UINT id, std::u16string text) { Table()[id] = std::move(text); }

std::optional<std::u16string> LookupString(UINT id) {
    auto& table = Table();
    auto found = table.find(id);
    if (found == table.end()) return std::nullopt;
    return found->second;
}

std::u16string StatusTextOf(UINT id) {
    std::u16string text = LookupString(id).value_or(std::u16string());
    return text.substr(0, text.find(u'\n'));
}

std::u16string TooltipOf(UINT id) {
    std::u16string text = LookupString(id).value_or(std::u16string());
    auto newline = text.find(u'\n');
    return newline == std::u16string::npos ? text : text.substr(newline + 1);
}

}  // namespace ui
