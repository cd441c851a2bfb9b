#include "com/runtime.h"

#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

constexpr CLSID kUnregisteredClass = com::MakeGuid("05BEE133-5F40-4D9B-BA7D-D3A1FAA2444F");

// REGDB_E_CLASSNOTREG from a thread that may use the runtime,
// CO_E_NOTINITIALIZED from one that may not.
HRESULT TryCreate() {
    IUnknown* object = nullptr;
    return CoCreateInstance(kUnregisteredClass, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&object));
}

// Each case runs its thread state on a thread of its own.
template <class Body>
void OnNewThread(Body body) {
    std::thread(body).join();
}

class RuntimeInitTest : public testsupport::FreshMachineTest {};

TEST_F(RuntimeInitTest, CountsEachThreadsInitialisationsAndKeepsItsThreadingModel) {
    OnNewThread([] {
        EXPECT_EQ(TryCreate(), CO_E_NOTINITIALIZED);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE), S_OK);
        EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
        EXPECT_EQ(OleInitialize(nullptr), S_FALSE);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);  // not counted
        EXPECT_EQ(TryCreate(), REGDB_E_CLASSNOTREG);

        OleUninitialize();
        CoUninitialize();
        EXPECT_EQ(TryCreate(), REGDB_E_CLASSNOTREG);  // one initialisation left
        CoUninitialize();
        EXPECT_EQ(TryCreate(), CO_E_NOTINITIALIZED);
        CoUninitialize();  // unbalanced: does nothing

        // Fully undone, the thread may join with the other model.
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        EXPECT_EQ(CoInitialize(nullptr), RPC_E_CHANGED_MODE);
        EXPECT_EQ(OleInitialize(nullptr), RPC_E_CHANGED_MODE);
        CoUninitialize();
        EXPECT_EQ(TryCreate(), CO_E_NOTINITIALIZED);
    });
}

TEST_F(RuntimeInitTest, RefusesReservedArgumentsAndUnknownFlags) {
    OnNewThread([] {
        int reserved = 0;
        EXPECT_EQ(CoInitializeEx(&reserved, COINIT_APARTMENTTHREADED), E_INVALIDARG);
        EXPECT_EQ(CoInitialize(&reserved), E_INVALIDARG);
        EXPECT_EQ(CoInitializeEx(nullptr, 0x100), E_INVALIDARG);
        EXPECT_EQ(TryCreate(), CO_E_NOTINITIALIZED);  // none of them counted
    });
}

TEST_F(RuntimeInitTest, ThreadsJoinTheMultithreadedApartmentImplicitly) {
    OnNewThread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        OnNewThread([] { EXPECT_EQ(TryCreate(), REGDB_E_CLASSNOTREG); });
        CoUninitialize();
        OnNewThread([] { EXPECT_EQ(TryCreate(), CO_E_NOTINITIALIZED); });
    });
    // An apartment-threaded thread gives other threads nothing.
    OnNewThread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        OnNewThread([] { EXPECT_EQ(TryCreate(), CO_E_NOTINITIALIZED); });
        CoUninitialize();
    });
}

}  // namespace
