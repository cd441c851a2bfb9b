#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "bellquist/records.h"
#include "bellquist/type_library.h"

#include "com/guid_strings.h"
#include "com/hresults.h"
#include "com/record_info.h"
#include "com/safearray.h"
#include "com_testing/bstr_text.h"
#include "com_testing/counting_object.h"
#include "common/record_array.h"
#include "typelib_testing/records_test.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace BellquistLib {
namespace {

using com_testing::CountingObject;
using com_testing::Text;

std::u16string GuidText(const GUID& guid) {
    OLECHAR text[39] = {};
    EXPECT_EQ(StringFromGUID2(guid, text, 39), 39);
    return text;
}

class BellquistRecordsTest : public typelib_testing::RecordsTest {
protected:
    BellquistRecordsTest() : RecordsTest(LIBID_BellquistLib, &RegisterRecords) {}
};

template <class Record>
typelib_testing::RecordCase Case(const char16_t* name, ULONG fields) {
    return {Record::kRecordGuid, name, sizeof(Record), fields};
}

TEST_F(BellquistRecordsTest, EveryRecordIsFoundWithItsNameSizeAndFields) {
    const typelib_testing::RecordCase cases[] = {
        Case<UdtGUID>(u"UdtGUID", 4),
        Case<ItmObjectData>(u"ItmObjectData", 32),
        Case<LoadItmObjectData>(u"LoadItmObjectData", 2),
        Case<ItmUniqueID>(u"ItmUniqueID", 4),
        Case<ItmLink>(u"ItmLink", 6),
        Case<ItmLinkData>(u"ItmLinkData", 2),
        Case<InitData>(u"InitData", 9),
        Case<LoginDataOut>(u"LoginDataOut", 5),
        Case<MenuSysRightInfo>(u"MenuSysRightInfo", 1),
        Case<ItmVaultInfo>(u"ItmVaultInfo", 7),
        Case<XRefUpdatePath>(u"XRefUpdatePath", 2),
        Case<XRefRootObject>(u"XRefRootObject", 16),
        Case<DelOrDestroyed>(u"DelOrDestroyed", 3),
        Case<ItemDataIn>(u"ItemDataIn", 3),
        Case<CacheUpdate>(u"CacheUpdate", 4),
        Case<UniqueDocument>(u"UniqueDocument", 4),
        Case<ItmDbInfo>(u"ItmDbInfo", 5),
        Case<MenuVersionInfo>(u"MenuVersionInfo", 3),
        Case<MenuTransitionInfo>(u"MenuTransitionInfo", 4),
        Case<MenuStatusNotificationInfo>(u"MenuStatusNotificationInfo", 4),
        Case<ItmInfoSupplement>(u"ItmInfoSupplement", 5),
    };
    ExpectRecordsDescribed(cases);
}

// The description the server registers: every interface once, the duals
// marshalled as Automation interfaces.
TEST(BellquistTypeLibraryTest, NamesEachInterfaceOnceWithItsDualFlag) {
    const com::TypeLibrary& library = TypeLibrary();
    EXPECT_EQ(*library.libraryId, LIBID_BellquistLib);
    EXPECT_EQ(library.name, u"Bellquist 1.0 Type Library");
    EXPECT_EQ(library.registerRecords, &RegisterRecords);
    ASSERT_EQ(library.interfaces.size(), 14u);
    std::set<std::u16string> iids;
    for (const com::TypeLibraryInterface& entry : library.interfaces) {
        EXPECT_TRUE(iids.insert(GuidText(*entry.iid)).second) << "interface id given twice";
    }
    auto automationOf = [&](const IID& iid) {
        for (const com::TypeLibraryInterface& entry : library.interfaces) {
            if (*entry.iid == iid) return entry.automation;
        }
        ADD_FAILURE() << "interface missing";
        return false;
    };
    EXPECT_TRUE(automationOf(IItmObject::kIid));
    EXPECT_TRUE(automationOf(IItmLinkManager::kIid));
    EXPECT_FALSE(automationOf(ILocalTransactionMgr::kIid));
}

TEST_F(BellquistRecordsTest, GuidFieldsAreNestedUdtGuidRecords) {
    IRecordInfo* info = RecordInfoOf(ItmObjectData::kRecordGuid);
    ASSERT_NE(info, nullptr);
    ItmObjectData data{};
    data.moLockViewID = CLSID_ItmFolder;
    VARIANT field;
    VariantInit(&field);
    ASSERT_EQ(info->GetField(&data, u"moLockViewID", &field), S_OK);
    ASSERT_EQ(field.vt, VT_RECORD);
    const auto* copied = static_cast<const UdtGUID*>(field.pvRecord);
    EXPECT_EQ(copied->Data1, static_cast<LONG>(CLSID_ItmFolder.Data1));
    EXPECT_EQ(copied->Data4[7], CLSID_ItmFolder.Data4[7]);
    EXPECT_EQ(VariantClear(&field), S_OK);
    info->Release();
}

// The array of records gives back the strings and the connection of each record.
TEST_F(BellquistRecordsTest, ItmObjectDataArrayOwnsStringsAndConnection) {
    CountingObject connection;
    {
        RecordArray<ItmObjectData> items;
        items.mvCreate(2, LIBID_BellquistLib, kLibraryMajorVersion, kLibraryMinorVersion);
        ASSERT_EQ(items.mlGetCount(), 2);
        LONG id = 10;
        for (ItmObjectData* item = items.mpoBegin(); item != items.mpoEnd(); ++item) {
            item->meObjectType = ItmObjectType_Item;
            item->mlObjectID = id++;
            item->mlConfigID = -1;
            item->moFilename = SysAllocString(u"Bracket.<item>");
            item->moPath = SysAllocString(u"\\<items>\\Parts\\");
            item->mbsLinkedFile = SysAllocString(u"bracket.sldprt");
            item->mbIsCutlist = VARIANT_TRUE;
            item->mpoConnection = connection.Unknown();
            connection.AddRef();
        }
        EXPECT_EQ(NewBstrs(), 6);
        EXPECT_EQ(connection.References(), 3u);
        EXPECT_EQ(items.mpoBegin()[1].mlObjectID, 11);
    }
    EXPECT_EQ(connection.References(), 1u);
}

// A vault's information owns its system-rights array, which holds records.
TEST_F(BellquistRecordsTest, ItmVaultInfoClearGivesBackItsRightsArray) {
    IRecordInfo* vaultInfo = RecordInfoOf(ItmVaultInfo::kRecordGuid);
    IRecordInfo* rightInfo = RecordInfoOf(MenuSysRightInfo::kRecordGuid);
    ASSERT_NE(vaultInfo, nullptr);
    ASSERT_NE(rightInfo, nullptr);
    CountingObject connection;
    ItmVaultInfo vault{};
    vault.mpoConnectionPtr = connection.Unknown();
    connection.AddRef();
    vault.moViewPath = SysAllocString(u"C:\\Vaults\\Demo\\");
    vault.poUserSystemRights = SafeArrayCreateVectorEx(VT_RECORD, 0, 2, rightInfo);
    ASSERT_NE(vault.poUserSystemRights, nullptr);
    static_cast<MenuSysRightInfo*>(vault.poUserSystemRights->pvData)[1].muiRight = 4;

    ItmVaultInfo copy{};
    ASSERT_EQ(vaultInfo->RecordCopy(&vault, &copy), S_OK);
    ASSERT_NE(copy.poUserSystemRights, nullptr);
    EXPECT_NE(copy.poUserSystemRights, vault.poUserSystemRights);
    EXPECT_EQ(static_cast<MenuSysRightInfo*>(copy.poUserSystemRights->pvData)[1].muiRight, 4u);
    EXPECT_EQ(connection.References(), 3u);

    EXPECT_EQ(vaultInfo->RecordClear(&copy), S_OK);
    EXPECT_EQ(vaultInfo->RecordClear(&vault), S_OK);
    EXPECT_EQ(vault.poUserSystemRights, nullptr);
    EXPECT_EQ(connection.References(), 1u);
    rightInfo->Release();
    vaultInfo->Release();
}

}  // namespace
}  // namespace BellquistLib
