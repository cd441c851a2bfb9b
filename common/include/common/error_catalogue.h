// The error-message catalogue: the text of a failure code for message boxes
// and error descriptions, and its symbolic name for logs and diagnostics.
//
// A code of the catalogue has a string id and an English default text, which
// the vault client's message-text component (common/message_text_component.h)
// may replace by a translation. Codes without a row fall back to the WinINet
// texts, the system's message texts and formatted texts, so every code gets
// some text.
//
// Nothing here keeps state; any thread may call. The message-text component
// is created and released on every lookup, on the calling thread.
// Out of memory raises std::bad_alloc from the functions that return a text
// (a method boundary turns it into E_OUTOFMEMORY); ErrorName returns
// E_OUTOFMEMORY itself.
#pragma once

#include "winapi/types.h"

#include <span>
#include <string>

// The text of `code`: the catalogue row's text (through LookupMessage with
// key "OxnInterface" and section "ErrorCodes", passing `context` on), with
// these exceptions and fall-backs:
// - E_OXN_SERVER_NOT_FOUND and E_OXN_DATASOURCE_NOT_FOUND: DatabaseErrorText;
// - E_OXN_SQLSERVER_UNSUPPORTED_VERSION: its row's text, an empty line, the
//   text of id 196 ("Supported versions:") and the line "  SQL Server 2014 SP03
//   or later";
// - E_OXN_GET_OXNFORMATROUTER: "E_OXN_GET_OXNFORMATROUTER", without lookup;
// - 0x80072EE0 to 0x80072F9D: WinInetErrorText;
// - 0x80040432 to 0x800404C4: "Archive server revision control error n
//   (0x0<code>)", n counted from 0x80040432;
// - else the system's message text (FormatMessageW) without its trailing line
//   break; without one, "IDispatch error #n" (n = low word - 0x200) for
//   0x80040201 to 0x8004FFFF whose low word is not 0x0200, else
//   "Unknown error 0x<code>".
// A null or empty `context` means none. Texts are never used as formats:
// "%d" in a catalogue text comes back as written, for the caller to fill.
std::u16string ErrorText(HRESULT code, const WCHAR* context = nullptr);

// The text (ErrorText without context) into `text` and the symbolic name into
// `name`, each only when its pointer is not null. The name is the name
// table's (first record with the code), else "E_FVC_RCE_ERR_n" for 0x80040432
// to 0x800404C4 (n as in ErrorText), else "0x<code>". S_OK, or E_OUTOFMEMORY
// with the out strings in an unspecified state.
HRESULT ErrorName(HRESULT code, std::u16string* text, std::u16string* name) noexcept;

// The database layer's texts: a code of the database rows through
// LookupMessage (key "Database", section "Error Messages", no context); any
// other code gives ErrorText(code).
std::u16string DatabaseErrorText(HRESULT code);

// The WinINet text of the code's low word (12007, 12029, 12030, 12031,
// 12163), else "A WinINet error occured (code=n)." with the low word. Not
// looked up.
std::u16string WinInetErrorText(HRESULT code);

// The message-text component's text for string `id` of `section`, after
// opening its texts of `key` (with `context` when given, null or empty meaning
// none); `defaultText` when the component cannot be created, has no texts
// for the key, or gives no text (an empty one included) for the id.
std::u16string LookupMessage(WORD id, const WCHAR* defaultText, const WCHAR* key, const WCHAR* section,
                             const WCHAR* context = nullptr);

// The tables behind these functions.
namespace error_catalogue {

// One or two codes sharing a string id and an English default text.
struct Row {
    constexpr Row(DWORD code, WORD id, const WCHAR* text)
        : codes{static_cast<HRESULT>(code), 0}, codeCount(1), stringId(id), defaultText(text) {}
    constexpr Row(DWORD code, DWORD secondCode, WORD id, const WCHAR* text)
        : codes{static_cast<HRESULT>(code), static_cast<HRESULT>(secondCode)},
          codeCount(2),
          stringId(id),
          defaultText(text) {}

    bool Has(HRESULT code) const { return codes[0] == code || (codeCount == 2 && codes[1] == code); }

    HRESULT codes[2];
    int codeCount;
    WORD stringId;
    const WCHAR* defaultText;
};

// A record of the name table: the name field holds at most 49 characters
// and is zero-padded.
struct NameRecord {
    DWORD code;
    WCHAR name[50];
};

struct WinInetText {
    WORD number;  // the code's low word
    const WCHAR* text;
};

// The catalogue: 311 codes in 304 rows, string ids 0 to 322.
std::span<const Row> CatalogueRows();
// The name table, searched from the first record.
std::span<const NameRecord> NameTable();
// The database layer's rows.
std::span<const Row> DatabaseRows();
// The WinINet texts with their own wording.
std::span<const WinInetText> WinInetTexts();

}  // namespace error_catalogue
