// The apartment the tests of the client back end run in: a fresh machine
// whose COM objects are leak-checked, with the item server's records and
// those of the outside libraries registered (the server does it as it
// loads; here it is linked in), and the item cache file the back end works
// on.
#pragma once

#include "outside_libraries.h"

#include "itemstore/item_cache_file.h"

#include "bellquist/type_library.h"
#include "com/runtime.h"
#include "com_testing/leak_checked_test.h"
#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

#include <string>

class RegisteredRecordsTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    void SetUp() override {
        LeakChecked::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        BellquistLib::RegisterRecords();
        gvRegisterOutsideRecords();
    }
    void TearDown() override {
        CoUninitialize();
        LeakChecked::TearDown();
    }

    // A new item cache over the file "items.cache" of the machine.
    RefPtr<CItemCacheFile> NewItemCache() {
        const std::string path = (machine_.root() / "items.cache").string();
        return RefPtr<CItemCacheFile>(new CItemCacheFile(std::u16string(path.begin(), path.end())));
    }
};
