#include "com_testing/leak_checked_test.h"

#include "com_testing/counting_error_info.h"
#include "com_testing/counting_object.h"
#include "com_testing/pending_error_info.h"

#include "com/automation_counters.h"
#include "com/error_info.h"
#include "com/server/com_object.h"
#include "com/task_memory.h"

namespace com_testing {

LiveCounts LiveCounts::Now() {
    LiveCounts now;
    now.bstrs = com::testing::LiveBstrCount();
    now.arrays = com::testing::LiveSafeArrayCount();
    now.taskBlocks = com::testing::LiveTaskAllocations();
    now.serverObjects = com::testing::LiveServerObjects();
    now.countingObjects = CountingObject::Live();
    now.countingErrorInfos = CountingErrorInfo::Live();
    return now;
}

void ExpectCountsAsBefore(const LiveCounts& before) {
    const LiveCounts after = LiveCounts::Now();
    EXPECT_EQ(after.bstrs, before.bstrs) << "BSTRs leaked (more) or freed twice (fewer)";
    EXPECT_EQ(after.arrays, before.arrays) << "SAFEARRAYs leaked or destroyed twice";
    EXPECT_EQ(after.taskBlocks, before.taskBlocks) << "task memory leaked or freed twice";
    EXPECT_EQ(after.serverObjects, before.serverObjects) << "a server object leaked";
    EXPECT_EQ(after.countingObjects, before.countingObjects) << "a counting object leaked";
    EXPECT_EQ(after.countingErrorInfos, before.countingErrorInfos) << "a counting error info leaked";
}

void ClearPendingErrorInfo() { SetErrorInfo(0, nullptr); }

void ExpectNoPendingErrorInfo() { EXPECT_EQ(TakePendingDescription(), u"<none>") << "an error info was left pending"; }

}  // namespace com_testing
