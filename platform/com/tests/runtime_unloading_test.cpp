#include "runtime_test_support.h"

#include "winapi/guid_text.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

namespace {

using runtime_test::HandServerLoaded;

using RuntimeUnloadingTest = runtime_test::HandServerTest;

TEST_F(RuntimeUnloadingTest, KeepsTheServerWhileAnObjectLivesAndUnloadsItWhenUnused) {
    EXPECT_FALSE(HandServerLoaded());
    IHandCalculator* first = CreateCalculator();
    IHandCalculator* second = CreateCalculator();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(HandServerLoaded());

    first->Release();
    CoFreeUnusedLibraries();
    EXPECT_TRUE(HandServerLoaded());  // the second object still runs its code
    LONG sum = 0;
    EXPECT_EQ(second->Add(4, 5, &sum), S_OK);
    EXPECT_EQ(sum, 9);

    second->Release();
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_FALSE(HandServerLoaded());

    // Forgotten by the cache: the next creation loads the server again.
    IHandCalculator* again = CreateCalculator();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Add(1, 2, &sum), S_OK);
    EXPECT_EQ(sum, 3);
    again->Release();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(HandServerLoaded());
}

TEST_F(RuntimeUnloadingTest, KeepsALockedServer) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(CoGetClassObject(hand_server::kCalculatorClsid, CLSCTX_ALL, nullptr, IID_PPV_ARGS(&factory)), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    CoFreeUnusedLibraries();
    EXPECT_TRUE(HandServerLoaded());

    ASSERT_EQ(CoGetClassObject(hand_server::kCalculatorClsid, CLSCTX_ALL, nullptr, IID_PPV_ARGS(&factory)), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory->Release();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(HandServerLoaded());
}

TEST_F(RuntimeUnloadingTest, HoldsOneLoadOfALibraryReachedByTwoRegisteredPaths) {
    // Registered by its name, then by its full path, as two installers may.
    const std::u16string serverKey =
        u"CLSID\\" + winapi::GuidToString(hand_server::kCalculatorClsid) + u"\\InprocServer32";
    runtime_test::SetClassesRootText(serverKey, nullptr, hand_server::kLibraryName);
    IHandCalculator* byName = CreateCalculator();
    ASSERT_NE(byName, nullptr);
    runtime_test::SetClassesRootText(serverKey, nullptr, winapi::ToUtf16(runtime_test::HandServerFile()));
    IHandCalculator* byPath = CreateCalculator();
    ASSERT_NE(byPath, nullptr);
    byName->Release();
    byPath->Release();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(HandServerLoaded());
}

TEST_F(RuntimeUnloadingTest, TheLastUninitialisationUnloadsUnusedServers) {
    IHandCalculator* calculator = CreateCalculator();
    ASSERT_NE(calculator, nullptr);
    calculator->Release();
    EXPECT_TRUE(HandServerLoaded());
    Uninitialise();
    EXPECT_FALSE(HandServerLoaded());
}

TEST_F(RuntimeUnloadingTest, TheLastUninitialisationKeepsServersInUse) {
    IHandCalculator* calculator = CreateCalculator();
    ASSERT_NE(calculator, nullptr);
    Uninitialise();
    EXPECT_TRUE(HandServerLoaded());
    LONG sum = 0;
    EXPECT_EQ(calculator->Add(1, 1, &sum), S_OK);
    calculator->Release();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(HandServerLoaded());
}

}  // namespace
