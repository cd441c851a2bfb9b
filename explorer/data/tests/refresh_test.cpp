// The refresh framework's search among item objects by id and type.
#include "explorer/data/refresh.h"

#include "item_objects.h"

#include "com/com_error.h"

#include <gtest/gtest.h>

#include <vector>

using namespace BellquistLib;
using namespace item_objects;

namespace {

class ContainsObjectTest : public ItemObjectsTest {};

TEST_F(ContainsObjectTest, AnObjectIsFoundByItsIdAndType) {
    std::vector<CComPtr<IItmObject>> objects{Item(7, 5, u"ITM-7"), nullptr, File(7, 5, 0, u"p.prt")};
    EXPECT_TRUE(RefreshNs::gbContainsObject(objects, 7, ItmObjectType_Item));
    EXPECT_TRUE(RefreshNs::gbContainsObject(objects, 7, ItmObjectType_File));
    EXPECT_FALSE(RefreshNs::gbContainsObject(objects, 7, ItmObjectType_BOM));
    EXPECT_FALSE(RefreshNs::gbContainsObject(objects, 8, ItmObjectType_Item));
    EXPECT_FALSE(RefreshNs::gbContainsObject({}, 7, ItmObjectType_Item));
}

// An object that cannot tell its id raises the failure of IItmObject.
TEST_F(ContainsObjectTest, AFailingObjectRaises) {
    CComPtr<IItmObject> empty;
    ASSERT_EQ(CoCreateInstance(CLSID_ItmFolder, nullptr, CLSCTX_INPROC_SERVER, IItmObject::kIid,
                               reinterpret_cast<void**>(&empty)),
              S_OK);
    std::vector<CComPtr<IItmObject>> objects{empty};
    HRESULT raised = S_OK;
    try {
        RefreshNs::gbContainsObject(objects, 1, ItmObjectType_ItemFolder);
    } catch (const _com_error& error) {
        raised = error.Error();
    }
    EXPECT_TRUE(FAILED(raised));
    SetErrorInfo(0, nullptr);
}

}  // namespace
