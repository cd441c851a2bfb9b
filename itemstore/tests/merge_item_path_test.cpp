// The local path of a fetched object below the view folder.
#include "itemstore/item_path.h"

#include "bellquist/enums.h"
#include "com/bstr.h"

#include <gtest/gtest.h>

using namespace BellquistLib;

namespace {

struct PathCase {
    const char16_t* view;
    const char16_t* path;  // null: no path
    const char16_t* name;  // null: no file name
    ItmObjectType type;
    const char16_t* expected;
};

TEST(MergeItemPathTest, BuildsThePathBelowTheViewFolder) {
    const PathCase cases[] = {
        {u"C:\\Views\\Ann\\", u"\\Pumps\\", u"a.part", ItmObjectType_File, u"C:\\Views\\Ann\\Pumps\\a.part"},
        {u"C:\\Views\\Ann\\", u"\\Pumps\\", u"Pump.<item>", ItmObjectType_Item, u"C:\\Views\\Ann\\Pumps\\Pump.<item>"},
        // A path that holds the view folder already: it is not doubled.
        {u"C:\\Views\\Ann\\", u"C:\\Views\\Ann\\Pumps\\", u"a.part", ItmObjectType_BOM,
         u"C:\\Views\\Ann\\Pumps\\a.part"},
        // ... also when it differs from the view path in letter case only.
        {u"C:\\Views\\Ann\\", u"c:\\VIEWS\\ann\\Pumps\\", u"a.part", ItmObjectType_File,
         u"C:\\Views\\Ann\\Pumps\\a.part"},
        // The whole final run of backslashes of the view path goes.
        {u"C:\\Views\\Ann\\\\\\", u"\\Pumps\\", u"a.part", ItmObjectType_File, u"C:\\Views\\Ann\\Pumps\\a.part"},
        // Folders in the wide sense get no file name.
        {u"C:\\Views\\Ann\\", u"\\Pumps\\", u"Pumps", ItmObjectType_ItemFolder, u"C:\\Views\\Ann\\Pumps\\"},
        {u"C:\\Views\\Ann\\", u"\\", u"Root", ItmObjectType_Root_ItemFolder, u"C:\\Views\\Ann\\"},
        {u"C:\\Views\\Ann\\", u"\\", u"Vault", ItmObjectType_Vault, u"C:\\Views\\Ann\\"},
        {u"", u"\\Pumps\\", u"a.part", ItmObjectType_File, u"\\Pumps\\a.part"},
        // No path or no file name: no local path.
        {u"C:\\Views\\Ann\\", nullptr, u"a.part", ItmObjectType_File, u""},
        {u"C:\\Views\\Ann\\", u"\\Pumps\\", nullptr, ItmObjectType_File, u""},
        {u"C:\\Views\\Ann\\", nullptr, nullptr, ItmObjectType_ItemFolder, u""},
    };
    for (const PathCase& c : cases) {
        ItmObjectData record{};
        record.meObjectType = c.type;
        record.moPath = c.path ? SysAllocString(c.path) : nullptr;
        record.moFilename = c.name ? SysAllocString(c.name) : nullptr;
        std::u16string path = u"left over";
        gvBuildItemPath(record, c.view, path);
        EXPECT_EQ(path, c.expected) << "case " << (&c - cases);
        SysFreeString(record.moPath);
        SysFreeString(record.moFilename);
    }
}

}  // namespace
