#include "com/hresults.h"
#include "com/record_info.h"
#include "com_testing/bstr_text.h"
#include "dunmorrow/ids.h"
#include "dunmorrow/records.h"
#include "dunmorrow/type_library.h"
#include "typelib_testing/records_test.h"

#include <gtest/gtest.h>

namespace {

using namespace DunmorrowLib;
using com_testing::Text;

class DunmorrowRecordsTest : public typelib_testing::RecordsTest {
protected:
    DunmorrowRecordsTest() : RecordsTest(LIBID_DunmorrowLib, &RegisterRecords) {}
};

TEST_F(DunmorrowRecordsTest, EveryRecordIsFoundWithItsSizeAndFields) {
    const typelib_testing::RecordCase cases[] = {
        {LoginInfo::kRecordGuid, u"LoginInfo", 56, 8},
        {LoginResult::kRecordGuid, u"LoginResult", 80, 11},
    };
    ExpectRecordsDescribed(cases);
}

// A login result handed on (the item manager keeps a copy): every field
// arrives, the strings are the copy's own, and clearing both frees each once.
TEST_F(DunmorrowRecordsTest, CopiedLoginResultOwnsItsStrings) {
    IRecordInfo* info = RecordInfoOf(LoginResult::kRecordGuid);
    ASSERT_NE(info, nullptr);
    LoginResult original{};
    original.mpoSpMgr = 0x7F0012345678ull;
    original.mlUserID = 7;
    original.moUsername = SysAllocString(u"admin");
    original.moUserPwd = SysAllocString(u"secret");
    original.musPort = 3030;
    original.mbsAServer = SysAllocString(u"archive01");
    original.mlRootItemFolderID = 12;
    original.moVaultGUID = com::MakeGuid("6B1C0F4E-2D1A-4C55-9E0B-7A3F61D2C8E4");

    LoginResult copy{};
    ASSERT_EQ(info->RecordCopy(&original, &copy), S_OK);
    EXPECT_EQ(copy.mpoSpMgr, original.mpoSpMgr);
    EXPECT_EQ(copy.mlUserID, 7);
    EXPECT_EQ(copy.musPort, 3030);
    EXPECT_EQ(copy.mlRootItemFolderID, 12);
    EXPECT_EQ(copy.moVaultGUID, original.moVaultGUID);
    EXPECT_NE(copy.moUsername, original.moUsername);
    EXPECT_EQ(Text(copy.moUsername), u"admin");
    EXPECT_EQ(Text(copy.moUserPwd), u"secret");
    EXPECT_EQ(Text(copy.mbsAServer), u"archive01");

    EXPECT_EQ(info->RecordClear(&original), S_OK);
    EXPECT_EQ(info->RecordClear(&copy), S_OK);
    EXPECT_EQ(copy.moUsername, nullptr);
    info->Release();
}

}  // namespace
