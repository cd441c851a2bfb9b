// Fixture base for the component tests: each test proves that it gave back
// everything it allocated, freed nothing twice and left no error info pending.
#pragma once

#include <gtest/gtest.h>

#include "winapi/types.h"

#include <cstdint>

namespace com_testing {

// What is alive at one moment, process wide: BSTRs, SAFEARRAYs, task-memory
// blocks, server objects (CComObject) and this library's counting fakes.
struct LiveCounts {
    int64_t bstrs = 0;
    int64_t arrays = 0;
    long long taskBlocks = 0;
    LONG serverObjects = 0;
    int countingObjects = 0;
    int countingErrorInfos = 0;

    static LiveCounts Now();
};

// Fails the running test for each count that is not back where `before` had
// it (more: leaked; fewer: freed twice or freed what the test did not own).
void ExpectCountsAsBefore(const LiveCounts& before);

// Empties the calling thread's error-info slot, so that no test finds
// another's description.
void ClearPendingErrorInfo();

// Fails the running test if an error info is still pending on this thread
// (what a test leaves there is taken, or cleared, by the test itself), and
// empties the slot.
void ExpectNoPendingErrorInfo();

// Takes the counts once the test is set up, after Base::SetUp, and compares
// them when it ends, before Base::TearDown; derived fixtures call these
// first in SetUp and last in TearDown. Base is ::testing::Test or a fixture
// derived from it (testsupport::FreshMachineTest for tests of machine state).
template <class Base = ::testing::Test>
class LeakChecked : public Base {
protected:
    void SetUp() override {
        Base::SetUp();
        ClearPendingErrorInfo();
        before_ = LiveCounts::Now();
    }
    void TearDown() override {
        ExpectNoPendingErrorInfo();
        ExpectCountsAsBefore(before_);
        Base::TearDown();
    }

    // BSTRs and arrays the test holds now.
    int64_t NewBstrs() const { return LiveCounts::Now().bstrs - before_.bstrs; }
    int64_t NewArrays() const { return LiveCounts::Now().arrays - before_.arrays; }

private:
    LiveCounts before_;
};

using LeakCheckedTest = LeakChecked<>;

}  // namespace com_testing
