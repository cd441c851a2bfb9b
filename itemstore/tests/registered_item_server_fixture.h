// The item server registered in a fresh machine, so that its classes are
// created by class id as every client creates them.
#pragma once

#include "com/runtime.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/register_server.h"
#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

class RegisteredItemServerTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    void SetUp() override {
        LeakChecked::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        ASSERT_EQ(com_testing::RegisterServerLibrary(u"Bellquist.dll"), S_OK);
    }
    void TearDown() override {
        CoUninitialize();
        LeakChecked::TearDown();
    }
};
