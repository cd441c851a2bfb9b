// The text and the name of a failure code, from the catalogue's tables and
// the fall-backs for codes without a row.
#include "common/error_catalogue.h"

#include "common/error_codes.h"
#include "winapi/errors.h"
#include "winapi/memory.h"
#include "winapi/system_messages.h"
#include "winapi/thread_locale.h"
#include "winapi/wide_format.h"

#include <memory>
#include <new>

using error_catalogue::Row;

namespace {

constexpr const WCHAR* kCatalogueKey = u"OxnInterface";
constexpr const WCHAR* kCatalogueSection = u"ErrorCodes";
constexpr const WCHAR* kDatabaseKey = u"Database";
constexpr const WCHAR* kDatabaseSection = u"Error Messages";

// E_OXN_SQLSERVER_UNSUPPORTED_VERSION tells which SQL Server versions are
// supported: its row's text, then this text of its own and the versions.
constexpr WORD kSupportedVersionsId = 196;
constexpr const WCHAR* kSupportedVersionsText = u"Supported versions:";
constexpr const WCHAR* kSupportedSqlServerLine = u"  SQL Server 2014 SP03 or later";

// E_OXN_SERVER_NOT_FOUND and E_OXN_DATASOURCE_NOT_FOUND get the database
// layer's texts; E_OXN_GET_OXNFORMATROUTER gets this text, without lookup.
constexpr const WCHAR* kFormatRouterText = u"E_OXN_GET_OXNFORMATROUTER";

// The archive server's revision-control codes: numbered, none with a row.
constexpr DWORD kFirstRevisionControlCode = 0x80040432;
constexpr DWORD kLastRevisionControlCode = 0x800404C4;
constexpr DWORD kFirstWinInetCode = 0x80072EE0;
constexpr DWORD kLastWinInetCode = 0x80072F9D;
// Codes that the automation runtime would describe as "IDispatch error #n".
constexpr DWORD kFirstDispatchCode = 0x80040201;
constexpr DWORD kLastDispatchCode = 0x8004FFFF;

bool IsRevisionControlCode(DWORD code) { return code >= kFirstRevisionControlCode && code <= kLastRevisionControlCode; }

const Row* FindRow(std::span<const Row> rows, HRESULT code) {
    for (const Row& row : rows)
        if (row.Has(code)) return &row;
    return nullptr;
}

// The text of a printf-style format; each text made here is short.
template <class... Values>
std::u16string Formatted(const WCHAR* format, Values... values) {
    WCHAR buffer[96];
    int length = swprintf(buffer, format, values...);
    return std::u16string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

struct LocalFreer {
    void operator()(WCHAR* block) const { LocalFree(block); }
};

// The system's message text for `code` without its trailing line break;
// false when the system has none.
bool SystemMessage(DWORD code, std::u16string& text) {
    WCHAR* block = nullptr;
    DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                       nullptr, code, LANG_USER_DEFAULT, reinterpret_cast<LPWSTR>(&block), 0, nullptr);
    std::unique_ptr<WCHAR, LocalFreer> owned(block);
    if (length == 0) {
        if (GetLastError() == ERROR_NOT_ENOUGH_MEMORY) throw std::bad_alloc();
        return false;
    }
    text.assign(block, length);
    if (!text.empty() && text.back() == u'\n') {
        text.pop_back();
        if (!text.empty() && text.back() == u'\r') text.pop_back();
    }
    return true;
}

// A code without a row of the catalogue.
std::u16string FallBackText(HRESULT code) {
    const DWORD value = static_cast<DWORD>(code);
    if (value >= kFirstWinInetCode && value <= kLastWinInetCode) return WinInetErrorText(code);
    if (IsRevisionControlCode(value)) {
        return Formatted(u"Archive server revision control error %d (0x0%X)",
                         static_cast<int>(value - kFirstRevisionControlCode), value);
    }
    std::u16string text;
    if (SystemMessage(value, text)) return text;
    if (value >= kFirstDispatchCode && value <= kLastDispatchCode && HRESULT_CODE(value) != 0x0200)
        return Formatted(u"IDispatch error #%d", static_cast<int>(HRESULT_CODE(value)) - 0x200);
    return Formatted(u"Unknown error 0x%0lX", value);
}

std::u16string UnsupportedSqlServerText(const Row& row, const WCHAR* context) {
    std::u16string text = LookupMessage(row.stringId, row.defaultText, kCatalogueKey, kCatalogueSection, context);
    text += u"\n\n";
    text += LookupMessage(kSupportedVersionsId, kSupportedVersionsText, kCatalogueKey, kCatalogueSection, context);
    text += u"\n";
    text += kSupportedSqlServerLine;
    return text;
}

std::u16string NameOf(HRESULT code) {
    const DWORD value = static_cast<DWORD>(code);
    for (const error_catalogue::NameRecord& record : error_catalogue::NameTable())
        if (record.code == value) return record.name;
    if (IsRevisionControlCode(value))
        return Formatted(u"E_FVC_RCE_ERR_%d", static_cast<int>(value - kFirstRevisionControlCode));
    return Formatted(u"0x%X", value);
}

}  // namespace

std::u16string ErrorText(HRESULT code, const WCHAR* context) {
    // Three codes with a row are composed differently.
    if (code == E_OXN_SERVER_NOT_FOUND || code == E_OXN_DATASOURCE_NOT_FOUND) return DatabaseErrorText(code);
    if (code == E_OXN_GET_OXNFORMATROUTER) return kFormatRouterText;
    const Row* row = FindRow(error_catalogue::CatalogueRows(), code);
    if (row == nullptr) return FallBackText(code);
    if (code == E_OXN_SQLSERVER_UNSUPPORTED_VERSION) return UnsupportedSqlServerText(*row, context);
    return LookupMessage(row->stringId, row->defaultText, kCatalogueKey, kCatalogueSection, context);
}

HRESULT ErrorName(HRESULT code, std::u16string* text, std::u16string* name) noexcept {
    try {
        if (text != nullptr) *text = ErrorText(code);
        if (name != nullptr) *name = NameOf(code);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

std::u16string DatabaseErrorText(HRESULT code) {
    if (const Row* row = FindRow(error_catalogue::DatabaseRows(), code))
        return LookupMessage(row->stringId, row->defaultText, kDatabaseKey, kDatabaseSection);
    return ErrorText(code);
}

std::u16string WinInetErrorText(HRESULT code) {
    const WORD number = static_cast<WORD>(HRESULT_CODE(static_cast<DWORD>(code)));
    for (const error_catalogue::WinInetText& entry : error_catalogue::WinInetTexts())
        if (entry.number == number) return entry.text;
    return Formatted(u"A WinINet error occured (code=%d).", static_cast<int>(number));
}
