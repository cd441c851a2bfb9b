// The link manager's table: the link rules of AddLink and AddLinks, the one
// dynamic link, dirtiness, the byte order of every list, removal, switches,
// and the private interface. These managers have no cache file (as a
// folder's), so nothing is written through.
#include "link_manager_support.h"

#include "com_testing/leak_checked_test.h"
#include "common/error_codes.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace link_test;

namespace {

ItmLink Link(ItmObjectType type, LONG id, ItmLinkType linkType, ItmLinkOperation op = LinkOp_None, LONG config = -1) {
    return ItmLink{type, id, 0, config, linkType, op};
}

class LinkManagerTest : public com_testing::LeakCheckedTest {
protected:
    LinkManagerTest() { RegisterRecordsOnce(); }
    void SetUp() override {
        LeakChecked::SetUp();
        manager_ = NewLinkManager();
        ASSERT_NE(manager_, nullptr);
    }
    void TearDown() override {
        if (manager_) {
            EXPECT_EQ(manager_->Release(), 0u);
        }
        LeakChecked::TearDown();
    }

    void Clear() {
        IPrivateItmLinkManager* access = As<IPrivateItmLinkManager>(manager_);
        ASSERT_NE(access, nullptr);
        EXPECT_EQ(access->ClearLinks(), S_OK);
        access->Release();
    }
    HRESULT Add(ItmLink link) { return manager_->AddLink(&link); }
    HRESULT AddAll(const std::vector<ItmLink>& links) {
        SAFEARRAY* array = LinkArray(links);
        HRESULT hr = manager_->AddLinks(array);
        SafeArrayDestroy(array);
        return hr;
    }
    HRESULT SwitchAll(std::initializer_list<IItmObject*> objects) {
        SAFEARRAY* array = ObjectArray(objects);
        HRESULT hr = manager_->SwitchLinks(array);
        SafeArrayDestroy(array);
        return hr;
    }
    LONG Count(ItmLinkType type = LinkType_All) {
        LONG n = -1;
        EXPECT_EQ(manager_->GetLinkCount(type, &n), S_OK);
        return n;
    }
    bool HasDynamic() {
        VARIANT_BOOL has = 7;
        EXPECT_EQ(manager_->HasDynamicLink(&has), S_OK);
        return has == VARIANT_TRUE;
    }
    bool Dirty() {
        VARIANT_BOOL dirty = 7;
        EXPECT_EQ(manager_->IsDirty(&dirty), S_OK);
        return dirty == VARIANT_TRUE;
    }

    IItmLinkManager* manager_ = nullptr;
};

// AddLink takes only LinkOp_None and LinkOp_New and lets LinkType_Files
// pass unstored; AddLinks also takes LinkOp_Switch and checks every link.
TEST_F(LinkManagerTest, AddLinkAndAddLinksApplyTheLinkRules) {
    struct Case {
        ItmObjectType kind;
        ItmLinkType linkType;
        ItmLinkOperation op;
        HRESULT addLink;     // the result of AddLink ...
        LONG addLinkStored;  // ... and the links then held
        HRESULT addLinks;
    } const cases[] = {
        {ItmObjectType_File, LinkType_Static, LinkOp_None, S_OK, 1, S_OK},
        {ItmObjectType_File, LinkType_Dynamic, LinkOp_New, S_OK, 1, S_OK},
        {ItmObjectType_File, LinkType_BOM, LinkOp_None, E_ITEM_INVALID_LINK_TYPE, 0, E_ITEM_INVALID_LINK_TYPE},
        {ItmObjectType_File, LinkType_Files, LinkOp_None, S_OK, 0, E_ITEM_INVALID_LINK_TYPE},
        {ItmObjectType_File, LinkType_Undefined, LinkOp_None, E_ITEM_INVALID_LINK_TYPE, 0, E_ITEM_INVALID_LINK_TYPE},
        {ItmObjectType_Item, LinkType_BOM, LinkOp_None, S_OK, 1, S_OK},
        {ItmObjectType_Item, LinkType_Static, LinkOp_None, E_ITEM_INVALID_LINK_TYPE, 0, E_ITEM_INVALID_LINK_TYPE},
        {ItmObjectType_Item, LinkType_Files, LinkOp_New, S_OK, 0, E_ITEM_INVALID_LINK_TYPE},
        {ItmObjectType_ItemFolder, LinkType_BOM, LinkOp_New, S_OK, 1, S_OK},
        {ItmObjectType_Vault, LinkType_BOM, LinkOp_None, S_OK, 1, S_OK},
        {ItmObjectType_BOM, LinkType_BOM, LinkOp_None, S_OK, 1, S_OK},
        {ItmObjectType_BOM, LinkType_Dynamic, LinkOp_None, E_ITEM_INVALID_LINK_TYPE, 0, E_ITEM_INVALID_LINK_TYPE},
        {ItmObjectType_Root_ItemFolder, LinkType_BOM, LinkOp_None, E_ITEM_INVALID_ITEM_TYPE, 0,
         E_ITEM_INVALID_ITEM_TYPE},
        {ItmObjectType_Project, LinkType_BOM, LinkOp_None, E_ITEM_INVALID_ITEM_TYPE, 0, E_ITEM_INVALID_ITEM_TYPE},
        {ItmObjectType_Cutlist, LinkType_Static, LinkOp_None, E_ITEM_INVALID_ITEM_TYPE, 0, E_ITEM_INVALID_ITEM_TYPE},
        {ItmObjectType_Undefined, LinkType_BOM, LinkOp_None, E_ITEM_INVALID_ITEM_TYPE, 0, E_ITEM_INVALID_ITEM_TYPE},
        {ItmObjectType_File, LinkType_Static, LinkOp_Switch, E_ITEM_INVALID_LINK_OPERATION, 0, S_OK},
        {ItmObjectType_File, LinkType_Static, LinkOp_Remove, E_ITEM_INVALID_LINK_OPERATION, 0,
         E_ITEM_INVALID_LINK_OPERATION},
        {ItmObjectType_File, LinkType_Static, LinkOp_Delete, E_ITEM_INVALID_LINK_OPERATION, 0,
         E_ITEM_INVALID_LINK_OPERATION},
        {ItmObjectType_File, LinkType_Static, LinkOp_Undefined, E_ITEM_INVALID_LINK_OPERATION, 0,
         E_ITEM_INVALID_LINK_OPERATION},
        {ItmObjectType_Item, LinkType_BOM, LinkOp_Dirty, E_ITEM_INVALID_LINK_OPERATION, 0,
         E_ITEM_INVALID_LINK_OPERATION},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + "/" + std::to_string(c.linkType) + "/" + std::to_string(c.op));
        const ItmLink link = Link(c.kind, 5, c.linkType, c.op);
        EXPECT_EQ(Add(link), c.addLink);
        EXPECT_EQ(Count(), c.addLinkStored);
        Clear();

        // In an array after a valid link: a failure adds neither.
        EXPECT_EQ(AddAll({Link(ItmObjectType_Item, 9, LinkType_BOM), link}), c.addLinks);
        EXPECT_EQ(Count(), c.addLinks == S_OK ? 2 : 0);
        Clear();
    }
    EXPECT_EQ(manager_->AddLink(nullptr), E_OXN_NULL_VALUE);
    EXPECT_EQ(manager_->AddLinks(nullptr), E_OXN_NULL_VALUE);
}

TEST_F(LinkManagerTest, AnOwnerNeverHoldsTwoDynamicLinks) {
    EXPECT_FALSE(HasDynamic());
    ASSERT_EQ(Add(Link(ItmObjectType_File, 1, LinkType_Dynamic)), S_OK);
    EXPECT_TRUE(HasDynamic());
    EXPECT_EQ(Count(LinkType_Dynamic), 1);

    EXPECT_EQ(Add(Link(ItmObjectType_File, 2, LinkType_Dynamic)), E_ITEM_MANY_DYN_LINKS);
    EXPECT_EQ(Add(Link(ItmObjectType_File, 1, LinkType_Dynamic)), E_ITEM_LINK_DUPLICATED);
    // Another configuration of the same file is another file.
    EXPECT_EQ(Add(Link(ItmObjectType_File, 1, LinkType_Dynamic, LinkOp_None, 2)), E_ITEM_MANY_DYN_LINKS);
    EXPECT_EQ(AddAll({Link(ItmObjectType_File, 3, LinkType_Static), Link(ItmObjectType_File, 2, LinkType_Dynamic)}),
              E_ITEM_MANY_DYN_LINKS);
    // Also as a switch operation (which AddLinks takes).
    EXPECT_EQ(AddAll({Link(ItmObjectType_File, 2, LinkType_Dynamic, LinkOp_Switch)}), E_ITEM_MANY_DYN_LINKS);
    EXPECT_EQ(Count(), 1);

    // Removing the dynamic link frees the place, but one array may not
    // bring two.
    ItmUniqueID first{ItmObjectType_File, 1, 0, -1};
    EXPECT_EQ(manager_->RemoveLink(&first), S_OK);
    EXPECT_FALSE(HasDynamic());
    EXPECT_EQ(Count(LinkType_Dynamic), 0);
    EXPECT_EQ(AddAll({Link(ItmObjectType_File, 2, LinkType_Dynamic), Link(ItmObjectType_File, 3, LinkType_Dynamic)}),
              E_ITEM_MANY_DYN_LINKS);
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(AddAll({Link(ItmObjectType_File, 2, LinkType_Dynamic, LinkOp_Switch)}), S_OK);
    EXPECT_TRUE(HasDynamic());

    // After the check, every link is inserted; the first failure is returned.
    EXPECT_EQ(AddAll({Link(ItmObjectType_File, 4, LinkType_Static), Link(ItmObjectType_File, 2, LinkType_Dynamic),
                      Link(ItmObjectType_File, 5, LinkType_Static)}),
              E_ITEM_LINK_DUPLICATED);
    EXPECT_EQ(Links(manager_), (std::vector<std::string>{"6:2:-1:1:5", "6:4:-1:2:1", "6:5:-1:2:1"}));
}

TEST_F(LinkManagerTest, ALinkIsDirtyWhenNewOrWhenItsTypeChanged) {
    EXPECT_FALSE(Dirty());
    struct Case {
        ItmLink link;
        int switches;  // SwitchLink calls on the file
        bool dirty;
    } const cases[] = {
        {Link(ItmObjectType_File, 1, LinkType_Static, LinkOp_None), 0, false},
        {Link(ItmObjectType_File, 1, LinkType_Static, LinkOp_New), 0, true},
        {Link(ItmObjectType_Item, 1, LinkType_BOM, LinkOp_None), 0, false},
        {Link(ItmObjectType_Item, 1, LinkType_BOM, LinkOp_New), 0, true},
        {Link(ItmObjectType_File, 1, LinkType_Static, LinkOp_None), 1, true},
        {Link(ItmObjectType_File, 1, LinkType_Dynamic, LinkOp_None), 1, true},
        {Link(ItmObjectType_File, 1, LinkType_Static, LinkOp_None), 2, false},  // back to its type
    };
    IItmObject* file = File(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.link.meObjectType) + "/" + std::to_string(c.link.meLinkOperation) + "/" +
                     std::to_string(c.switches));
        ASSERT_EQ(Add(c.link), S_OK);
        for (int i = 0; i < c.switches; ++i) ASSERT_EQ(manager_->SwitchLink(file), S_OK);
        EXPECT_EQ(Dirty(), c.dirty);
        LONG version = 0;
        EXPECT_EQ(manager_->GetLocalVersion(&version), S_OK);
        EXPECT_EQ(version, c.dirty ? -1 : -2);  // clean: no cache file to read
        ItmUniqueID id{c.link.meObjectType, 1, 0, -1};
        EXPECT_EQ(manager_->RemoveLink(&id), S_OK);
    }
    EXPECT_EQ(manager_->IsDirty(nullptr), E_POINTER);
    EXPECT_EQ(manager_->GetLocalVersion(nullptr), E_OXN_NULL_VALUE);
    file->Release();
}

// Every list follows the bytes of the keys (little-endian words), not their
// numbers: id 256 (00 01 00 00) comes before id 1 (01 00 00 00).
TEST_F(LinkManagerTest, ListsFollowTheByteOrderOfTheKeys) {
    ASSERT_EQ(AddAll({Link(ItmObjectType_File, 3, LinkType_Static, LinkOp_None, 1),
                      Link(ItmObjectType_Item, 1, LinkType_BOM), Link(ItmObjectType_Item, 2, LinkType_BOM),
                      Link(ItmObjectType_File, 3, LinkType_Dynamic, LinkOp_None, 256),
                      Link(ItmObjectType_Item, 256, LinkType_BOM)}),
              S_OK);
    EXPECT_EQ(Links(manager_),
              (std::vector<std::string>{"4:256:-1:3:1", "4:1:-1:3:1", "4:2:-1:3:1", "6:3:256:1:1", "6:3:1:2:1"}));

    SAFEARRAY* array = nullptr;
    ASSERT_EQ(manager_->GetLinksID(&array), S_OK);
    {
        RecordArray<ItmUniqueID> ids(array);
        ASSERT_EQ(ids.mlGetCount(), 5);
        std::vector<LONG> order;
        for (const ItmUniqueID* id = ids.mpoBegin(); id != ids.mpoEnd(); ++id) order.push_back(id->mlObjectID);
        EXPECT_EQ(order, (std::vector<LONG>{256, 1, 2, 3, 3}));
        EXPECT_EQ(ids.mpoBegin()[3].mlConfigID, 256);
    }
    SafeArrayDestroy(array);

    // The walk of GetFirstChildID and GetNextChildID: the configuration of
    // files and BOMs, -1 for the others.
    std::vector<std::string> walked;
    ItmObjectType type{};
    LONG id = 0, config = 0;
    HRESULT hr = manager_->GetFirstChildID(&type, &id, &config);
    while (hr == S_OK) {
        walked.push_back(std::to_string(type) + ":" + std::to_string(id) + ":" + std::to_string(config));
        hr = manager_->GetNextChildID(type, id, &type, &id, &config);
    }
    EXPECT_EQ(hr, S_FALSE);
    EXPECT_EQ(walked, (std::vector<std::string>{"4:256:-1", "4:1:-1", "4:2:-1", "6:3:256", "6:3:1"}));
    EXPECT_EQ(manager_->GetFirstChildID(nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(manager_->GetNextChildID(ItmObjectType_Item, 1, nullptr, &id, nullptr), S_OK);  // null: config -1
    EXPECT_EQ(id, 2);
    EXPECT_EQ(manager_->GetNextChildID(ItmObjectType_Item, 7, &type, &id, nullptr), S_FALSE);  // not linked
}

TEST_F(LinkManagerTest, CountsAndListsOfAnEmptyAndAFilledTable) {
    // No links: a null id array (whatever the caller's variable held) and
    // an empty link array.
    SAFEARRAY* array = reinterpret_cast<SAFEARRAY*>(0x1);
    EXPECT_EQ(manager_->GetLinksID(&array), S_OK);
    EXPECT_EQ(array, nullptr);
    ASSERT_EQ(manager_->GetLinks(LinkType_All, &array), S_OK);
    ASSERT_NE(array, nullptr);
    {
        RecordArray<ItmLink> links(array);
        EXPECT_EQ(links.mlGetCount(), 0);
    }
    SafeArrayDestroy(array);
    EXPECT_EQ(manager_->GetLinks(LinkType_Undefined, &array), E_ITEM_INVALID_LINK_TYPE);
    EXPECT_EQ(manager_->GetLinks(LinkType_All, nullptr), E_POINTER);
    EXPECT_EQ(manager_->GetLinksID(nullptr), E_POINTER);
    EXPECT_EQ(manager_->GetFirstChildID(nullptr, nullptr, nullptr), S_FALSE);

    ASSERT_EQ(AddAll({Link(ItmObjectType_File, 1, LinkType_Dynamic), Link(ItmObjectType_File, 2, LinkType_Static),
                      Link(ItmObjectType_File, 3, LinkType_Static), Link(ItmObjectType_Item, 4, LinkType_BOM)}),
              S_OK);
    EXPECT_EQ(Count(LinkType_All), 4);
    EXPECT_EQ(Count(LinkType_Dynamic), 1);
    EXPECT_EQ(Count(LinkType_Static), 2);
    EXPECT_EQ(Count(LinkType_BOM), 1);
    EXPECT_EQ(Count(LinkType_Item_Folder), 0);
    EXPECT_EQ(manager_->GetLinkCount(LinkType_All, nullptr), E_POINTER);
    ASSERT_EQ(manager_->GetLinks(LinkType_Static, &array), S_OK);
    {
        RecordArray<ItmLink> links(array);
        ASSERT_EQ(links.mlGetCount(), 2);
        EXPECT_EQ(links.mpoBegin()[0].mlObjectID, 2);
        EXPECT_EQ(links.mpoBegin()[1].mlObjectID, 3);
    }
    SafeArrayDestroy(array);

    // A link of id 0 is held, but cannot be listed.
    ASSERT_EQ(Add(Link(ItmObjectType_Item, 0, LinkType_BOM)), S_OK);
    array = reinterpret_cast<SAFEARRAY*>(0x1);
    EXPECT_EQ(manager_->GetLinksID(&array), E_OXN_NOT_INITIALIZED);
    EXPECT_EQ(array, nullptr);
    EXPECT_EQ(manager_->GetLinks(LinkType_BOM, &array), E_OXN_NOT_INITIALIZED);
    EXPECT_EQ(array, nullptr);
}

TEST_F(LinkManagerTest, RemovalChecksEachIdentityAndKeepsWhatWentBeforeAFailure) {
    ItmUniqueID id{ItmObjectType_File, 1, 0, -1};
    EXPECT_EQ(manager_->RemoveLink(nullptr), S_OK);  // no links: nothing is looked at
    EXPECT_EQ(manager_->RemoveLink(&id), S_OK);
    ASSERT_EQ(AddAll({Link(ItmObjectType_File, 1, LinkType_Static), Link(ItmObjectType_File, 2, LinkType_Static),
                      Link(ItmObjectType_File, 3, LinkType_Static)}),
              S_OK);
    struct Case {
        ItmUniqueID id;
        HRESULT expected;
    } const cases[] = {
        {{ItmObjectType_Undefined, 1, 0, -1}, E_ITEM_INVALID_ITEM_TYPE},
        {{ItmObjectType_Vault, 1, 0, -1}, E_ITEM_INVALID_ITEM_TYPE},
        {{ItmObjectType_File, -1, 0, -1}, E_ITEM_INVALID_OBJECT},
        {{ItmObjectType_File, 9, 0, -1}, S_FALSE},
        {{ItmObjectType_File, 1, 0, 4}, S_FALSE},  // another configuration
        {{ItmObjectType_File, 1, 77, -1}, S_OK},   // the parent id is no part of the key
    };
    for (Case c : cases)
        EXPECT_EQ(manager_->RemoveLink(&c.id), c.expected) << c.id.meObjectType << "/" << c.id.mlObjectID;
    EXPECT_EQ(manager_->RemoveLink(nullptr), E_INVALIDARG);

    SAFEARRAY* ids =
        IdArray({{ItmObjectType_File, 2, 0, -1}, {ItmObjectType_Vault, 3, 0, -1}, {ItmObjectType_File, 3, 0, -1}});
    EXPECT_EQ(manager_->RemoveLinks(ids), E_ITEM_INVALID_ITEM_TYPE);
    SafeArrayDestroy(ids);
    EXPECT_EQ(Links(manager_), (std::vector<std::string>{"6:3:-1:2:1"}));
    EXPECT_EQ(manager_->RemoveLinks(nullptr), E_INVALIDARG);

    // By object: the same checks through the object's identity.
    IItmObject* file = File(3);
    IItmObject* unloaded = New<CItmFile>();
    EXPECT_EQ(manager_->RemoveLink2(nullptr), E_INVALIDARG);
    EXPECT_EQ(manager_->RemoveLink2(unloaded), E_POINTER);  // its GetUniqueID fails
    SAFEARRAY* objects = ObjectArray({file});
    EXPECT_EQ(manager_->RemoveLinks2(objects), S_OK);
    SafeArrayDestroy(objects);
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(manager_->RemoveLinks2(nullptr), E_INVALIDARG);
    SAFEARRAY* empty = SafeArrayCreateVector(VT_VARIANT, 0, 0);
    EXPECT_EQ(manager_->RemoveLinks2(empty), S_OK);
    SafeArrayDestroy(empty);
    SAFEARRAY* notObjects = SafeArrayCreateVector(VT_VARIANT, 0, 1);  // one VT_EMPTY
    EXPECT_EQ(manager_->RemoveLinks2(notObjects), E_OXN_NULL_VALUE);
    SafeArrayDestroy(notObjects);
    ReleaseAll({file, unloaded});
}

// Switches: the dynamic link may move within one SwitchLinks call, but no
// call may leave two dynamic links, and a refused call changes nothing.
TEST_F(LinkManagerTest, SwitchesMoveTheDynamicLinkButNeverMakeASecondOne) {
    IItmObject* a = File(1, LinkType_Dynamic);
    IItmObject* b = File(2);
    IItmObject* c = File(3);
    IItmObject* notLinked = File(4);
    IItmObject* item = Item(5);
    ASSERT_EQ(AddAll({Link(ItmObjectType_File, 1, LinkType_Dynamic), Link(ItmObjectType_File, 2, LinkType_Static),
                      Link(ItmObjectType_File, 3, LinkType_Static), Link(ItmObjectType_Item, 5, LinkType_BOM)}),
              S_OK);
    const std::vector<std::string> before = Links(manager_);

    struct Refused {
        const char* name;
        std::function<HRESULT()> call;
        HRESULT expected;
    } const refused[] = {
        {"two becoming dynamic",
         [&] {
             return SwitchAll({b, c});
         },
         E_ITEM_MANY_DYN_LINKS},
        {"a static one while another is dynamic", [&] { return SwitchAll({b}); }, E_ITEM_MANY_DYN_LINKS},
        {"the same static one twice",
         [&] {
             return SwitchAll({b, a, b});
         },
         E_ITEM_MANY_DYN_LINKS},
        {"the dynamic one twice",
         [&] {
             return SwitchAll({a, a});
         },
         E_ITEM_MANY_DYN_LINKS},
        {"SwitchLink of a static one", [&] { return manager_->SwitchLink(b); }, E_ITEM_MANY_DYN_LINKS},
        {"a file not linked",
         [&] {
             return SwitchAll({a, notLinked});
         },
         E_ITEM_INVALID_SOURCE},
        {"an item", [&] { return manager_->SwitchLink(item); }, E_ITEM_INVALID_SOURCE},
        {"null", [&] { return manager_->SwitchLink(nullptr); }, E_OXN_NULL_VALUE},
        {"a null array", [&] { return manager_->SwitchLinks(nullptr); }, E_OXN_NULL_VALUE},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.call(), r.expected);
        EXPECT_EQ(Links(manager_), before);
    }

    // Moving the dynamic link from a to b in one call; each object learns
    // its new link type.
    ASSERT_EQ(SwitchAll({b, a}), S_OK);
    EXPECT_EQ(Links(manager_), (std::vector<std::string>{"4:5:-1:3:1", "6:1:-1:2:5", "6:2:-1:1:5", "6:3:-1:2:1"}));
    EXPECT_TRUE(HasDynamic());
    for (auto [object, expected] : {std::pair{a, LinkType_Static}, std::pair{b, LinkType_Dynamic}}) {
        IItmFile* file = As<IItmFile>(object);
        ItmLinkType type{};
        EXPECT_EQ(file->get_LinkType(&type), S_OK);
        EXPECT_EQ(type, expected);
        file->Release();
    }
    // Alone: dynamic to static frees the place for another.
    ASSERT_EQ(manager_->SwitchLink(b), S_OK);
    EXPECT_FALSE(HasDynamic());
    ASSERT_EQ(manager_->SwitchLink(c), S_OK);
    EXPECT_TRUE(HasDynamic());
    EXPECT_EQ(Add(Link(ItmObjectType_File, 6, LinkType_Dynamic)), E_ITEM_MANY_DYN_LINKS);
    ReleaseAll({a, b, c, notLinked, item});
}

TEST_F(LinkManagerTest, ObjectsGiveTheirOwnLinksOrAreRefused) {
    IItmObject* file = File(1);
    IItmObject* folder = NewLoaded({.type = ItmObjectType_ItemFolder, .id = 8, .linkType = LinkType_Static});
    IItmObject* plainItem = New<CItmObject>();  // an item without IItmItem
    Record plainRecord({.type = ItmObjectType_Item, .id = 9, .linkType = LinkType_BOM});
    ASSERT_EQ(plainItem->Load(&plainRecord.d, nullptr), S_OK);
    IItmObject* project = NewLoaded({.type = ItmObjectType_Project, .id = 10});
    IItmObject* unloaded = New<CItmItem>();

    EXPECT_EQ(manager_->AddLink2(file, LinkOp_New), S_OK);          // the operation replaces the object's
    EXPECT_EQ(manager_->AddLink2(folder, LinkOp_Undefined), S_OK);  // as a BOM link, LinkOp_None
    EXPECT_EQ(Links(manager_), (std::vector<std::string>{"3:8:-1:3:1", "6:1:-1:2:2"}));
    EXPECT_EQ(manager_->AddLink2(plainItem, LinkOp_None), E_ITEM_INVALID_OBJECT);
    EXPECT_EQ(manager_->AddLink2(project, LinkOp_None), E_ITEM_INVALID_ITEM_TYPE);
    EXPECT_EQ(manager_->AddLink2(unloaded, LinkOp_None), E_POINTER);
    EXPECT_EQ(manager_->AddLink2(file, LinkOp_Switch), E_ITEM_INVALID_LINK_OPERATION);
    EXPECT_EQ(manager_->AddLink2(nullptr, LinkOp_None), E_OXN_NULL_VALUE);

    ItmLinkOperation op{};
    ItmLinkType type{};
    EXPECT_EQ(manager_->GetLinkOperation(file, &op), S_OK);
    EXPECT_EQ(op, LinkOp_New);
    EXPECT_EQ(manager_->GetLinkType(file, &type), S_OK);
    EXPECT_EQ(type, LinkType_Static);
    EXPECT_EQ(manager_->GetLinkOperation(plainItem, &op), S_OK);  // not linked
    EXPECT_EQ(op, LinkOp_Undefined);
    EXPECT_EQ(manager_->GetLinkType(plainItem, &type), S_OK);
    EXPECT_EQ(type, LinkType_Undefined);
    EXPECT_EQ(manager_->GetLinkType(nullptr, &type), E_OXN_NULL_VALUE);
    EXPECT_EQ(manager_->GetLinkOperation(file, nullptr), E_OXN_NULL_VALUE);

    // AddLinks2: every object is converted before anything is added.
    IItmObject* second = File(2);
    SAFEARRAY* objects = ObjectArray({second, plainItem});
    EXPECT_EQ(manager_->AddLinks2(objects, LinkOp_New), E_ITEM_INVALID_OBJECT);
    SafeArrayDestroy(objects);
    EXPECT_EQ(Count(), 2);
    ReleaseAll({file, second, folder, plainItem, project, unloaded});
}

TEST_F(LinkManagerTest, TheUnloadedChildrenFlagIsClearedByTheFirstLink) {
    VARIANT_BOOL flag = 7;
    EXPECT_EQ(manager_->HasUnloadedChildren(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_FALSE);
    EXPECT_EQ(manager_->SetHasUnloadedChildren(VARIANT_FALSE), S_FALSE);
    EXPECT_EQ(manager_->SetHasUnloadedChildren(VARIANT_TRUE), S_OK);
    EXPECT_EQ(manager_->SetHasUnloadedChildren(1), S_FALSE);  // any non-zero value is true
    EXPECT_EQ(manager_->HasUnloadedChildren(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_TRUE);
    ASSERT_EQ(Add(Link(ItmObjectType_Item, 1, LinkType_BOM)), S_OK);
    EXPECT_EQ(manager_->HasUnloadedChildren(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_FALSE);
    EXPECT_EQ(manager_->HasUnloadedChildren(nullptr), E_POINTER);
    EXPECT_EQ(manager_->HasDynamicLink(nullptr), E_POINTER);
}

TEST_F(LinkManagerTest, ThePrivateInterfaceFillsAndQueriesTheTableOnly) {
    IPrivateItmLinkManager* access = As<IPrivateItmLinkManager>(manager_);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->NoOperation(), S_OK);
    EXPECT_EQ(access->AddLinkPtrs(nullptr, 3), S_OK);
    ItmLink first = Link(ItmObjectType_File, 1, LinkType_Dynamic);
    ItmLink badOperation = Link(ItmObjectType_File, 2, LinkType_Static, LinkOp_Switch);
    ItmLink third = Link(ItmObjectType_File, 3, LinkType_Static);
    ItmLink* links[] = {&first, &badOperation, &third};
    EXPECT_EQ(access->AddLinkPtrs(links, 3), E_ITEM_INVALID_LINK_OPERATION);
    EXPECT_EQ(Links(manager_), (std::vector<std::string>{"6:1:-1:1:1"}));

    Record linked({.type = ItmObjectType_File, .id = 1});
    Record other({.type = ItmObjectType_File, .id = 1, .config = 2});
    VARIANT_BOOL has = 7;
    EXPECT_EQ(access->HasLink(&linked.d, &has), S_OK);
    EXPECT_EQ(has, VARIANT_TRUE);
    EXPECT_EQ(access->HasLink(&other.d, &has), S_OK);
    EXPECT_EQ(has, VARIANT_FALSE);
    EXPECT_EQ(access->HasLink(&linked.d, nullptr), E_POINTER);
    EXPECT_EQ(access->HasLink(nullptr, &has), E_OXN_NULL_VALUE);

    // EraseLink leaves the dynamic-link record as it is.
    IItmObject* file = File(1, LinkType_Dynamic);
    EXPECT_EQ(access->EraseLink(file), S_OK);
    EXPECT_EQ(Count(), 0);
    EXPECT_TRUE(HasDynamic());
    EXPECT_EQ(access->EraseLink(nullptr), E_OXN_NULL_VALUE);
    ASSERT_EQ(Add(Link(ItmObjectType_File, 1, LinkType_Dynamic)), S_OK);  // the same file comes back
    ASSERT_EQ(Add(Link(ItmObjectType_File, 3, LinkType_Static)), S_OK);
    EXPECT_EQ(access->ClearLinks(), S_OK);
    EXPECT_EQ(Count(), 0);
    ReleaseAll({file, access});
}

}  // namespace
