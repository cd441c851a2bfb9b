// A program of its own that uses the hand-written server as the system's
// programs use theirs: it joins the runtime, creates the class by its
// ProgID, calls it, and lets the runtime unload the server.
//
// hand_client_child <ProgID> <path of libHandServer.so>
// Prints "sum=<2 + 40>" and "loaded=<0|1>" after CoFreeUnusedLibraries, or
// "failed <step> 0x<HRESULT>" and exits with 1.
#include "hand_server/hand_server.h"

#include "com/runtime.h"
#include "com_testing/announce_failure.h"
#include "com_testing/library_loaded.h"

#include "winapi/text.h"

#include "testsupport/child_process.h"

#include <string>

using com_testing::AnnounceFailure;

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    if (HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); FAILED(hr))
        return AnnounceFailure("CoInitializeEx", hr);
    CLSID clsid{};
    if (HRESULT hr = CLSIDFromProgID(winapi::ToUtf16(argv[1]).c_str(), &clsid); FAILED(hr))
        return AnnounceFailure("CLSIDFromProgID", hr);
    IHandCalculator* calculator = nullptr;
    if (HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&calculator)); FAILED(hr))
        return AnnounceFailure("CoCreateInstance", hr);
    LONG sum = 0;
    HRESULT hr = calculator->Add(2, 40, &sum);
    calculator->Release();
    if (FAILED(hr)) return AnnounceFailure("Add", hr);
    testsupport::Announce("sum=" + std::to_string(sum));

    CoFreeUnusedLibraries();
    testsupport::Announce(std::string("loaded=") + (com_testing::LibraryLoaded(argv[2]) ? "1" : "0"));
    CoUninitialize();
    return 0;
}
