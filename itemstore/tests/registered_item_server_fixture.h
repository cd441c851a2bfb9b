// The item server registered in a fresh machine, so that its classes are
// created by class id as every client creates them.
#pragma once

#include "com_testing/registered_server_test.h"

class RegisteredItemServerTest : public com_testing::RegisteredServerTest {
protected:
    RegisteredItemServerTest() : RegisteredServerTest({u"Bellquist.dll"}) {}
};
