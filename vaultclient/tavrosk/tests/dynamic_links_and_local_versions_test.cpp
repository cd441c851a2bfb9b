// The client library's dynamic-link update (service slot 6) and local
// versions (file-info slot 4) over the seeded item tree (browse_fixture.h).
#include "browse_fixture.h"

#include "com_testing/bstr_text.h"
#include "tavrosk/link_record.h"
#include "common/error_codes.h"

#include <cstring>

namespace {

using namespace tavrosk_test;
using BellquistLib::ItmObjectData;
using TavroskClientLib::ITavroskFileInfo;
using TavroskClientLib::LinkRecord;

// A value of a link record as the item server reads it: by byte offset.
template <class T>
T At(const LinkRecord& record, size_t offset) {
    T value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(&record) + offset, sizeof value);
    return value;
}

using DynamicLinksTest = BrowseTest;

TEST_F(DynamicLinksTest, EachItemWithADynamicFileGetsItsRefreshedLinkAtTheOffsetsTheItemServerReads) {
    InputRecords items(4);
    items.Set(0, 4, itemA_, u"A.<item>");
    items.Set(1, 4, itemB_, u"B.<item>");  // no dynamic link: nothing
    items.Set(2, 6, vault_.bracket);       // not an item: nothing
    items.Set(3, 4, 0, u"a.<ITEM>");       // by name; named as the caller named it
    SAFEARRAY* links = nullptr;
    ASSERT_EQ(services_->UpdateDynamicLinks(items.get(), 0, 0, &links), S_OK);
    Received<LinkRecord> records(links);
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(com_testing::Text(At<BSTR>(records[0], 0)), u"A.<item>");
    EXPECT_EQ(com_testing::Text(At<BSTR>(records[1], 0)), u"a.<ITEM>");
    for (const LinkRecord& record : records) {
        EXPECT_EQ(At<int32_t>(record, 8), 1) << "the refreshed link: neither add nor remove";
        EXPECT_EQ(At<int32_t>(record, 12), vault_.bracket);
        EXPECT_EQ(At<int32_t>(record, 16), vault_.cadFolder);
        EXPECT_EQ(At<int32_t>(record, 20), 2) << "the dynamic file at its latest version";
        EXPECT_EQ(At<int32_t>(record, 24), -1);
        EXPECT_EQ(At<int32_t>(record, 28), 6);
        EXPECT_EQ(At<double>(record, 32), 46002.5);
        EXPECT_EQ(com_testing::Text(At<BSTR>(record, 40)), u"bracket.zvkprt");
        EXPECT_EQ(com_testing::Text(At<BSTR>(record, 48)), u"\\Cad\\");
        for (size_t offset : {56, 60, 64, 68}) EXPECT_EQ(At<int32_t>(record, offset), 1) << "link word at " << offset;
    }
}

TEST_F(DynamicLinksTest, NothingToUpdateGivesNoArray) {
    InputRecords withoutDynamicLinks(2);
    withoutDynamicLinks.Set(0, 4, itemB_);
    withoutDynamicLinks.Set(1, 4, 9999);
    SAFEARRAY* links = reinterpret_cast<SAFEARRAY*>(1);
    EXPECT_EQ(services_->UpdateDynamicLinks(withoutDynamicLinks.get(), 0, 0, &links), S_OK);
    EXPECT_EQ(links, nullptr);
    links = reinterpret_cast<SAFEARRAY*>(1);
    EXPECT_EQ(services_->UpdateDynamicLinks(nullptr, 0, 0, &links), S_OK);
    EXPECT_EQ(links, nullptr);
    EXPECT_EQ(services_->UpdateDynamicLinks(nullptr, 0, 0, nullptr), E_POINTER);
    ASSERT_EQ(client_->Logout(), S_OK);
    EXPECT_EQ(services_->UpdateDynamicLinks(withoutDynamicLinks.get(), 0, 0, &links), E_OXN_NOT_LOGGED_IN);
}

class LocalVersionsTest : public BrowseTest {
protected:
    com::ComPtr<ITavroskFileInfo> FileInfo() {
        com::ComPtr<ITavroskFileInfo> fileInfo;
        EXPECT_EQ(client_->QueryInterface(IID_PPV_ARGS(&fileInfo)), S_OK);
        return fileInfo;
    }
};

TEST_F(LocalVersionsTest, TheVersionWhoseTimeIsTheLocalFilesTimeToTheEvenSecond) {
    // bracket: version 1 at 46001.5, version 2 at 46002.5 (both 12:00:00).
    constexpr double kSecond = 1.0 / 86400.0;
    const struct {
        LONG type;
        LONG id;
        double modified;
        LONG localVersion;
    } cases[] = {
        {6, 0, 46002.5, 2},                  // id set below
        {6, 0, 46002.5 + 1.9 * kSecond, 2},  // the same even second
        {6, 0, 46002.5 + 2 * kSecond, -1},
        {6, 0, 46001.5, 1},
        {6, 9999, 46001.5, -1},  // no such file
        {4, 0, 46002.5, 7},      // not a file: left alone
    };
    InputRecords records(std::size(cases));
    for (ULONG i = 0; i < std::size(cases); ++i) {
        ItmObjectData& record = records.Set(i, cases[i].type, cases[i].id ? cases[i].id : vault_.bracket);
        record.moModified = cases[i].modified;
        record.mlLocalVersion = 7;
    }
    SAFEARRAY* array = records.get();
    ASSERT_EQ(FileInfo()->GetLocalVersions(&array), S_OK);
    EXPECT_EQ(array, records.get()) << "filled in place";
    for (ULONG i = 0; i < std::size(cases); ++i) EXPECT_EQ(records[i].mlLocalVersion, cases[i].localVersion) << i;
}

TEST_F(LocalVersionsTest, NullArraysAndCallsWithoutLogin) {
    auto fileInfo = FileInfo();
    EXPECT_EQ(fileInfo->GetLocalVersions(nullptr), E_POINTER);
    SAFEARRAY* none = nullptr;
    EXPECT_EQ(fileInfo->GetLocalVersions(&none), S_OK);
    ASSERT_EQ(client_->Logout(), S_OK);
    EXPECT_EQ(fileInfo->GetLocalVersions(&none), E_OXN_NOT_LOGGED_IN);
}

}  // namespace
