// A program of its own that uses the test server as the system's programs
// use theirs: it joins the runtime, creates a widget by ProgID or CLSID, has
// it hand out a part, and lets the runtime unload the server once nothing
// of it is used.
//
// server_child <ProgID or {CLSID}> <path of libTestServer.so>
// Prints "serial=<n>", "loaded while a part lives=<0|1>" and "loaded=<0|1>",
// or "failed <step> 0x<HRESULT>" and exits with 1.
#include "test_server/test_server.h"

#include "com/runtime.h"
#include "com_testing/announce_failure.h"
#include "com_testing/library_loaded.h"
#include "testsupport/child_process.h"
#include "winapi/guid_text.h"
#include "winapi/text.h"

#include <string>

using com_testing::AnnounceFailure;
using com_testing::LibraryLoaded;

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const std::u16string name = winapi::ToUtf16(argv[1]);
    if (HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); FAILED(hr))
        return AnnounceFailure("CoInitializeEx", hr);
    CLSID clsid{};
    if (!winapi::ParseGuid(name, &clsid)) {
        if (HRESULT hr = CLSIDFromProgID(name.c_str(), &clsid); FAILED(hr))
            return AnnounceFailure("CLSIDFromProgID", hr);
    }

    test_server::IWidget* widget = nullptr;
    if (HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&widget)); FAILED(hr))
        return AnnounceFailure("CoCreateInstance", hr);
    test_server::IPart* part = nullptr;
    HRESULT hr = widget->put_Size(41);
    if (SUCCEEDED(hr)) hr = widget->MakePart(&part);
    widget->Release();
    if (FAILED(hr)) return AnnounceFailure("MakePart", hr);
    LONG serial = 0;
    hr = part->GetSerial(&serial);
    if (FAILED(hr)) return AnnounceFailure("GetSerial", hr);
    testsupport::Announce("serial=" + std::to_string(serial));

    CoFreeUnusedLibraries();
    testsupport::Announce(std::string("loaded while a part lives=") + (LibraryLoaded(argv[2]) ? "1" : "0"));
    part->Release();
    CoFreeUnusedLibraries();
    testsupport::Announce(std::string("loaded=") + (LibraryLoaded(argv[2]) ? "1" : "0"));
    CoUninitialize();
    return 0;
}
