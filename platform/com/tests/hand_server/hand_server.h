// A hand-written in-process server for the runtime's tests: the shared
// library HandServer (libHandServer.so beside the tests) with one class, a
// calculator. Its four exports are those of every server of the system.
#pragma once

#include "com/unknown.h"

struct IHandCalculator : IUnknown {
    COM_INTERFACE_ID("698CB24F-E00D-4DA4-A695-FB19E5ECB763");
    virtual HRESULT STDMETHODCALLTYPE Add(LONG a, LONG b, LONG* sum) = 0;

protected:
    ~IHandCalculator() = default;
};

namespace hand_server {

inline constexpr CLSID kCalculatorClsid = com::MakeGuid("7178C277-315B-4903-A301-DDE9B46CE993");
inline constexpr const char16_t* kVersionedProgId = u"HandServer.Calculator.1";
inline constexpr const char16_t* kProgId = u"HandServer.Calculator";
// The library's names: as a server is registered, and its file.
inline constexpr const char16_t* kLibraryName = u"HandServer.dll";
inline constexpr const char* kLibraryFile = "libHandServer.so";

}  // namespace hand_server
