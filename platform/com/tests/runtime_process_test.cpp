#include "runtime_test_support.h"

#include <gtest/gtest.h>

namespace {

class RuntimeProcessTest : public testsupport::FreshMachineTest {};

// The registration written here is all the other program knows of the
// server: it shares this machine's state root.
TEST_F(RuntimeProcessTest, AnotherProgramCreatesARegisteredServersObjectByProgId) {
    ASSERT_EQ(runtime_test::RegisterHandServer(), S_OK);
    for (const char* progId : {"HandServer.Calculator", "HandServer.Calculator.1"}) {
        testsupport::ChildProcess client(testsupport::SiblingProgram("hand_client_child"),
                                         {progId, runtime_test::HandServerFile()});
        EXPECT_TRUE(client.WaitForLine("sum=42")) << progId;
        EXPECT_TRUE(client.WaitForLine("loaded=0")) << progId;
        EXPECT_EQ(client.Wait(), 0) << progId;
    }
}

TEST_F(RuntimeProcessTest, AnotherProgramCannotCreateAnUnregisteredServersObject) {
    testsupport::ChildProcess client(testsupport::SiblingProgram("hand_client_child"),
                                     {"HandServer.Calculator", runtime_test::HandServerFile()});
    EXPECT_TRUE(client.WaitForLine("failed CLSIDFromProgID 0x800401F3"));
    EXPECT_EQ(client.Wait(), 1);
}

}  // namespace
