// Fixture base for tests that create a server's classes by class id, as every
// client creates them: a fresh machine, the apartment entered, the in-process
// server libraries of the build the test needs registered by their own
// DllRegisterServer, and every allocation checked to be given back.
#pragma once

#include "com/runtime.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/register_server.h"
#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace com_testing {

// The derived fixture names the libraries ("Bellquist.dll"), registered in
// that order. Objects the test keeps in members must be released in the
// test's own TearDown before this one runs; the libraries no object holds any
// more are freed before the apartment is left.
class RegisteredServerTest : public LeakChecked<testsupport::FreshMachineTest> {
protected:
    explicit RegisteredServerTest(std::vector<const char16_t*> libraries) : libraries_(std::move(libraries)) {}

    void SetUp() override {
        LeakChecked::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        for (const char16_t* library : libraries_) ASSERT_EQ(RegisterServerLibrary(library), S_OK);
    }
    void TearDown() override {
        CoFreeUnusedLibraries();
        CoUninitialize();
        LeakChecked::TearDown();
    }

private:
    std::vector<const char16_t*> libraries_;  // Not owned: literals.
};

}  // namespace com_testing
