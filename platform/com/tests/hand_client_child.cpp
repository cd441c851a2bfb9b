// A program of its own that uses the hand-written server as the system's
// programs use theirs: it joins the runtime, creates the class by its
// ProgID, calls it, and lets the runtime unload the server.
//
// hand_client_child <ProgID> <path of libHandServer.so>
// Prints "sum=<2 + 40>" and "loaded=<0|1>" after CoFreeUnusedLibraries, or
// "failed <step> 0x<HRESULT>" and exits with 1.
#include "hand_server/hand_server.h"

#include "com/runtime.h"

#include "winapi/text.h"

#include "testsupport/child_process.h"

#include <dlfcn.h>

#include <cstdio>
#include <string>

namespace {

int Fail(const char* step, HRESULT hr) {
    char line[64];
    std::snprintf(line, sizeof line, "failed %s 0x%08X", step, static_cast<unsigned>(hr));
    testsupport::Announce(line);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    if (HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); FAILED(hr)) return Fail("CoInitializeEx", hr);
    CLSID clsid{};
    if (HRESULT hr = CLSIDFromProgID(winapi::ToUtf16(argv[1]).c_str(), &clsid); FAILED(hr))
        return Fail("CLSIDFromProgID", hr);
    IHandCalculator* calculator = nullptr;
    if (HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&calculator)); FAILED(hr))
        return Fail("CoCreateInstance", hr);
    LONG sum = 0;
    HRESULT hr = calculator->Add(2, 40, &sum);
    calculator->Release();
    if (FAILED(hr)) return Fail("Add", hr);
    testsupport::Announce("sum=" + std::to_string(sum));

    CoFreeUnusedLibraries();
    void* stillLoaded = dlopen(argv[2], RTLD_LAZY | RTLD_NOLOAD);
    if (stillLoaded) dlclose(stillLoaded);
    testsupport::Announce(std::string("loaded=") + (stillLoaded ? "1" : "0"));
    CoUninitialize();
    return 0;
}
