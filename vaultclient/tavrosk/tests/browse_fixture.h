// A logged-in client library over the seeded vault with a small item tree:
//
//   "\<items>\"                      item C, sub-folder Parts
//   "\<items>\Parts\"                items A and B
//   A: bracket (dynamic, link at version 1 of 2), plate (static, version 1 of 2)
//   B: the BOM of bracket, item A (child item)
//   C: item A (child item), item B with a static link type (reported as a
//      BOM link), a cut list (never reported)
//
// so A hangs under B, C and its folder. A is checked out to the test's view.
// Arrays cross the interface as the item server sends and receives them.
#pragma once

#include "bellquist/records.h"
#include "client_fixture.h"
#include "com/record_info.h"
#include "com/safearray.h"

#include <string>
#include <vector>

namespace tavrosk_test {

// A record array received from the library: its records while in scope,
// destroyed (with every string) afterwards.
template <class T>
class Received {
public:
    explicit Received(SAFEARRAY* array) : array_(array) {
        if (!array_) return;
        LONG upper = -1;
        EXPECT_EQ(SafeArrayGetUBound(array_, 1, &upper), S_OK);
        EXPECT_EQ(SafeArrayAccessData(array_, reinterpret_cast<void**>(&data_)), S_OK);
        count_ = upper + 1;
    }
    ~Received() {
        if (!array_) return;
        SafeArrayUnaccessData(array_);
        EXPECT_EQ(SafeArrayDestroy(array_), S_OK);
    }
    Received(const Received&) = delete;
    Received& operator=(const Received&) = delete;

    bool IsNull() const { return array_ == nullptr; }
    LONG size() const { return count_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + count_; }
    const T& operator[](LONG i) const { return data_[i]; }

private:
    SAFEARRAY* array_;
    T* data_ = nullptr;
    LONG count_ = 0;
};

// An [in] array of ItmObjectData the test builds and destroys.
class InputRecords {
public:
    explicit InputRecords(ULONG count) {
        IRecordInfo* info = nullptr;
        EXPECT_EQ(GetRecordInfoFromGuids(TavroskClientLib::LIBID_TavroskClientLib, 1, 0, 9,
                                         BellquistLib::ItmObjectData::kRecordGuid, &info),
                  S_OK);
        array_ = SafeArrayCreateVectorEx(VT_RECORD, 0, count, info);
        if (info) info->Release();
        EXPECT_EQ(SafeArrayAccessData(array_, reinterpret_cast<void**>(&data_)), S_OK);
    }
    ~InputRecords() {
        SafeArrayUnaccessData(array_);
        SafeArrayDestroy(array_);
    }
    InputRecords(const InputRecords&) = delete;
    InputRecords& operator=(const InputRecords&) = delete;

    BellquistLib::ItmObjectData& operator[](ULONG i) { return data_[i]; }
    // A record of an object by type and id, with no parent and no version.
    BellquistLib::ItmObjectData& Set(ULONG i, LONG type, LONG id, const char16_t* name = nullptr) {
        BellquistLib::ItmObjectData& record = data_[i];
        record.meObjectType = static_cast<BellquistLib::ItmObjectType>(type);
        record.mlObjectID = id;
        record.mlConfigID = -1;
        if (name) record.moFilename = SysAllocString(name);
        return record;
    }
    SAFEARRAY* get() const { return array_; }

private:
    SAFEARRAY* array_ = nullptr;
    BellquistLib::ItmObjectData* data_ = nullptr;
};

class BrowseTest : public ClientTest {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        if (HasFatalFailure()) return;
        vaultdb::Database& db = *vault_.db;
        using vennacle_test::Sql;
        // A second version of plate, so a static link at version 1 lags behind.
        Sql(db, "INSERT INTO document_versions (document_id, version, modified_utc, user_id) VALUES (?, 2, ?, ?)",
            {vault_.plate, 46010.5, vault_.alice});
        Sql(db, "UPDATE documents SET latest_version = 2 WHERE id = ?", {vault_.plate});
        itemA_ = AddItem(u"A.<item>", vault_.partsFolder);
        itemB_ = AddItem(u"B.<item>", vault_.partsFolder);
        itemC_ = AddItem(u"C.<item>", vault_.itemsFolder);
        bom_ = static_cast<LONG>(Sql(db,
                                     "INSERT INTO boms (document_id, configuration_id, folder_id, name, latest_version)"
                                     " VALUES (?, ?, ?, 'bracket BOM', 1) RETURNING id",
                                     {vault_.bracket, vault_.defaultConfig, vault_.partsFolder}));
        Link(itemA_, 6, vault_.bracket, 1, 1);
        Link(itemA_, 6, vault_.plate, 2, 1);
        Link(itemB_, 7, bom_, 3, 1);
        Link(itemB_, 4, itemA_, 3, 1);
        Link(itemC_, 4, itemA_, 3, 1);
        Link(itemC_, 4, itemB_, 2, 1);
        Link(itemC_, 8, 77, 3, 1);
        Sql(db,
            "INSERT INTO locks (document_id, user_id, view_guid, computer, locked_path) VALUES (?, ?, ?, 'PC', "
            "'C:\\Views\\Demo\\<items>\\Parts\\A.<item>')",
            {itemA_, vault_.alice, std::u16string(u"{5D1C0B2A-3E4F-4A5B-8C6D-7E8F90A1B2C3}")});

        client_ = CreateClient();
        services_ = Services(client_);
        LoginStrings strings;
        TavroskClientLib::LoginRecord login = AliceLogin(strings);
        ASSERT_EQ(services_->Login(&login), S_OK);
    }
    void TearDown() override {
        services_ = nullptr;
        client_ = nullptr;
        ClientTest::TearDown();
    }

    LONG AddItem(const std::u16string& name, LONG folder) {
        const LONG id = static_cast<LONG>(vennacle_test::Sql(
            *vault_.db,
            "INSERT INTO documents (folder_id, name, name_key, doc_type, latest_version) VALUES (?, ?, ?, 4, 1)"
            " RETURNING id",
            {folder, name, vaultdb::FoldKey(name)}));
        vennacle_test::Sql(*vault_.db,
                           "INSERT INTO document_versions (document_id, version, modified_utc, user_id)"
                           " VALUES (?, 1, 46020.25, ?)",
                           {id, vault_.alice});
        return id;
    }
    void Link(LONG parent, LONG childType, LONG child, LONG linkType, LONG attachedVersion) {
        vennacle_test::Sql(*vault_.db,
                           "INSERT INTO links (parent_id, child_type, child_id, link_type, attached_version)"
                           " VALUES (?, ?, ?, ?, ?)",
                           {parent, childType, child, linkType, attachedVersion});
    }

    com::ComPtr<TavroskClientLib::ITavroskClient> client_;
    com::ComPtr<TavroskClientLib::ITavroskServices> services_;
    LONG itemA_ = 0, itemB_ = 0, itemC_ = 0, bom_ = 0;
};

}  // namespace tavrosk_test
