#include "system_error_text.h"

#include "vaultdb/errors.h"
#include "winapi/memory.h"
#include "winapi/system_messages.h"
#include "winapi/text.h"

#include <cstdio>

namespace vaultadmin {

std::string SystemErrorText(DWORD code) {
    WCHAR* buffer = nullptr;
    DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                       nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::u16string text = length ? std::u16string(buffer, length) : std::u16string();
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u'.')) text.pop_back();
    const std::string number = "error " + std::to_string(code);
    return text.empty() ? number : winapi::ToUtf8(text) + " (" + number + ")";
}

std::string HresultText(HRESULT hr) {
    char number[16];
    std::snprintf(number, sizeof(number), "0x%08X", static_cast<unsigned>(hr));
    if (const char* words = vaultdb::ErrorDescription(hr)) return std::string(words) + " (" + number + ")";
    WCHAR* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                       nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::u16string text = length ? std::u16string(buffer, length) : std::u16string();
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u'.')) text.pop_back();
    return (text.empty() ? std::string("an unknown failure") : winapi::ToUtf8(text)) + " (" + number + ")";
}

}  // namespace vaultadmin
