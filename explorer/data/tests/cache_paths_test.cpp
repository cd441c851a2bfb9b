// GetAllPaths: every tree path of an object through the items that link
// it - each chain of parents walked once, cycles ended, previous paths for a
// renamed object.
#include "cache_fixture.h"

#include <string>
#include <vector>

using namespace BellquistLib;
using namespace item_objects;
using cache_testing::CacheTest;

namespace {

std::vector<std::u16string> Texts(const std::vector<CString>& paths) {
    std::vector<std::u16string> texts;
    for (const CString& path : paths) texts.emplace_back(path.GetString(), path.GetLength());
    return texts;
}

// In folder Pumps (5): items G (13) > P (10) > A (11) and B (12), and A and
// B both link the file F (61, configuration 2).
class ItemPathsTest : public CacheTest {
protected:
    static constexpr char16_t kFolder[] = u"<items>\\Pumps\\";

    void SetUp() override {
        CacheTest::SetUp();
        objects_ = {Vault(kRoot),      Folder(5, kRoot, u"Pumps"), Item(13, 5, u"G"),        Item(10, 5, u"P"),
                    Item(11, 5, u"A"), Item(12, 5, u"B"),          File(61, 5, 2, u"f.part")};
        IItmObject *g = objects_[2], *p = objects_[3], *a = objects_[4], *b = objects_[5], *f = objects_[6];
        for (auto [parent, child] : {std::pair{g, p}, {p, a}, {p, b}, {a, f}, {b, f}})
            ASSERT_EQ(Link(parent, child), S_OK);
        for (IItmObject* object : objects_) Add(object);
    }
    void TearDown() override {
        objects_.clear();
        CacheTest::TearDown();
    }

    std::vector<std::u16string> PathsOf(const CacheObjKey& key, const char16_t* tail, ItemPathSink* given = nullptr) {
        ItemPathSink own;
        ItemPathSink& sink = given ? *given : own;
        std::vector<LONG> visited;
        cache_->GetAllPaths(Find(key), sink, tail, visited);
        EXPECT_TRUE(visited.empty());
        return Texts(sink.moPaths);
    }
    static std::u16string In(const std::u16string& rest) { return kFolder + rest; }

    std::vector<CComPtr<IItmObject>> objects_;
};

TEST_F(ItemPathsTest, EveryChainThroughTwoItemsIsReported) {
    EXPECT_EQ(PathsOf({6, 61, 2}, u"f.part"), (std::vector<std::u16string>{
                                                  In(u"A.<item>\\f.part"),
                                                  In(u"B.<item>\\f.part"),
                                                  In(u"P.<item>\\A.<item>\\f.part"),
                                                  In(u"G.<item>\\P.<item>\\A.<item>\\f.part"),
                                                  In(u"P.<item>\\B.<item>\\f.part"),
                                                  In(u"G.<item>\\P.<item>\\B.<item>\\f.part"),
                                              }));
    EXPECT_EQ(PathsOf({4, 11, -1}, u"A.<item>"),
              (std::vector<std::u16string>{In(u"P.<item>\\A.<item>"), In(u"G.<item>\\P.<item>\\A.<item>")}));
    EXPECT_TRUE(PathsOf({4, 13, -1}, u"G.<item>").empty());  // no parent item
}

TEST_F(ItemPathsTest, ACycleOfItemLinksEnds) {
    // G links A too, and A links G: G > A > G > ...
    ASSERT_EQ(Link(objects_[2], objects_[4]), S_OK);
    ASSERT_EQ(Link(objects_[4], objects_[2]), S_OK);
    cache_->mvAddParentItem({4, 13, -1}, {4, 11, -1});
    cache_->mvAddParentItem({4, 11, -1}, {4, 13, -1});
    std::vector<std::u16string> paths = PathsOf({4, 11, -1}, u"A.<item>");
    EXPECT_EQ(paths, (std::vector<std::u16string>{
                         In(u"P.<item>\\A.<item>"),
                         In(u"G.<item>\\A.<item>"),
                         In(u"G.<item>\\P.<item>\\A.<item>"),
                         In(u"A.<item>\\G.<item>\\P.<item>\\A.<item>"),
                         In(u"A.<item>\\G.<item>\\A.<item>"),
                     }));
}

TEST_F(ItemPathsTest, PreviousPathsReplaceTheTail) {
    ItemPathSink sink;
    sink.mbWithPreviousPaths = true;
    sink.moPreviousTail = u"old.part";
    sink.mlTailLength = 6;  // "f.part"
    PathsOf({6, 61, 2}, u"f.part", &sink);
    ASSERT_EQ(sink.moPreviousPaths.size(), sink.moPaths.size());
    EXPECT_EQ(Texts(sink.moPreviousPaths)[0], In(u"A.<item>\\old.part"));
    EXPECT_EQ(Texts(sink.moPreviousPaths)[5], In(u"G.<item>\\P.<item>\\B.<item>\\old.part"));

    ItemPathSink longTail;
    longTail.mbWithPreviousPaths = true;
    longTail.moPreviousTail = u"X";
    longTail.mlTailLength = 1000;  // more than the path: all of it
    PathsOf({4, 11, -1}, u"A.<item>", &longTail);
    EXPECT_EQ(Texts(longTail.moPreviousPaths), (std::vector<std::u16string>{u"X", u"X"}));
}

TEST_F(ItemPathsTest, AParentWithoutAFolderOccurrenceGivesNoPath) {
    cache_->mlUnlink({3, 5, -1}, {4, 12, -1});  // B's place in Pumps
    EXPECT_EQ(PathsOf({6, 61, 2}, u"f.part"), (std::vector<std::u16string>{
                                                  In(u"A.<item>\\f.part"),
                                                  In(u"P.<item>\\A.<item>\\f.part"),
                                                  In(u"G.<item>\\P.<item>\\A.<item>\\f.part"),
                                              }));
    std::vector<LONG> visited;
    ItemPathSink sink;
    cache_->GetAllPaths(nullptr, sink, u"x", visited);
    EXPECT_TRUE(sink.moPaths.empty());
}

}  // namespace
