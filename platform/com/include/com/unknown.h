// The root of the component model: interface identities and IUnknown.
//
// Every interface names its identity inside itself with COM_INTERFACE_ID, so
// interfaces can live in any namespace; com::uuidof<I>() reads it at compile
// time. Interfaces are abstract classes whose virtual functions are called
// across shared libraries built by the same compiler; they have no virtual
// destructor, because an object is only ever destroyed by its own Release.
#pragma once

#include "winapi/errors.h"
#include "winapi/types.h"

#include <type_traits>

namespace com {

namespace detail {
constexpr uint32_t HexDigit(char c) {
    return c >= '0' && c <= '9'   ? static_cast<uint32_t>(c - '0')
           : c >= 'a' && c <= 'f' ? static_cast<uint32_t>(c - 'a' + 10)
           : c >= 'A' && c <= 'F' ? static_cast<uint32_t>(c - 'A' + 10)
                                  : throw "not a hexadecimal digit";
}
constexpr uint32_t Hex(const char* text, int digits) {
    uint32_t value = 0;
    for (int i = 0; i < digits; ++i) value = (value << 4) | HexDigit(text[i]);
    return value;
}
}  // namespace detail

// A GUID from its text "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx" (no braces),
// checked at compile time when used in a constant expression.
constexpr GUID MakeGuid(const char (&text)[37]) {
    if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') throw "malformed GUID text";
    GUID guid{};
    guid.Data1 = detail::Hex(text, 8);
    guid.Data2 = static_cast<uint16_t>(detail::Hex(text + 9, 4));
    guid.Data3 = static_cast<uint16_t>(detail::Hex(text + 14, 4));
    guid.Data4[0] = static_cast<uint8_t>(detail::Hex(text + 19, 2));
    guid.Data4[1] = static_cast<uint8_t>(detail::Hex(text + 21, 2));
    for (int i = 0; i < 6; ++i) guid.Data4[2 + i] = static_cast<uint8_t>(detail::Hex(text + 24 + 2 * i, 2));
    return guid;
}

// The identity of interface (or class) I, as declared by COM_INTERFACE_ID.
template <class I>
constexpr const IID& uuidof() {
    return std::remove_cv_t<I>::kIid;
}

}  // namespace com

// Declares the identity of the interface (or coclass) being defined.
#define COM_INTERFACE_ID(text) static constexpr IID kIid = ::com::MakeGuid(text)

// The IID and the out-pointer of a QueryInterface-style call, from one typed
// pointer: IID_PPV_ARGS(&foo) for IFoo* foo.
#define IID_PPV_ARGS(pp) \
    ::com::uuidof<std::remove_pointer_t<std::remove_pointer_t<decltype(pp)>>>(), reinterpret_cast<void**>(pp)

inline constexpr GUID GUID_NULL{};

struct IUnknown {
    COM_INTERFACE_ID("00000000-0000-0000-C000-000000000046");
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    ~IUnknown() = default;
};
typedef IUnknown* LPUNKNOWN;

inline constexpr IID IID_IUnknown = IUnknown::kIid;
