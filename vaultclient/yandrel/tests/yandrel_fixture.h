// The seeded vault of the stored-procedure layer's tests with a few more
// item folders, a connection to it as Alice, and the program's application
// for the folder dialog. The item folders are "\<items>\" (the items
// root), "\<items>\Assemblies\", "\<items>\Parts\" and
// "\<items>\Parts\Screws\".
#pragma once

#include "vault_seed.h"

#include "ui_testing/ui_test.h"

namespace yandrel_test {

using namespace vennacle_test;

inline constexpr char16_t kBasePath[] = u"C:\\Vault\\<items>";

class YandrelTest : public VennacleTest {
protected:
    void SetUp() override {
        ui_testing::EnsureApplication();
        assemblies_ = AddFolder(*vault_.db, vault_.itemsFolder, u"Assemblies", u"\\<items>\\Assemblies\\");
        screws_ = AddFolder(*vault_.db, vault_.partsFolder, u"Screws", u"\\<items>\\Parts\\Screws\\");
    }

    int32_t assemblies_ = 0;
    int32_t screws_ = 0;
};

}  // namespace yandrel_test
