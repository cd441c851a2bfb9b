// A program of its own that asks the component runtime for objects, as the
// system's programs do: registered_class_child <ProgID or {CLSID}>...
// Prints "<name> 0x<HRESULT>" with the result of CoCreateInstance for each
// name (a ProgID is looked up first: "<name> progid 0x<HRESULT>" when that
// fails). Exits with 1 when the runtime cannot be joined.
#include "com/runtime.h"
#include "com_testing/announce_failure.h"
#include "testsupport/child_process.h"
#include "winapi/guid_text.h"
#include "winapi/text.h"

#include <cstdio>
#include <string>

namespace {

std::string Line(const std::string& name, const char* step, HRESULT hr) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
    return name + step + code;
}

}  // namespace

int main(int argc, char** argv) {
    if (HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); FAILED(hr))
        return com_testing::AnnounceFailure("CoInitializeEx", hr);
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        const std::u16string text = winapi::ToUtf16(name);
        CLSID clsid{};
        if (!winapi::ParseGuid(text, &clsid)) {
            if (HRESULT hr = CLSIDFromProgID(text.c_str(), &clsid); FAILED(hr)) {
                testsupport::Announce(Line(name, " progid ", hr));
                continue;
            }
        }
        IUnknown* object = nullptr;
        HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object));
        if (object) object->Release();
        testsupport::Announce(Line(name, " ", hr));
    }
    CoUninitialize();
    return 0;
}
