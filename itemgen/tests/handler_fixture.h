// A tree handler over the seeded vault of the stored-procedure layer's
// tests, on a fresh machine, with its state open to the tests; every test
// proves it gave back what it took.
#pragma once

#include "fake_tree_parts.h"
#include "vault_seed.h"
#include "xref_tree_handler.h"

#include "com/safearray.h"
#include "com/server/com_object.h"
#include "com_testing/leak_checked_test.h"
#include "coravent/records.h"
#include "coravent/type_library.h"
#include "hastrel/records.h"

#include <bit>
#include <cstdint>
#include <vector>

namespace coravent_test {

// The VT_I4 elements of a column set (SAFEARRAY of VT_I4), in order.
inline std::vector<LONG> Columns(SAFEARRAY* array) {
    std::vector<LONG> columns;
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    for (LONG i = lower; i <= upper; ++i) {
        LONG value = 0;
        SafeArrayGetElement(array, &i, &value);
        columns.push_back(value);
    }
    return columns;
}

class TestHandler : public coravent::CXRefTreeHandler {
public:
    using CXRefTreeHandler::mbTreeIdsReturned;
    using CXRefTreeHandler::mlDestFolderID;
    using CXRefTreeHandler::mlTreeOptions;
    using CXRefTreeHandler::moCurrentLinks;
    using CXRefTreeHandler::moFolderItems;
    using CXRefTreeHandler::moNewIds;
    using CXRefTreeHandler::moSelection;
    using CXRefTreeHandler::moVarData;
    using CXRefTreeHandler::moViewID;
    using CXRefTreeHandler::mpoListObject;
    using CXRefTreeHandler::mpoTree;
    using CXRefTreeHandler::mpoTreeManager;
};

class HandlerTest : public com_testing::LeakChecked<vennacle_test::VennacleTest> {
protected:
    void SetUp() override {
        LeakChecked::SetUp();
        HastrelLib::RegisterRecords();
        CoraventLib::RegisterRecords();
    }
    void TearDown() override {
        ReleaseHandler();
        LeakChecked::TearDown();
    }

    // A new handler for `type`, started on the test's connection with the
    // view root `rootPath`.
    TestHandler& MakeHandler(CoraventLib::TreeCreationType type, const char16_t* rootPath = u"C:\\Vault\\") {
        ReleaseHandler();
        CComObject<TestHandler>* made = nullptr;
        EXPECT_EQ(CComObject<TestHandler>::CreateInstance(&made), S_OK);
        made->AddRef();
        handler_ = made;
        CoraventLib::InitData data{};
        data.mpoSpMgr = reinterpret_cast<uintptr_t>(&Mgr());
        data.mlUserID = vault_.alice;
        data.meTreeCreationType = type;
        data.moRootPath = SysAllocString(rootPath);
        data.moComputerName = SysAllocString(u"WORKSTATION");
        EXPECT_EQ(made->Init(data, type, nullptr), S_OK);
        SysFreeString(data.moRootPath);
        SysFreeString(data.moComputerName);
        return *made;
    }

    // Hands the handler `tree` as its current tree.
    void GiveTree(FakeTree* tree) { handler_->mpoTree = static_cast<HastrelLib::IXRefTree*>(tree); }

    void ReleaseHandler() {
        if (handler_) static_cast<CASTAVYLib::IFileRefCmd3*>(handler_)->Release();
        handler_ = nullptr;
    }

    TestHandler* handler_ = nullptr;  // one reference
};

}  // namespace coravent_test
