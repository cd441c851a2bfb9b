// The item cache's layout against an independent compound-file reader
// (python3-olefile) and writer (gsf): the element names and record bytes
// our code writes are what the format says, and a file built from the
// format's description alone is read by our code.
#include "itemstore/children_codec.h"
#include "itemstore/element_names.h"
#include "record_codec.h"

#include "interop_support.h"
#include "record_values.h"
#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

namespace fs = std::filesystem;

const DWORD kCreateStorage = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE;  // 0x1012
const DWORD kOpenElement = STGM_SHARE_EXCLUSIVE | STGM_READWRITE;                  // 0x12

const std::u16string kLongItem = u"Gear box: left/right housing | assembly 7?.<item>";
// Its element names, escaped and split by hand: 51 characters each.
const std::string kLongStorage = "Gear box%03 left%00right housiF";
const std::string kLongRecordStream = "ng %04 assembly 7%09IS";
const std::string kLongChildrenStream = "ng %04 assembly 7%09CS";

const RecordValues kPump = {17, 3, 2, -1, 4, 45000.5, u"Pump 12.<item>", u"\\Projects\\Pumps", 1, 0, 0, 0, 0};
const RecordValues kGear = {18, 3, 1, -1, 4, 45001.25, kLongItem, u"\\Projects\\G\u00e4rs", 0, 0, 0, 0, 0};
const RecordValues kChildren[] = {
    {30, 18, 1, 2, 6, 44000.0, u"housing.part", u"\\Projects\\Gears", 0, 1, -1, 1, 0},
    {31, 18, 3, -1, 7, 44001.0, u"parts list", u"\\Projects\\Gears", 0, 1, 0, 1, 0},  // BOM: not stored
    {32, 18, 2, -1, 4, 44002.0, u"Bearing \U0001F527.<item>", u"\\Projects\\Bearings", 1, 2, 3, 2, 0},
};
const std::u16string kHeaderText = u"ZENTRAVIKO Morvantile Item Cache1";

std::string ChildrenBytes() { return Le32(1) + Le32(2) + RecordBytes(kChildren[0]) + RecordBytes(kChildren[2]); }

// Creates the element an escaped name gives, with its piece storages, and
// fills it through `write`.
void WriteElement(IStorage* root, const std::u16string& escapedName, const std::function<HRESULT(IStream*)>& write) {
    SplitElementName split;
    gvSplitElementName(escapedName, split);
    com::ComPtr<IStorage> storage(root);
    for (const auto& name : split.storages) {
        com::ComPtr<IStorage> child;
        HRESULT hr = storage->OpenStorage(name.c_str(), nullptr, kOpenElement, nullptr, 0, &child);
        if (hr == STG_E_FILENOTFOUND) hr = storage->CreateStorage(name.c_str(), kCreateStorage, 0, 0, &child);
        ASSERT_EQ(S_OK, hr);
        storage = child;
    }
    com::ComPtr<IStream> stream;
    ASSERT_EQ(S_OK, storage->CreateStream(split.stream.c_str(), kCreateStorage, 0, 0, &stream));
    ASSERT_EQ(S_OK, write(stream));
}

// Opens the stream an escaped name gives, through its piece storages.
com::ComPtr<IStream> OpenElement(IStorage* root, const std::u16string& escapedName) {
    SplitElementName split;
    gvSplitElementName(escapedName, split);
    com::ComPtr<IStorage> storage(root);
    for (const auto& name : split.storages) {
        com::ComPtr<IStorage> child;
        EXPECT_EQ(S_OK, storage->OpenStorage(name.c_str(), nullptr, kOpenElement, nullptr, 0, &child));
        if (!child) return {};
        storage = child;
    }
    com::ComPtr<IStream> stream;
    EXPECT_EQ(S_OK, storage->OpenStream(split.stream.c_str(), nullptr, kOpenElement, 0, &stream));
    return stream;
}

std::u16string ItemName(const std::u16string& fileName) {
    std::u16string name;
    EXPECT_EQ(S_OK, ghItemElementName(fileName, name));
    return name;
}

std::u16string ChildrenName(const std::u16string& fileName) {
    std::u16string name;
    EXPECT_EQ(S_OK, ghChildrenElementName(fileName, name));
    return name;
}

class CacheFileInteropTest : public testsupport::FreshMachineTest {};

TEST_F(CacheFileInteropTest, OlefileReadsTheElementsAndBytesWeWrite) {
    if (!interop::OlefileAvailable()) GTEST_SKIP() << "python3-olefile is not installed (tools/install-deps.sh)";
    const fs::path file = machine_.root() / "cache_vrsn_1.Items";
    {
        auto root = interop::CreateCompoundFile(file, 4096, false);
        ASSERT_TRUE(root != nullptr);
        const std::string header = Utf16Le(kHeaderText);
        WriteElement(root, kHeaderStreamName, [&](IStream* stream) {
            ULONG written = 0;
            return stream->Write(header.data(), static_cast<ULONG>(header.size()), &written);
        });
        for (const RecordValues* item : {&kPump, &kGear}) {
            WriteElement(root, ItemName(item->name),
                         [&](IStream* stream) { return ghWriteItemRecord(stream, *MakeRecord<ItemObject>(*item)); });
        }
        ChildList children;
        for (const RecordValues& child : kChildren) children.push_back(MakeRecord<ChildWithLink>(child));
        WriteElement(root, ChildrenName(kGear.name),
                     [&](IStream* stream) { return ghWriteChildRecords(stream, children); });
        ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));
    }

    auto listing = interop::ReadWithOracle("olefile_extract.py", file, machine_.root() / "olefile-out");
    EXPECT_EQ(4, listing.majorVersion);
    EXPECT_EQ(4096, listing.sectorSize);
    interop::Tree expected;
    expected["headerstreamS"].bytes = Utf16Le(kHeaderText);
    expected["Pump 12IS"].bytes = RecordBytes(kPump);
    expected[kLongStorage].storage = true;
    expected[kLongStorage + "/" + kLongRecordStream].bytes = RecordBytes(kGear);
    expected[kLongStorage + "/" + kLongChildrenStream].bytes = ChildrenBytes();
    EXPECT_EQ(68u, expected["headerstreamS"].bytes.size());
    interop::ExpectSameTree(expected, listing.tree);
}

TEST_F(CacheFileInteropTest, AFileBuiltByAnotherWriterIsReadByTheCodecs) {
    if (!interop::GsfAvailable()) GTEST_SKIP() << "the gsf program (libgsf-bin) is not installed";
    // The elements, as files and folders for "gsf createole", from the
    // layout alone. The pump's record was overwritten in place by a shorter
    // one: the longer record's end stays behind and is ignored.
    const fs::path tree = machine_.root() / "tree";
    fs::create_directories(tree / kLongStorage);
    interop::WriteFileBytes(tree / "headerstreamS", Utf16Le(kHeaderText));
    interop::WriteFileBytes(tree / "Pump 12IS", RecordBytes(kPump) + std::string(37, '\x77'));
    interop::WriteFileBytes(tree / kLongStorage / kLongRecordStream, RecordBytes(kGear));
    interop::WriteFileBytes(tree / kLongStorage / kLongChildrenStream, ChildrenBytes());
    const fs::path file = machine_.root() / "built.Items";
    ASSERT_EQ(0, interop::RunOracle("gsf_create.py", {tree.string(), file.string()}));

    auto root = interop::OpenCompoundFile(file, STGM_READWRITE | STGM_SHARE_EXCLUSIVE);
    ASSERT_TRUE(root != nullptr);
    for (const RecordValues* item : {&kPump, &kGear}) {
        auto stream = OpenElement(root, ItemName(item->name));
        ASSERT_TRUE(stream != nullptr);
        RefPtr<ItemObject> record;
        ASSERT_EQ(S_OK, ghLoadItemRecord(stream, record));
        ExpectSameRecord(*item, *record);
    }
    auto stream = OpenElement(root, ChildrenName(kGear.name));
    ASSERT_TRUE(stream != nullptr);
    ChildList children;
    ASSERT_EQ(S_OK, ghReadChildRecords(stream, children));
    ASSERT_EQ(2u, children.size());
    ExpectSameRecord(kChildren[0], *children[0]);
    ExpectSameRecord(kChildren[2], *children[1]);
    EXPECT_TRUE(gbIsLiveChild(*children[0]));
    EXPECT_FALSE(gbIsLiveChild(*children[1]));
}

}  // namespace
