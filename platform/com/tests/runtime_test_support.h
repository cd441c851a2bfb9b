// Shared pieces of the runtime's tests: registry writes under
// HKEY_CLASSES_ROOT, and a fixture with the hand-written server registered
// on a fresh machine and the test's thread joined to the runtime.
#pragma once

#include "hand_server/hand_server.h"

#include "com/runtime.h"
#include "com_testing/library_loaded.h"

#include "winapi/modules.h"
#include "winapi/registry.h"

#include "testsupport/child_process.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/registry_values.h"

#include <string>

namespace runtime_test {

// Writes text under HKEY_CLASSES_ROOT, creating the key; `type` may be
// REG_EXPAND_SZ.
inline void SetClassesRootText(const std::u16string& subKey, const char16_t* name, const std::u16string& text,
                               DWORD type = REG_SZ) {
    testsupport::WriteText(HKEY_CLASSES_ROOT, subKey, name, text, type);
}

inline std::string HandServerFile() { return testsupport::SiblingProgram(hand_server::kLibraryFile).string(); }

// Whether the loader holds the hand server, whoever loaded it.
inline bool HandServerLoaded() { return com_testing::LibraryLoaded(HandServerFile()); }

// Runs the server's own DllRegisterServer, as an installer does.
inline HRESULT RegisterHandServer() {
    HMODULE module = LoadLibraryW(hand_server::kLibraryName);
    if (!module) return HRESULT_FROM_WIN32(GetLastError());
    auto registerServer =
        reinterpret_cast<HRESULT (*)()>(reinterpret_cast<void (*)()>(GetProcAddress(module, "DllRegisterServer")));
    HRESULT hr = registerServer ? registerServer() : E_FAIL;
    FreeLibrary(module);
    return hr;
}

class HandServerTest : public testsupport::FreshMachineTest {
protected:
    void SetUp() override {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        initialised_ = true;
        ASSERT_EQ(RegisterHandServer(), S_OK);
    }
    void TearDown() override { Uninitialise(); }

    // The test's one initialisation undone: unused libraries are unloaded.
    void Uninitialise() {
        if (initialised_) CoUninitialize();
        initialised_ = false;
    }

    IHandCalculator* CreateCalculator(DWORD context = CLSCTX_INPROC_SERVER) {
        IHandCalculator* calculator = nullptr;
        EXPECT_EQ(CoCreateInstance(hand_server::kCalculatorClsid, nullptr, context, IID_PPV_ARGS(&calculator)), S_OK);
        return calculator;
    }

private:
    bool initialised_ = false;
};

}  // namespace runtime_test
