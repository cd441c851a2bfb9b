#include "cache_element_access.h"
#include "common/error_codes.h"
#include "itemstore/children_codec.h"
#include "record_codec.h"

#include "memory_stream.h"
#include "record_values.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

namespace {

const RecordValues kRecords[] = {
    {17, 3, 2, -1, 4, 45000.5, u"Pump 12.<item>", u"\\Projects\\Pumps", 1, 9, 8, 7, 6},
    {0x7FFFFFFF, -2, 0, 5, 6, -0.25, u"Ventil \u00e4\u00df \U0001F527.<item>", u"\\\u65e5\u672c", 0, 1, 2, 3, 4},
    {1, 1, 1, 1, 7, 0.0, u"", u"", 0, -1, -1, -1, -1},
    {2, 2, 2, 2, 4, 2958465.9, std::u16string(259, u'n'), std::u16string(519, u'p'), 1, 0, 0, 0, 0},
};

TEST(RecordCodecTest, WritesTheLayoutByteForByteAndReadsItBack) {
    for (const RecordValues& v : kRecords) {
        MemoryStream stream;
        ASSERT_EQ(S_OK, ghWriteItemRecord(&stream, *MakeRecord<ItemObject>(v)));
        const std::string expected = RecordBytes(v);
        EXPECT_EQ(60 + 2 * (v.name.size() + 1) + 2 * (v.path.size() + 1), expected.size());
        EXPECT_EQ(expected, stream.bytes()) << "record of " << v.objectId;

        stream.Rewind();
        RefPtr<ItemObject> read;
        ASSERT_EQ(S_OK, ghLoadItemRecord(&stream, read));
        ExpectSameRecord(v, *read);
        EXPECT_EQ(expected.size(), stream.position());
        // The lock-view GUID is memory only: the reader keeps its own value.
        EXPECT_EQ(0u, read->moLockViewID.Data1);
    }
}

TEST(RecordCodecTest, ReadersIgnoreWhatFollowsARecord) {
    MemoryStream stream(RecordBytes(kRecords[0]) + std::string(40, '\x5A'));
    RefPtr<ItemObject> read(new ItemObject);
    ASSERT_EQ(S_OK, ghReadItemRecord(&stream, *read));
    ExpectSameRecord(kRecords[0], *read);
}

TEST(RecordCodecTest, AVersionBelowOneReadsAsANewRecord) {
    for (int32_t version : {0, -1, INT32_MIN}) {
        MemoryStream stream(Le32(version) + RecordBytes(kRecords[0]).substr(4));
        RefPtr<ChildWithLink> read(new ChildWithLink);
        ASSERT_EQ(S_OK, ghReadItemRecord(&stream, *read));
        EXPECT_EQ(4u, stream.position());
        EXPECT_EQ(-1, read->mlObjectID);
        EXPECT_EQ(-1.0, read->mdModifiedDate);
        EXPECT_EQ(u"", read->moFileName());
        EXPECT_EQ(-1, read->meLinkOperation);
    }
    // Any version of 1 or more is read with this layout.
    MemoryStream later(Le32(7) + RecordBytes(kRecords[0]).substr(4));
    RefPtr<ItemObject> read(new ItemObject);
    ASSERT_EQ(S_OK, ghReadItemRecord(&later, *read));
    ExpectSameRecord(kRecords[0], *read);
}

// A damaged record never reaches past the record's fields.
TEST(RecordCodecTest, DamagedRecordsAreRejected) {
    const std::string good = RecordBytes(kRecords[0]);  // N = 30, P = 32
    auto withCounts = [&](uint32_t n, uint32_t p, size_t textBytes) {
        return Le32(1) + Le32(n) + Le32(p) + good.substr(12, 28) + std::string(textBytes, 'A') + std::string(20, '\0');
    };
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"empty stream", ""},
        {"version cut short", good.substr(0, 3)},
        {"counts cut short", good.substr(0, 10)},
        {"fixed fields cut short", good.substr(0, 39)},
        {"name cut short", good.substr(0, 40 + 29)},
        {"path cut short", good.substr(0, 40 + 30 + 31)},
        {"link words cut short", good.substr(0, good.size() - 1)},
        {"name longer than its field", withCounts(522, 2, 2000)},
        {"path longer than its field", withCounts(2, 1042, 2000)},
        {"name count 0", withCounts(0, 2, 2000)},
        {"path count 0", withCounts(2, 0, 2000)},
        {"odd name count", withCounts(3, 2, 2000)},
        {"odd path count", withCounts(2, 5, 2000)},
        {"huge name count", withCounts(0xFFFFFFFFu, 2, 2000)},
        {"negative path count", withCounts(2, 0x80000000u, 2000)},
    };
    for (const Case& c : cases) {
        MemoryStream stream(c.bytes);
        RefPtr<ItemObject> read(new ItemObject);
        EXPECT_EQ(E_OXN_IO_ERROR, ghReadItemRecord(&stream, *read)) << c.what;
        EXPECT_EQ(u'\0', read->mszFileName[kItemFileNameCapacity - 1]) << c.what;
        EXPECT_EQ(u'\0', read->mszPath[kItemPathCapacity - 1]) << c.what;
        // The same bytes read whole and decoded from memory.
        MemoryStream whole(c.bytes);
        RefPtr<ItemObject> decoded;
        EXPECT_EQ(E_OXN_IO_ERROR, ghReadItemStream(&whole, decoded)) << c.what;
        EXPECT_EQ(u'\0', decoded->mszPath[kItemPathCapacity - 1]) << c.what;
    }
}

TEST(RecordCodecTest, FullSizeTextsAndMissingTerminatorsStayInTheirFields) {
    // 520 and 1040 bytes fill the fields exactly; the last code unit is
    // taken as the terminator even when the file holds something else there.
    std::string bytes = Le32(1) + Le32(520) + Le32(1040) + std::string(28, '\0') + std::string(520, 'a') +
                        std::string(1040, 'b') + std::string(20, '\0');
    MemoryStream stream(bytes);
    RefPtr<ItemObject> read(new ItemObject);
    ASSERT_EQ(S_OK, ghReadItemRecord(&stream, *read));
    EXPECT_EQ(std::u16string(259, u'\x6161'), read->moFileName());
    EXPECT_EQ(std::u16string(519, u'\x6262'), read->moPath());
}

TEST(RecordCodecTest, FieldsFilledWithoutTerminatorsAreWrittenAsFullTexts) {
    RefPtr<ItemObject> record(new ItemObject);
    std::fill(std::begin(record->mszFileName), std::end(record->mszFileName), u'n');
    std::fill(std::begin(record->mszPath), std::end(record->mszPath), u'p');
    MemoryStream stream;
    ASSERT_EQ(S_OK, ghWriteItemRecord(&stream, *record));
    EXPECT_EQ(Le32(520) + Le32(1040), stream.bytes().substr(4, 8));
    EXPECT_EQ(60u + 520 + 1040, stream.bytes().size());
}

TEST(RecordCodecTest, AShortOrFailedWriteIsAnIoError) {
    const std::string full = RecordBytes(kRecords[0]);
    for (size_t capacity : {size_t{0}, size_t{3}, size_t{40}, size_t{71}, full.size() - 1}) {
        MemoryStream stream;
        stream.LimitTo(capacity);
        EXPECT_EQ(E_OXN_IO_ERROR, ghWriteItemRecord(&stream, *MakeRecord<ItemObject>(kRecords[0]))) << capacity;
    }
    MemoryStream failing;
    failing.FailWrites();
    EXPECT_EQ(E_OXN_IO_ERROR, ghWriteItemRecord(&failing, *MakeRecord<ItemObject>(kRecords[0])));
}

// --- Children lists --------------------------------------------------------------

RecordValues Child(int32_t id, int32_t type, int32_t linkOperation) {
    return {id,
            10,
            1,
            -1,
            type,
            45000.0,
            u"child " + std::u16string(1, static_cast<char16_t>(u'0' + id)),
            u"\\p",
            0,
            2,
            linkOperation,
            2,
            0};
}

TEST(ChildrenCodecTest, WritesCountsAndNonBomRecordsInListOrder) {
    struct Case {
        const char* what;
        std::vector<RecordValues> children;
        uint32_t live;
        std::vector<size_t> stored;  // indexes of the children written
    };
    const Case cases[] = {
        {"empty", {}, 0, {}},
        {"live and removed",
         {Child(1, 6, -1), Child(2, 6, 3), Child(3, 4, 4), Child(4, 6, 0), Child(5, 4, 5)},
         3,
         {0, 1, 2, 3, 4}},
        {"BOM children left out", {Child(1, 7, -1), Child(2, 6, 1), Child(3, 7, 3), Child(4, 6, 3)}, 1, {1, 3}},
        {"only BOM children", {Child(1, 7, -1), Child(2, 7, 0)}, 0, {}},
        {"unusual operations are live",
         {Child(1, 6, 2), Child(2, 6, INT32_MIN), Child(3, 6, 0x7FFFFFFF)},
         3,
         {0, 1, 2}},
    };
    for (const Case& c : cases) {
        ChildList children;
        for (const RecordValues& v : c.children) children.push_back(MakeRecord<ChildWithLink>(v));
        MemoryStream stream;
        ASSERT_EQ(S_OK, ghWriteChildRecords(&stream, children)) << c.what;
        std::string expected = Le32(c.live) + Le32(static_cast<uint32_t>(c.stored.size()));
        for (size_t index : c.stored) expected += RecordBytes(c.children[index]);
        EXPECT_EQ(expected, stream.bytes()) << c.what;

        stream.Rewind();
        ChildList read;
        ASSERT_EQ(S_OK, ghReadChildRecords(&stream, read)) << c.what;
        ASSERT_EQ(c.stored.size(), read.size()) << c.what;
        for (size_t i = 0; i < read.size(); ++i) ExpectSameRecord(c.children[c.stored[i]], *read[i]);
    }
}

TEST(ChildrenCodecTest, ADamagedListKeepsTheRecordsReadBeforeTheDamage) {
    const std::string first = RecordBytes(Child(1, 6, -1));
    const std::string second = RecordBytes(Child(2, 6, 3));
    struct Case {
        const char* what;
        std::string bytes;
        size_t kept;
    };
    const Case cases[] = {
        {"no counts", "", 0},
        {"record count cut short", Le32(1) + Le32(1).substr(0, 2), 0},
        {"second record cut short", Le32(2) + Le32(2) + first + second.substr(0, 50), 1},
        // A damaged count allocates nothing up front: the read stops at the end.
        {"count far beyond the stream", Le32(0) + Le32(0xFFFFFFFFu) + first + second, 2},
    };
    for (const Case& c : cases) {
        MemoryStream stream(c.bytes);
        ChildList read;
        EXPECT_EQ(E_OXN_IO_ERROR, ghReadChildRecords(&stream, read)) << c.what;
        EXPECT_EQ(c.kept, read.size()) << c.what;
        MemoryStream whole(c.bytes);
        ChildList decoded;
        EXPECT_EQ(E_OXN_IO_ERROR, ghReadChildrenStream(&whole, decoded)) << c.what;
        EXPECT_EQ(c.kept, decoded.size()) << c.what;
    }
}

// Every call on a cache stream is a call into the storage layer: a record or
// a list goes out in one Write and comes back in one Read of the whole
// stream, decoded from memory.
TEST(ChildrenCodecTest, ListsAndRecordsMoveInOneWriteAndOneReadOfTheWholeStream) {
    for (size_t count : {size_t{0}, size_t{3}, size_t{200}}) {  // 200 records pass the first read block
        ChildList children;
        for (size_t i = 0; i < count; ++i)
            children.push_back(MakeRecord<ChildWithLink>(Child(static_cast<int32_t>(i % 9), 6, i % 2 ? 3 : -1)));
        MemoryStream stream;
        ASSERT_EQ(S_OK, ghWriteChildRecords(&stream, children)) << count;
        EXPECT_EQ(1, stream.writes()) << count;

        for (bool whole : {true, false}) {
            MemoryStream reader(stream.bytes());
            ChildList read;
            ASSERT_EQ(S_OK, whole ? ghReadChildrenStream(&reader, read) : ghReadChildRecords(&reader, read)) << count;
            ASSERT_EQ(count, read.size()) << count;
            for (size_t i = 0; i < count; ++i) EXPECT_EQ(children[i]->mlObjectID, read[i]->mlObjectID);
            if (whole) {
                EXPECT_EQ(1, reader.reads()) << count;
            }
        }
    }

    // A record overwritten in place by a shorter one keeps the old tail,
    // which the whole read takes along and the decode ignores.
    MemoryStream stream(RecordBytes(kRecords[0]) + std::string(300, '\x5A'));
    RefPtr<ItemObject> read;
    ASSERT_EQ(S_OK, ghReadItemStream(&stream, read));
    ExpectSameRecord(kRecords[0], *read);
    EXPECT_EQ(1, stream.reads());
    MemoryStream written;
    ASSERT_EQ(S_OK, ghWriteItemRecord(&written, *read));
    EXPECT_EQ(1, written.writes());
}

TEST(ChildrenCodecTest, AFailedRecordWriteEndsTheList) {
    ChildList children{MakeRecord<ChildWithLink>(Child(1, 6, -1)), MakeRecord<ChildWithLink>(Child(2, 6, -1))};
    MemoryStream stream;
    stream.LimitTo(8 + RecordBytes(Child(1, 6, -1)).size() + 10);
    EXPECT_EQ(E_OXN_IO_ERROR, ghWriteChildRecords(&stream, children));
}

}  // namespace
