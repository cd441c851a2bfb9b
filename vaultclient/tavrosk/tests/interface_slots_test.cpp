// The item server calls the client library, and the library its callbacks,
// by vtable slot: each method must sit at the slot its callers use.
#include "com_testing/vtable_slot.h"
#include "tavrosk/client_interfaces.h"
#include "tavrosk/feedback_interfaces.h"

#include <gtest/gtest.h>

namespace {

using namespace TavroskClientLib;

using com_testing::SlotOf;

TEST(InterfaceSlotsTest, EveryMethodSitsAtTheSlotItsCallersUse) {
    struct Case {
        const char* method;
        int slot;
        int expected;
    } const cases[] = {
        {"ITavroskClient::FetchTrees", SlotOf(&ITavroskClient::FetchTrees), 5},
        {"ITavroskClient::Logout", SlotOf(&ITavroskClient::Logout), 12},
        {"ITavroskServices::Login", SlotOf(&ITavroskServices::Login), 3},
        {"ITavroskServices::ListFolder", SlotOf(&ITavroskServices::ListFolder), 4},
        {"ITavroskServices::UpdateDynamicLinks", SlotOf(&ITavroskServices::UpdateDynamicLinks), 6},
        {"ITavroskServices::GetMenuInfo", SlotOf(&ITavroskServices::GetMenuInfo), 7},
        {"ITavroskServices::GetConnectionInformation", SlotOf(&ITavroskServices::GetConnectionInformation), 8},
        {"ITavroskServices::Move", SlotOf(&ITavroskServices::Move), 9},
        {"ITavroskServices::CreateNewItem", SlotOf(&ITavroskServices::CreateNewItem), 10},
        {"ITavroskServices::Rename", SlotOf(&ITavroskServices::Rename), 11},
        {"ITavroskServices::GetItmInfoSupplement", SlotOf(&ITavroskServices::GetItmInfoSupplement), 12},
        {"ITavroskFolders::CreateNewItemFolder", SlotOf(&ITavroskFolders::CreateNewItemFolder), 7},
        {"ITavroskFileInfo::ResolvePaths", SlotOf(&ITavroskFileInfo::ResolvePaths), 3},
        {"ITavroskFileInfo::GetLocalVersions", SlotOf(&ITavroskFileInfo::GetLocalVersions), 4},
        {"ITavroskFeedback::ProgressNotice7", SlotOf(&ITavroskFeedback::ProgressNotice7), 7},
        {"ITavroskFeedback::ShowMessage", SlotOf(&ITavroskFeedback::ShowMessage), 12},
        {"ITavroskFeedback::ProgressNotice14", SlotOf(&ITavroskFeedback::ProgressNotice14), 14},
        {"ITavroskFeedback::HandOffDialog", SlotOf(&ITavroskFeedback::HandOffDialog), 15},
        {"ITavroskDialog::ShowDialog", SlotOf(&ITavroskDialog::ShowDialog), 7},
        {"IConfirmReplace::ConfirmReplace", SlotOf(&IConfirmReplace::ConfirmReplace), 3},
    };
    for (const Case& c : cases) EXPECT_EQ(c.slot, c.expected) << c.method;
}

}  // namespace
