#include "itemstore/item_object.h"
#include "common/ref_ptr.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ItemObjectTest, NewRecordsHoldTheConstructorValues) {
    RefPtr<ItemObject> item(new ItemObject);
    RefPtr<ChildWithLink> child(new ChildWithLink);
    for (const ItemObject* record :
         {static_cast<const ItemObject*>(item.get()), static_cast<const ItemObject*>(child.get())}) {
        EXPECT_EQ(-1, record->mlObjectID);
        EXPECT_EQ(-1, record->mlParentProjectID);
        EXPECT_EQ(-1, record->mlAttachedVersion);
        EXPECT_EQ(-1, record->mlConfigID);
        EXPECT_EQ(-1, record->meObjectType);
        EXPECT_EQ(-1.0, record->mdModifiedDate);
        EXPECT_EQ(u"", record->moFileName());
        EXPECT_EQ(u"", record->moPath());
        EXPECT_EQ(0, record->mlDirty);
    }
    EXPECT_EQ(-1, child->meLinkType);
    EXPECT_EQ(-1, child->meLinkOperation);
    EXPECT_EQ(-1, child->meInitialLinkType);
    EXPECT_EQ(-1, child->meInitialLinkOperation);
}

TEST(ItemObjectTest, TextsAreStoredWholeOnlyWhenTheyFit) {
    const std::u16string surrogatePair = u"\U0001F527";  // two code units
    struct Case {
        std::u16string given;
        std::u16string expectedName;  // mvSetFileName
        std::u16string expectedPath;  // mvSetPath
    };
    const std::u16string n258(258, u'n');
    const std::u16string n259(259, u'n');
    const std::u16string p518(518, u'p');
    const std::u16string p519(519, u'p');
    const Case cases[] = {
        {u"", u"", u""},
        {u"Pump 12.<item>", u"Pump 12.<item>", u"Pump 12.<item>"},
        {n259, n259, n259},
        {n259 + u"x", u"", n259 + u"x"},
        {n258 + surrogatePair, u"", n258 + surrogatePair},  // 260 code units
        {p519, u"", p519},
        {p519 + u"x", u"", p519},
        {p518 + surrogatePair, u"", p518 + surrogatePair.substr(0, 1)},  // cut by code units
        {std::u16string(2000, u'z'), u"", std::u16string(519, u'z')},
    };
    for (const Case& c : cases) {
        RefPtr<ItemObject> record(new ItemObject);
        record->mvSetFileName(u"previous");
        record->mvSetPath(u"previous");
        record->mvSetFileName(c.given);
        record->mvSetPath(c.given);
        EXPECT_EQ(c.expectedName, record->moFileName()) << "length " << c.given.size();
        EXPECT_EQ(c.expectedPath, record->moPath()) << "length " << c.given.size();
        EXPECT_EQ(u'\0', record->mszFileName[kItemFileNameCapacity - 1]);
        EXPECT_EQ(u'\0', record->mszPath[kItemPathCapacity - 1]);
    }
}

TEST(ItemObjectTest, FolderTypes) {
    //                               0      1      2      3     4      5      6      7      8      9
    const bool withoutRoots[10] = {false, false, false, true, false, false, false, false, false, false};
    const bool withRoots[10] = {false, true, true, true, false, false, false, false, false, false};
    for (int type = 0; type < 10; ++type) {
        EXPECT_EQ(withoutRoots[type], gbIsFolderType(type, false)) << type;
        EXPECT_EQ(withRoots[type], gbIsFolderType(type, true)) << type;
    }
    EXPECT_FALSE(gbIsFolderType(-1, true));
}

TEST(ItemObjectTest, ACopyIsANewObjectWithTheSameData) {
    RefPtr<ItemObject> original(new ItemObject);
    original->mlObjectID = 42;
    original->mvSetFileName(u"Valve.<item>");
    RefPtr<ItemObject> second = original;
    RefPtr<ItemObject> copy(new ItemObject(*original));
    EXPECT_EQ(1, copy->mlRefCount());
    EXPECT_EQ(42, copy->mlObjectID);
    EXPECT_EQ(u"Valve.<item>", copy->moFileName());
}

}  // namespace
