// The item path record collects every tree path an object is shown under -
// its folder path and the paths through the items that link it - and
// presents them to a refresh receiver; the cache leads a refresh step over
// every path of an item that the step shows.
#include "explorer/data/item_path_iterator.h"

#include "explorer/data/cache.h"

#include "cache_fixture.h"
#include "item_objects.h"
#include "recording_receiver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace BellquistLib;
using namespace item_objects;
using explorer_testing::RecordingReceiver;
using ::testing::ElementsAre;

namespace {

constexpr LONG kRoot = 1;
constexpr LONG kFolder = 10;
constexpr LONG kProject = 7;

std::vector<std::u16string> Texts(const std::vector<CString>& paths) {
    std::vector<std::u16string> texts;
    for (const CString& path : paths) texts.emplace_back(path.GetString());
    return texts;
}

// The vault root "<items>" with folder "Parts"; in it item A, linked by items
// P and Q; A links file f.prt.
class ItemPathTest : public cache_testing::CacheTest {
protected:
    void SetUp() override {
        CacheTest::SetUp();
        root = Vault(kRoot);
        folder = Folder(kFolder, kRoot, u"Parts");
        a = Item(20, kFolder, u"A");
        p = Item(21, kFolder, u"P");
        q = Item(22, kFolder, u"Q");
        file = File(61, kProject, 0, u"f.prt");
        ASSERT_EQ(Link(a, file), S_OK);
        ASSERT_EQ(Link(p, a), S_OK);
        ASSERT_EQ(Link(q, a), S_OK);
        for (IItmObject* object : {root.GetInterfacePtr(), folder.GetInterfacePtr(), a.GetInterfacePtr(),
                                   p.GetInterfacePtr(), q.GetInterfacePtr(), file.GetInterfacePtr()})
            Add(object);
        aOccurrence = Find({ItmObjectType_Item, 20, -1});
        fileOccurrence = Find({ItmObjectType_File, 61, 0});
        ASSERT_TRUE(aOccurrence && fileOccurrence);
    }
    void TearDown() override {
        aOccurrence = fileOccurrence = nullptr;
        root = folder = a = p = q = file = nullptr;
        CacheTest::TearDown();
    }

    CComPtr<IItmObject> root, folder, a, p, q, file;
    RefPtr<CCacheObj> aOccurrence, fileOccurrence;
    std::vector<std::string> log;
};

TEST_F(ItemPathTest, AnItemsPathsAreItsFolderPathThenThePathsThroughItsItems) {
    ItemPathIterator paths;
    paths.Init(cache_.get(), aOccurrence);
    EXPECT_THAT(Texts(paths.Paths()), ElementsAre(u"<items>\\Parts\\A.<item>", u"<items>\\Parts\\P.<item>\\A.<item>",
                                                  u"<items>\\Parts\\Q.<item>\\A.<item>"));
    EXPECT_TRUE(paths.PreviousPaths().empty());
    EXPECT_EQ(paths.meObjectType, ItmObjectType_Item);
    EXPECT_EQ(paths.mlKind, ItmObjectType_Item);
    EXPECT_EQ(paths.moCacheObj, aOccurrence);
    EXPECT_EQ(paths.mpoCache, cache_.get());
    EXPECT_EQ(paths.PreviousPath(), nullptr);
}

// A file is shown only under the items that link it, never in its folder.
TEST_F(ItemPathTest, AFilesPathsAreOnlyThoseThroughItems) {
    ItemPathIterator paths;
    paths.Init(cache_.get(), fileOccurrence);
    EXPECT_THAT(Texts(paths.Paths()),
                ElementsAre(u"<items>\\Parts\\A.<item>\\f.prt", u"<items>\\Parts\\P.<item>\\A.<item>\\f.prt",
                            u"<items>\\Parts\\Q.<item>\\A.<item>\\f.prt"));
}

// After a rename each path keeps the path it had: the receivers find it
// beside the current one.
TEST_F(ItemPathTest, ARenamedObjectCarriesItsPreviousPaths) {
    ItemPathIterator paths;
    paths.Init(cache_.get(), aOccurrence, CString(u"Old.<item>"));
    EXPECT_THAT(Texts(paths.PreviousPaths()),
                ElementsAre(u"<items>\\Parts\\Old.<item>", u"<items>\\Parts\\P.<item>\\Old.<item>",
                            u"<items>\\Parts\\Q.<item>\\Old.<item>"));
    auto* receiver = new RecordingReceiver("R", log);
    receiver->beginAnswer = [](const std::u16string& path) { return path.find(u"Q.") != std::u16string::npos; };
    EXPECT_EQ(paths.ForEach(*receiver), 1);
    ASSERT_NE(paths.PreviousPath(), nullptr);
    EXPECT_EQ(std::u16string(paths.PreviousPath()->GetString()), u"<items>\\Parts\\Q.<item>\\Old.<item>");
    receiver->mvFinish();
}

// ForEach stops at the first path taken and goes on after it at the next
// call, so a producer reaches every path that is shown.
TEST_F(ItemPathTest, ForEachGoesOnAfterThePathTaken) {
    auto* receiver = new RecordingReceiver("R", log);
    receiver->beginAnswer = [](const std::u16string& path) -> LONG { return path.find(u"P.") == std::u16string::npos; };
    ItemPathIterator paths;
    paths.Init(cache_.get(), aOccurrence);
    EXPECT_EQ(paths.ForEach(*receiver), 1);
    EXPECT_EQ(std::u16string(paths.moPath.GetString()), u"<items>\\Parts\\A.<item>");
    EXPECT_EQ(paths.ForEach(*receiver), 1);
    EXPECT_EQ(std::u16string(paths.moPath.GetString()), u"<items>\\Parts\\Q.<item>\\A.<item>");
    EXPECT_EQ(paths.ForEach(*receiver), 0);
    receiver->mvFinish();
    EXPECT_THAT(log, ElementsAre("R begin <items>\\Parts\\A.<item>", "R begin <items>\\Parts\\P.<item>\\A.<item>",
                                 "R begin <items>\\Parts\\Q.<item>\\A.<item>", "R finish"));
}

TEST_F(ItemPathTest, TheKindOfAnItemFolderNotCompleteIsTheRootFolders) {
    RefPtr<CCacheObj> parts = Find({ItmObjectType_ItemFolder, kFolder, -1});
    ASSERT_TRUE(parts);
    ItemPathIterator record;
    record.SetItem(parts, cache_.get(), 0);
    EXPECT_EQ(record.mlKind, ItmObjectType_Root_ItemFolder);
    parts->moInner->mbComplete = 1;
    record.SetItem(parts, cache_.get(), 0);
    EXPECT_EQ(record.mlKind, ItmObjectType_ItemFolder);
    record.SetItem(parts, cache_.get(), 3);
    EXPECT_EQ(record.mlKind, 3);
    EXPECT_EQ(record.meObjectType, ItmObjectType_ItemFolder);
}

// The cache leads a refresh step over the item's paths: under each path the
// step shows, every object is presented (added with its child state, or
// removed with what is left to know of it), and the path ends, so a step
// that declined a path takes part again at the next.
TEST_F(ItemPathTest, VisitingAnItemsPathsPresentsTheObjectsUnderEachShownPath) {
    std::vector<RefPtr<CCacheObj>> objects{fileOccurrence};
    struct Case {
        int mode;
        const char* underP;
        const char* underQ;
    } cases[] = {
        // A file has no children; not complete, it may have some: state 1.
        {2, "R added <items>\\Parts\\P.<item>\\A.<item> f.prt 1", "R added <items>\\Parts\\Q.<item>\\A.<item> f.prt 1"},
        {3, "R removed <items>\\Parts\\P.<item>\\A.<item> f.prt 6 61 7",
         "R removed <items>\\Parts\\Q.<item>\\A.<item> f.prt 6 61 7"},
        {5, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        log.clear();
        auto* receiver = new RecordingReceiver("R", log);
        receiver->beginAnswer = [](const std::u16string& path) -> LONG { return path != u"<items>\\Parts\\A.<item>"; };
        cache_->VisitItemPaths(receiver, aOccurrence, objects, c.mode);
        receiver->mvFinish();
        std::vector<std::string> expected{"R begin <items>\\Parts\\A.<item>",
                                          "R begin <items>\\Parts\\P.<item>\\A.<item>"};
        if (c.underP) expected.push_back(c.underP);
        expected.push_back("R end <items>\\Parts\\P.<item>\\A.<item> 0");
        expected.push_back("R begin <items>\\Parts\\Q.<item>\\A.<item>");
        if (c.underQ) expected.push_back(c.underQ);
        expected.push_back("R end <items>\\Parts\\Q.<item>\\A.<item> 0");
        expected.push_back("R finish");
        EXPECT_EQ(log, expected);
    }
}

TEST_F(ItemPathTest, VisitingReportsALoadedChildAndStopsWhenTheStepSaysSo) {
    RefPtr<CCacheObj> pOccurrence = Find({ItmObjectType_Item, 21, -1});
    std::vector<RefPtr<CCacheObj>> objects{aOccurrence};
    auto* receiver = new RecordingReceiver("R", log);
    cache_->VisitItemPaths(receiver, pOccurrence, objects, 1);
    receiver->mvFinish();
    // A links the file: a loaded child, state 2.
    EXPECT_THAT(log, ElementsAre("R begin <items>\\Parts\\P.<item>", "R added <items>\\Parts\\P.<item> A.<item> 2",
                                 "R end <items>\\Parts\\P.<item> 0", "R finish"));

    log.clear();
    auto* stopping = new RecordingReceiver("R", log);
    stopping->beginAnswer = [](const std::u16string&) -> LONG { return 2; };
    objects = {fileOccurrence};
    cache_->VisitItemPaths(stopping, aOccurrence, objects, 1);
    stopping->mvFinish();
    EXPECT_THAT(log, ElementsAre("R begin <items>\\Parts\\A.<item>", "R finish"));
}

}  // namespace
