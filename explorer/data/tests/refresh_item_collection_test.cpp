// The refresh collection fans one producer's calls out to several frames'
// receivers: a receiver that declines an object sits out its child calls and
// is re-enabled at its end; one that fails is cut off for the rest of the
// refresh but still gets the reset, mark-dirty and finish calls.
#include "explorer/data/refresh_item_collection.h"

#include "explorer/data/item_path_iterator.h"

#include "recording_receiver.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <vector>

namespace {

using explorer_testing::RecordingReceiver;
using RefreshNs::RefreshItemCollection;
using RefreshNs::RefreshItemI;
using ::testing::ElementsAre;

// A record presenting an object of `type` at its `cursor`-th path.
ItemPathIterator Record(LONG type, size_t cursor, const char16_t* path) {
    ItemPathIterator record;
    record.meObjectType = type;
    record.mnPathCursor = cursor;
    record.moPath = path;
    return record;
}

class RefreshItemCollectionTest : public ::testing::Test {
public:
    RecordingReceiver* Make(const char* name) { return new RecordingReceiver(name, log, &finished); }

    std::vector<std::string> log;
    int finished = 0;
};

TEST_F(RefreshItemCollectionTest, ADecliningReceiverSitsOutTheChildCallsAndIsReEnabledAtTheEnd) {
    auto* collection = new RefreshItemCollection;
    RecordingReceiver* shows = Make("A");
    RecordingReceiver* other = Make("B");
    other->beginAnswer = [](const std::u16string&) { return 0; };
    ASSERT_TRUE(collection->Add(shows));
    ASSERT_TRUE(collection->Add(other));

    const ItemPathIterator item = Record(4, 1, u"<items>\\Item");
    const ItemPathIterator child = Record(6, 0, u"<items>\\Item");
    EXPECT_EQ(collection->mbBeginObject(item), 1);
    EXPECT_EQ(collection->mhChildAdded(child), 1);
    EXPECT_EQ(collection->mhChildrenChanged(child, 2), 1);
    collection->mvEndObject(item, 0);
    // The next object is offered to both again.
    EXPECT_EQ(collection->mbBeginObject(Record(4, 1, u"<items>\\Other")), 1);
    collection->mvFinish();

    EXPECT_THAT(log, ElementsAre("A begin <items>\\Item", "B begin <items>\\Item", "A added <items>\\Item - 0",
                                 "A changed <items>\\Item 2", "A end <items>\\Item 0", "B end <items>\\Item 1",
                                 "A begin <items>\\Other", "B begin <items>\\Other", "A finish", "B finish"));
    EXPECT_EQ(finished, 2);
}

TEST_F(RefreshItemCollectionTest, EveryReceiverDecliningStillKeepsTheObjectPresented) {
    auto* collection = new RefreshItemCollection;
    RecordingReceiver* only = Make("A");
    only->beginAnswer = [](const std::u16string&) { return 0; };
    ASSERT_TRUE(collection->Add(only));

    EXPECT_EQ(collection->mbBeginObject(Record(3, 1, u"<items>\\F")), 1);
    EXPECT_EQ(collection->mhChildRemoved(Record(4, 0, u"<items>\\F")), 1);
    collection->mvFinish();
    EXPECT_THAT(log, ElementsAre("A begin <items>\\F", "A finish"));
}

// A receiver declined one presentation, but the end is for another (another
// path of the object): it stays out.
TEST_F(RefreshItemCollectionTest, AnEndOfAnotherPresentationDoesNotReEnable) {
    auto* collection = new RefreshItemCollection;
    RecordingReceiver* receiver = Make("A");
    receiver->beginAnswer = [](const std::u16string&) { return 0; };
    ASSERT_TRUE(collection->Add(receiver));

    collection->mbBeginObject(Record(4, 1, u"P1"));
    collection->mvEndObject(Record(4, 2, u"P2"), 0);
    collection->mbBeginObject(Record(4, 3, u"P3"));
    collection->mvFinish();
    EXPECT_THAT(log, ElementsAre("A begin P1", "A finish"));
}

TEST_F(RefreshItemCollectionTest, AFailingReceiverIsCutOffButStillResetMarkedAndFinished) {
    auto* collection = new RefreshItemCollection;
    RecordingReceiver* failing = Make("A");
    RecordingReceiver* other = Make("B");
    failing->childResult = [](const ItemPathIterator&) { return static_cast<HRESULT>(-1); };
    ASSERT_TRUE(collection->Add(failing));
    ASSERT_TRUE(collection->Add(other));

    const ItemPathIterator item = Record(4, 1, u"I");
    collection->mbBeginObject(item);
    // The failure ends this child's call: B is not called for it.
    EXPECT_EQ(collection->mhChildAdded(Record(6, 0, u"I")), 0);
    EXPECT_EQ(collection->mhChildAdded(Record(6, 0, u"I")), 1);
    collection->mvEndObject(item, 0);
    collection->mbBeginObject(Record(4, 1, u"J"));
    collection->mvVaultReset(u"Vault");
    collection->mvMarkAllDirty();
    collection->mvFinish();

    EXPECT_THAT(log, ElementsAre("A begin I", "B begin I", "A added I - 0", "B added I - 0", "B end I 0", "B begin J",
                                 "A reset Vault", "B reset Vault", "A dirty", "B dirty", "A finish", "B finish"));
    EXPECT_EQ(finished, 2);
}

TEST_F(RefreshItemCollectionTest, ANullReceiverIsNotAdded) {
    auto* collection = new RefreshItemCollection;
    EXPECT_FALSE(collection->Add(nullptr));
    EXPECT_EQ(collection->Count(), 0u);
    collection->mvFinish();
}

// A frame (or view) taking part in a refresh: answers as scripted and makes
// a recording receiver when it takes part.
class Participant : public RefreshNs::RefreshIF {
public:
    Participant(RefreshItemCollectionTest& test, const char* name, int answer)
        : test_(test), name_(name), answer_(answer) {}
    int Refresh(UINT_PTR sender, CCache* cache, RefreshItemI** out) override;
    std::vector<std::pair<UINT_PTR, CCache*>> asked;

private:
    RefreshItemCollectionTest& test_;
    const char* name_;
    int answer_;
};

class GatherReceiversTest : public RefreshItemCollectionTest {};

int Participant::Refresh(UINT_PTR sender, CCache* cache, RefreshItemI** out) {
    asked.emplace_back(sender, cache);
    if (answer_ == 1) *out = test_.Make(name_);
    return answer_;
}

TEST_F(GatherReceiversTest, OneParticipantsAnswerIsHandedOnUnchanged) {
    CCache* cache = reinterpret_cast<CCache*>(0x1000);
    for (int answer : {1, 0, -1}) {
        SCOPED_TRACE(answer);
        Participant frame(*this, "A", answer);
        RefreshNs::RefreshIF* participants[] = {&frame};
        RefreshItemI* receiver = nullptr;
        EXPECT_EQ(RefreshNs::GatherReceivers(participants, 7, cache, &receiver), answer);
        ASSERT_EQ(frame.asked.size(), 1u);
        EXPECT_EQ(frame.asked[0], std::make_pair(UINT_PTR{7}, cache));
        // The frame's own receiver, not a collection around it.
        EXPECT_EQ(receiver != nullptr, answer == 1);
        EXPECT_EQ(dynamic_cast<RefreshItemCollection*>(receiver), nullptr);
        if (receiver) receiver->mvFinish();
    }
}

TEST_F(GatherReceiversTest, NoParticipantTakingPartGivesNoReceiver) {
    Participant a(*this, "A", 0), b(*this, "B", 0);
    RefreshNs::RefreshIF* participants[] = {&a, &b};
    RefreshItemI* receiver = reinterpret_cast<RefreshItemI*>(0x1);
    EXPECT_EQ(RefreshNs::GatherReceivers(participants, 0, nullptr, &receiver), 0);
    EXPECT_EQ(receiver, nullptr);
    EXPECT_EQ(a.asked.size() + b.asked.size(), 2u);
    EXPECT_EQ(RefreshNs::GatherReceivers({}, 0, nullptr, &receiver), 0);
}

TEST_F(GatherReceiversTest, TheReceiversOfSeveralAreJoinedInOneCollection) {
    Participant a(*this, "A", 1), b(*this, "B", 0), c(*this, "C", 1);
    RefreshNs::RefreshIF* participants[] = {&a, &b, &c};
    RefreshItemI* receiver = nullptr;
    ASSERT_EQ(RefreshNs::GatherReceivers(participants, 0, nullptr, &receiver), 1);
    auto* collection = dynamic_cast<RefreshItemCollection*>(receiver);
    ASSERT_NE(collection, nullptr);
    EXPECT_EQ(collection->Count(), 2u);
    receiver->mvVaultReset(u"V");
    receiver->mvFinish();
    EXPECT_THAT(log, ElementsAre("A reset V", "C reset V", "A finish", "C finish"));
}

// A participant that cannot make its receiver fails the request: what was
// gathered is finished and nothing is handed out.
TEST_F(GatherReceiversTest, AParticipantThatCannotMakeItsReceiverFailsTheRequest) {
    Participant a(*this, "A", 1), b(*this, "B", -1), c(*this, "C", 1);
    RefreshNs::RefreshIF* participants[] = {&a, &b, &c};
    RefreshItemI* receiver = nullptr;
    EXPECT_EQ(RefreshNs::GatherReceivers(participants, 0, nullptr, &receiver), -1);
    EXPECT_EQ(receiver, nullptr);
    EXPECT_TRUE(c.asked.empty());
    EXPECT_THAT(log, ElementsAre("A finish"));
}

}  // namespace
