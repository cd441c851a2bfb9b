#include "winapi/guid_text.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace winapi {

namespace {

// Positions of the hyphens in the 36-character form.
bool IsHyphenPosition(size_t i) { return i == 8 || i == 13 || i == 18 || i == 23; }

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// The 16 bytes of a GUID in text order: Data1, Data2 and Data3 most
// significant byte first, then Data4.
void GuidToBytes(const GUID& guid, uint8_t bytes[16]) {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(guid.Data1 >> (24 - 8 * i));
    bytes[4] = static_cast<uint8_t>(guid.Data2 >> 8);
    bytes[5] = static_cast<uint8_t>(guid.Data2);
    bytes[6] = static_cast<uint8_t>(guid.Data3 >> 8);
    bytes[7] = static_cast<uint8_t>(guid.Data3);
    std::memcpy(bytes + 8, guid.Data4, 8);
}

GUID GuidFromBytes(const uint8_t bytes[16]) {
    GUID guid;
    guid.Data1 = uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
    guid.Data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
    guid.Data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
    std::memcpy(guid.Data4, bytes + 8, 8);
    return guid;
}

}  // namespace

std::u16string GuidToString(const GUID& guid, bool braces, bool upper) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    uint8_t bytes[16];
    GuidToBytes(guid, bytes);
    std::u16string text;
    text.reserve(38);
    if (braces) text += u'{';
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += u'-';
        text += static_cast<char16_t>(digits[bytes[i] >> 4]);
        text += static_cast<char16_t>(digits[bytes[i] & 0xF]);
    }
    if (braces) text += u'}';
    return text;
}

bool ParseGuid(std::u16string_view text, GUID* guid) {
    if (text.size() == 38) {
        if (text.front() != u'{' || text.back() != u'}') return false;
        text = text.substr(1, 36);
    }
    if (text.size() != 36) return false;
    uint8_t bytes[16];
    int count = 0;
    for (size_t i = 0; i < 36; ++i) {
        if (IsHyphenPosition(i)) {
            if (text[i] != u'-') return false;
            continue;
        }
        int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes[count++] = static_cast<uint8_t>(high << 4 | low);
        ++i;
    }
    if (guid) *guid = GuidFromBytes(bytes);
    return true;
}

}  // namespace winapi

RPC_STATUS WINAPI UuidToStringW(const UUID* uuid, RPC_WSTR* text) {
    if (!text) return RPC_S_INVALID_ARG;
    std::u16string form = winapi::GuidToString(uuid ? *uuid : GUID{}, false, false);
    auto* copy = new (std::nothrow) WCHAR[form.size() + 1];
    if (!copy) return RPC_S_OUT_OF_MEMORY;
    std::memcpy(copy, form.c_str(), (form.size() + 1) * sizeof(WCHAR));
    *text = copy;
    return RPC_S_OK;
}

RPC_STATUS WINAPI RpcStringFreeW(RPC_WSTR* text) {
    if (!text) return RPC_S_INVALID_ARG;
    delete[] * text;
    *text = nullptr;
    return RPC_S_OK;
}

RPC_STATUS WINAPI UuidFromStringW(RPC_WSTR text, UUID* uuid) {
    if (!uuid) return RPC_S_INVALID_ARG;
    if (!text) {
        *uuid = GUID{};
        return RPC_S_OK;
    }
    std::u16string_view view(text);
    if (view.size() != 36 || !winapi::ParseGuid(view, uuid)) return RPC_S_INVALID_STRING_UUID;
    return RPC_S_OK;
}

RPC_STATUS WINAPI UuidCreate(UUID* uuid) {
    if (!uuid) return RPC_S_INVALID_ARG;
    uint8_t bytes[16];
    size_t filled = 0;
    while (filled < sizeof bytes) {
        ssize_t got = getrandom(bytes + filled, sizeof bytes - filled, 0);
        if (got < 0 && errno != EINTR) return RPC_S_OUT_OF_RESOURCES;
        if (got > 0) filled += static_cast<size_t>(got);
    }
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4: random
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // the RFC 4122 variant
    *uuid = winapi::GuidFromBytes(bytes);
    return RPC_S_OK;
}
