// The elements of a storage: names, lookup, creation and replacement,
// opening rules, destruction, renaming, enumeration, copies and moves.
#include "com/server/com_object.h"
#include "com/task_memory.h"
#include "storage_test_support.h"
#include "testsupport/fresh_machine.h"
#include "winapi/errors.h"

#include <gtest/gtest.h>

namespace storage_test {
namespace {

class StorageElementTest : public testsupport::FreshMachineTest {
protected:
    void SetUp() override { ASSERT_EQ(S_OK, CreateFile(file_, kCreateTransacted, &root_)); }

    fs::path file_ = machine_.root() / "cache.Items";
    ComPtr<IStorage> root_;
};

TEST_F(StorageElementTest, NamesAreCheckedByEveryOperationThatTakesOne) {
    const std::u16string longest(31, u'n');
    ASSERT_EQ(S_OK, PutStream(root_, winapi::ToUtf8(longest), "31 units"));
    EXPECT_EQ("31 units", GetStream(root_, winapi::ToUtf8(longest)));

    const std::u16string refused[] = {std::u16string(32, u'n'), u"", u"a/b", u"a\\b", u"a:b", u"a!b"};
    for (const std::u16string& name : refused) {
        SCOPED_TRACE(winapi::ToUtf8(name));
        ComPtr<IStream> stream;
        ComPtr<IStorage> storage;
        EXPECT_EQ(STG_E_INVALIDNAME, root_->CreateStream(name.c_str(), kNewStream, 0, 0, &stream));
        EXPECT_EQ(STG_E_INVALIDNAME, root_->CreateStorage(name.c_str(), kNewStorage, 0, 0, &storage));
        // Not "not found": the caller learns that the name itself is unusable.
        EXPECT_EQ(STG_E_INVALIDNAME, root_->OpenStream(name.c_str(), nullptr, kReadStream, 0, &stream));
        EXPECT_EQ(STG_E_INVALIDNAME, root_->OpenStorage(name.c_str(), nullptr, kOpenStorage, nullptr, 0, &storage));
        EXPECT_EQ(STG_E_INVALIDNAME, root_->DestroyElement(name.c_str()));
        EXPECT_EQ(STG_E_INVALIDNAME, root_->RenameElement(longest.c_str(), name.c_str()));
    }
    ComPtr<IStream> stream;
    EXPECT_EQ(STG_E_INVALIDNAME, root_->CreateStream(nullptr, kNewStream, 0, 0, &stream));
    EXPECT_EQ(std::vector<std::string>{winapi::ToUtf8(longest)}, ElementNames(root_));
}

TEST_F(StorageElementTest, LookupIgnoresCaseAndTheFirstSpellingIsKept) {
    ASSERT_EQ(S_OK, PutStream(root_, "Pump 12IS", "record"));
    EXPECT_EQ("record", GetStream(root_, "PUMP 12is"));
    ComPtr<IStream> stream;
    EXPECT_EQ(STG_E_FILEALREADYEXISTS,
              root_->CreateStream(u"pump 12is", STGM_SHARE_EXCLUSIVE | STGM_WRITE, 0, 0, &stream));
    EXPECT_EQ(std::vector<std::string>{"Pump 12IS"}, ElementNames(root_));
    // Case-folding is the format's simple upper case, beyond ASCII too.
    ASSERT_EQ(S_OK, PutStream(root_, "\xC3\xA9t\xC3\xA9", "accented"));  // "été"
    EXPECT_EQ("accented", GetStream(root_, "\xC3\x89T\xC3\x89"));        // "ÉTÉ"
    // Renaming to another spelling of the same name is allowed.
    ASSERT_EQ(S_OK, root_->RenameElement(u"PUMP 12IS", u"pump 12is"));
    EXPECT_EQ("record", GetStream(root_, "pump 12is"));
    EXPECT_EQ(2u, ElementNames(root_).size());
}

TEST_F(StorageElementTest, CreateWithCreateFlagReplacesWhateverHasTheName) {
    ComPtr<IStorage> storage;
    ASSERT_EQ(S_OK, root_->CreateStorage(u"x", kNewStorage, 0, 0, &storage));
    ASSERT_EQ(S_OK, PutStream(storage, "inner", "content"));
    storage = nullptr;
    ASSERT_EQ(S_OK, PutStream(root_, "x", "a stream now"));  // 0x1011 replaces the storage
    EXPECT_EQ("a stream now", GetStream(root_, "x"));
    ASSERT_EQ(S_OK, root_->CreateStorage(u"X", kNewStorage, 0, 0, &storage));  // and back
    EXPECT_TRUE(ElementNames(storage).empty());
    storage = nullptr;
    EXPECT_EQ(std::vector<std::string>{"X"}, ElementNames(root_));
    EXPECT_EQ(STG_E_FILEALREADYEXISTS,
              root_->CreateStorage(u"x", STGM_SHARE_EXCLUSIVE | STGM_READWRITE, 0, 0, &storage));

    ASSERT_EQ(S_OK, PutStream(root_, "s", "long old content"));
    ASSERT_EQ(S_OK, PutStream(root_, "s", "new"));  // create truncates
    EXPECT_EQ("new", GetStream(root_, "s"));
}

TEST_F(StorageElementTest, MissingElementsAndWrongKindsAreNotFound) {
    ComPtr<IStorage> storage;
    ASSERT_EQ(S_OK, root_->CreateStorage(u"folder", kNewStorage, 0, 0, &storage));
    storage = nullptr;
    ASSERT_EQ(S_OK, PutStream(root_, "file", "x"));
    ComPtr<IStream> stream;
    EXPECT_EQ(STG_E_FILENOTFOUND, root_->OpenStream(u"missing", nullptr, kReadStream, 0, &stream));
    EXPECT_EQ(STG_E_FILENOTFOUND, root_->OpenStream(u"folder", nullptr, kReadStream, 0, &stream));
    EXPECT_EQ(STG_E_FILENOTFOUND, root_->OpenStorage(u"file", nullptr, kOpenStorage, nullptr, 0, &storage));
    EXPECT_EQ(STG_E_FILENOTFOUND, root_->DestroyElement(u"missing"));
    EXPECT_EQ(STG_E_FILENOTFOUND, root_->RenameElement(u"missing", u"other"));
    EXPECT_EQ(STG_E_FILEALREADYEXISTS, root_->RenameElement(u"file", u"FOLDER"));
    EXPECT_EQ(nullptr, stream.GetInterfacePtr());
    EXPECT_EQ(nullptr, storage.GetInterfacePtr());
}

TEST_F(StorageElementTest, OpenElementsCannotBeOpenedAgainDestroyedOrReplaced) {
    ComPtr<IStorage> outer, inner;
    ASSERT_EQ(S_OK, root_->CreateStorage(u"outer", kNewStorage, 0, 0, &outer));
    ASSERT_EQ(S_OK, outer->CreateStorage(u"inner", kNewStorage, 0, 0, &inner));
    ComPtr<IStream> stream, again, clone;
    ASSERT_EQ(S_OK, inner->CreateStream(u"s", kNewStream, 0, 0, &stream));
    outer = nullptr;

    EXPECT_EQ(STG_E_ACCESSDENIED, inner->OpenStream(u"s", nullptr, kReadStream, 0, &again));
    EXPECT_EQ(STG_E_ACCESSDENIED, inner->CreateStream(u"s", kNewStream, 0, 0, &again));
    EXPECT_EQ(STG_E_ACCESSDENIED, inner->DestroyElement(u"s"));
    // An open element anywhere below protects every storage above it.
    EXPECT_EQ(STG_E_ACCESSDENIED, root_->DestroyElement(u"outer"));
    EXPECT_EQ(STG_E_ACCESSDENIED, root_->CreateStorage(u"outer", kNewStorage, 0, 0, &outer));
    ASSERT_EQ(S_OK, root_->OpenStorage(u"outer", nullptr, kOpenStorage, nullptr, 0, &outer));
    ComPtr<IStorage> innerAgain;
    EXPECT_EQ(STG_E_ACCESSDENIED, outer->OpenStorage(u"inner", nullptr, kOpenStorage, nullptr, 0, &innerAgain));

    // A clone keeps the stream open after the original is gone.
    ASSERT_EQ(S_OK, stream->Clone(&clone));
    stream = nullptr;
    EXPECT_EQ(STG_E_ACCESSDENIED, inner->DestroyElement(u"s"));
    clone = nullptr;
    ASSERT_EQ(S_OK, inner->OpenStream(u"s", nullptr, kReadStream, 0, &again));
    again = nullptr;
    inner = nullptr;
    EXPECT_EQ(S_OK, outer->DestroyElement(u"inner"));
}

TEST_F(StorageElementTest, ElementsAreOpenedExclusiveAndWithinTheirStoragesAccess) {
    ASSERT_EQ(S_OK, PutStream(root_, "s", "bytes"));
    ComPtr<IStream> stream;
    ComPtr<IStorage> storage;
    ASSERT_EQ(S_OK, root_->CreateStorage(u"ro", kNewStorage, 0, 0, &storage));
    storage = nullptr;
    const DWORD refusedFlags[] = {STGM_READ, STGM_SHARE_DENY_WRITE | STGM_READ, STGM_SHARE_DENY_NONE | STGM_READWRITE,
                                  STGM_SHARE_EXCLUSIVE | 3, STGM_SHARE_EXCLUSIVE | STGM_TRANSACTED};
    for (DWORD mode : refusedFlags) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(STG_E_INVALIDFLAG, root_->OpenStream(u"s", nullptr, mode, 0, &stream));
        EXPECT_EQ(STG_E_INVALIDFLAG, root_->OpenStorage(u"ro", nullptr, mode, nullptr, 0, &storage));
    }
    EXPECT_EQ(STG_E_INVALIDFLAG, root_->OpenStream(u"s", nullptr, kReadStream | STGM_CREATE, 0, &stream));

    // A read-only storage hands out nothing writable and changes nothing.
    ASSERT_EQ(S_OK, root_->OpenStorage(u"ro", nullptr, STGM_SHARE_EXCLUSIVE | STGM_READ, nullptr, 0, &storage));
    EXPECT_EQ(STG_E_ACCESSDENIED, storage->CreateStream(u"t", kNewStream, 0, 0, &stream));
    EXPECT_EQ(STG_E_ACCESSDENIED, storage->SetClass(GUID{1, 2, 3, {}}));
    ComPtr<IStorage> nested;
    EXPECT_EQ(STG_E_ACCESSDENIED, storage->CreateStorage(u"t", kNewStorage, 0, 0, &nested));

    // Streams: no writes through a read-only one, no reads through a write-only one.
    ASSERT_EQ(S_OK, root_->OpenStream(u"s", nullptr, kReadStream, 0, &stream));
    ULONG count = 7;
    EXPECT_EQ(STG_E_ACCESSDENIED, stream->Write("x", 1, &count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(STG_E_ACCESSDENIED, stream->SetSize(ULARGE_INTEGER{}));
    stream = nullptr;
    ASSERT_EQ(S_OK, root_->OpenStream(u"s", nullptr, kWriteStream, 0, &stream));
    char byte;
    EXPECT_EQ(STG_E_ACCESSDENIED, stream->Read(&byte, 1, &count));
    EXPECT_EQ(S_OK, stream->Write("B", 1, &count));
    stream = nullptr;
    EXPECT_EQ("Bytes", GetStream(root_, "s"));
}

TEST_F(StorageElementTest, DestroyElementTakesAStorageWithEverythingBelowIt) {
    ComPtr<IStorage> outer, inner;
    ASSERT_EQ(S_OK, root_->CreateStorage(u"outer", kNewStorage, 0, 0, &outer));
    ASSERT_EQ(S_OK, outer->CreateStorage(u"inner", kNewStorage, 0, 0, &inner));
    ASSERT_EQ(S_OK, PutStream(inner, "deep", std::string(10000, 'd')));
    ASSERT_EQ(S_OK, PutStream(outer, "shallow", "s"));
    inner = nullptr;
    outer = nullptr;
    ASSERT_EQ(S_OK, PutStream(root_, "sibling", "stays"));
    ASSERT_EQ(S_OK, root_->Commit(STGC_DEFAULT));

    ASSERT_EQ(S_OK, root_->DestroyElement(u"OUTER"));
    ASSERT_EQ(S_OK, root_->Commit(STGC_DEFAULT));
    root_ = nullptr;
    ASSERT_EQ(S_OK, OpenFile(file_, kOpenDirect, &root_));
    EXPECT_EQ(std::vector<std::string>{"sibling"}, ElementNames(root_));
    ASSERT_EQ(S_OK, root_->CreateStorage(u"outer", STGM_SHARE_EXCLUSIVE | STGM_READWRITE, 0, 0, &outer));
    EXPECT_TRUE(ElementNames(outer).empty());
}

TEST_F(StorageElementTest, EnumerationListsASnapshotInTheFormatsOrder) {
    for (const char* name : {"bb", "a", "ccc", "B2"}) ASSERT_EQ(S_OK, PutStream(root_, name, name));
    ComPtr<IStorage> storage;
    ASSERT_EQ(S_OK, root_->CreateStorage(u"Z", kNewStorage, 0, 0, &storage));
    storage = nullptr;

    long long before = com::testing::LiveTaskAllocations();
    ComPtr<IEnumSTATSTG> elements;
    ASSERT_EQ(S_OK, root_->EnumElements(0, nullptr, 0, &elements));
    ASSERT_EQ(S_OK, PutStream(root_, "later", "not in the snapshot"));
    // Shorter names first, then by upper-cased code units.
    STATSTG stats[10] = {};
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, elements->Next(10, stats, &fetched));
    ASSERT_EQ(5u, fetched);
    const char* expected[] = {"a", "Z", "B2", "bb", "ccc"};
    for (ULONG i = 0; i < fetched; ++i) {
        EXPECT_EQ(expected[i], winapi::ToUtf8(stats[i].pwcsName));
        EXPECT_EQ(static_cast<DWORD>(i == 1 ? STGTY_STORAGE : STGTY_STREAM), stats[i].type);
        EXPECT_EQ(i == 1 ? 0u : std::string(expected[i]).size(), stats[i].cbSize.QuadPart);
        CoTaskMemFree(stats[i].pwcsName);
    }
    EXPECT_EQ(before, com::testing::LiveTaskAllocations());

    EXPECT_EQ(S_FALSE, elements->Next(1, stats, nullptr));
    EXPECT_EQ(STG_E_INVALIDPOINTER, elements->Next(2, stats, nullptr));
    ASSERT_EQ(S_OK, elements->Reset());
    EXPECT_EQ(S_OK, elements->Skip(3));
    ComPtr<IEnumSTATSTG> clone;
    ASSERT_EQ(S_OK, elements->Clone(&clone));
    EXPECT_EQ(S_FALSE, elements->Skip(3));
    ASSERT_EQ(S_OK, clone->Next(1, stats, &fetched));
    EXPECT_EQ("bb", winapi::ToUtf8(stats[0].pwcsName));
    CoTaskMemFree(stats[0].pwcsName);

    // Skip(1) on an empty storage tells it is empty.
    ASSERT_EQ(S_OK, root_->OpenStorage(u"z", nullptr, kOpenStorage, nullptr, 0, &storage));
    ASSERT_EQ(S_OK, storage->EnumElements(0, nullptr, 0, &elements));
    EXPECT_EQ(S_FALSE, elements->Skip(1));
}

TEST_F(StorageElementTest, StatDescribesStoragesWithClassStateBitsAndTimes) {
    ComPtr<IStorage> storage;
    ASSERT_EQ(S_OK, root_->CreateStorage(u"Folder", kNewStorage, 0, 0, &storage));
    const GUID clsid{0x12345678, 0x9abc, 0xdef0, {1, 2, 3, 4, 5, 6, 7, 8}};
    ASSERT_EQ(S_OK, storage->SetClass(clsid));
    ASSERT_EQ(S_OK, storage->SetStateBits(0xF0F0, 0x00FF));
    ASSERT_EQ(S_OK, storage->SetStateBits(0x0F0F, 0x0F00));
    FILETIME created{111, 222}, modified{333, 444};
    ASSERT_EQ(S_OK, root_->SetElementTimes(u"folder", &created, nullptr, &modified));
    storage = nullptr;
    ASSERT_EQ(S_OK, root_->Commit(STGC_DEFAULT));
    root_ = nullptr;

    ASSERT_EQ(S_OK, OpenFile(file_, kOpenDirect, &root_));
    ASSERT_EQ(S_OK, root_->OpenStorage(u"folder", nullptr, kOpenStorage, nullptr, 0, &storage));
    STATSTG stat{};
    ASSERT_EQ(S_OK, storage->Stat(&stat, STATFLAG_DEFAULT));
    EXPECT_EQ(u"Folder", std::u16string(stat.pwcsName));
    CoTaskMemFree(stat.pwcsName);
    EXPECT_EQ(DWORD{STGTY_STORAGE}, stat.type);
    EXPECT_EQ(kOpenStorage, stat.grfMode);
    EXPECT_EQ(clsid, stat.clsid);
    EXPECT_EQ(0x0FF0u, stat.grfStateBits);
    EXPECT_EQ(222u, stat.ctime.dwHighDateTime);
    EXPECT_EQ(444u, stat.mtime.dwHighDateTime);
    ASSERT_EQ(S_OK, storage->Stat(&stat, STATFLAG_NONAME));
    EXPECT_EQ(nullptr, stat.pwcsName);
    EXPECT_EQ(STG_E_INVALIDFLAG, storage->Stat(&stat, 2));
}

TEST_F(StorageElementTest, ElementsStayUsableAfterTheirStorageIsReleased) {
    ComPtr<IStorage> outer, inner;
    ASSERT_EQ(S_OK, root_->CreateStorage(u"outer", kNewStorage, 0, 0, &outer));
    ASSERT_EQ(S_OK, outer->CreateStorage(u"inner", kNewStorage, 0, 0, &inner));
    outer = nullptr;
    ASSERT_EQ(S_OK, PutStream(inner, "s", "written later"));
    ASSERT_EQ(S_OK, root_->Commit(STGC_DEFAULT));
    inner = nullptr;
    root_ = nullptr;
    ASSERT_EQ(S_OK, OpenFile(file_, kOpenDirect, &root_));
    ASSERT_EQ(S_OK, root_->OpenStorage(u"outer", nullptr, kOpenStorage, nullptr, 0, &outer));
    ASSERT_EQ(S_OK, outer->OpenStorage(u"inner", nullptr, kOpenStorage, nullptr, 0, &inner));
    EXPECT_EQ("written later", GetStream(inner, "s"));
}

TEST_F(StorageElementTest, CopyToAndMoveElementToCarryWholeSubtrees) {
    const LONG objectsBefore = com::testing::LiveServerObjects();
    ComPtr<IStorage> source, nested;
    ASSERT_EQ(S_OK, root_->CreateStorage(u"source", kNewStorage, 0, 0, &source));
    ASSERT_EQ(S_OK, source->CreateStorage(u"nested", kNewStorage, 0, 0, &nested));
    ASSERT_EQ(S_OK, PutStream(nested, "large", Pattern(7, 1, 70000)));
    ASSERT_EQ(S_OK, PutStream(source, "small", "small"));
    ASSERT_EQ(S_OK, PutStream(source, "skipped", "left out"));
    nested = nullptr;

    // Into another file.
    ComPtr<IStorage> other;
    ASSERT_EQ(S_OK, CreateFile(machine_.root() / "other.cfb", kCreateDirect, &other));
    OLECHAR skipped[] = u"SKIPPED";
    OLECHAR* exclude[] = {skipped, nullptr};
    ASSERT_EQ(S_OK, source->CopyTo(0, nullptr, exclude, other));
    EXPECT_EQ((std::vector<std::string>{"small", "nested"}), ElementNames(other));
    ASSERT_EQ(S_OK, other->OpenStorage(u"nested", nullptr, kOpenStorage, nullptr, 0, &nested));
    EXPECT_EQ(Pattern(7, 1, 70000), GetStream(nested, "large"));
    nested = nullptr;

    // Never into itself or below itself.
    ASSERT_EQ(S_OK, source->OpenStorage(u"nested", nullptr, kOpenStorage, nullptr, 0, &nested));
    EXPECT_EQ(STG_E_ACCESSDENIED, source->CopyTo(0, nullptr, nullptr, nested));
    EXPECT_EQ(STG_E_ACCESSDENIED, source->CopyTo(0, nullptr, nullptr, source));
    nested = nullptr;

    // Moving within the file: the element leaves its old place.
    ComPtr<IStorage> target;
    ASSERT_EQ(S_OK, root_->CreateStorage(u"target", kNewStorage, 0, 0, &target));
    ASSERT_EQ(S_OK, source->MoveElementTo(u"nested", target, u"moved", STGMOVE_MOVE));
    ASSERT_EQ(S_OK, source->MoveElementTo(u"small", target, u"copied", STGMOVE_COPY));
    EXPECT_EQ(STG_E_FILEALREADYEXISTS, source->MoveElementTo(u"small", target, u"COPIED", STGMOVE_COPY));
    EXPECT_EQ((std::vector<std::string>{"small", "skipped"}), ElementNames(source));
    EXPECT_EQ((std::vector<std::string>{"moved", "copied"}), ElementNames(target));
    ASSERT_EQ(S_OK, target->OpenStorage(u"moved", nullptr, kOpenStorage, nullptr, 0, &nested));
    EXPECT_EQ(Pattern(7, 1, 70000), GetStream(nested, "large"));
    // A storage cannot move into itself.
    EXPECT_EQ(STG_E_ACCESSDENIED, root_->MoveElementTo(u"target", nested, u"loop", STGMOVE_COPY));

    // Every object made on the way is gone with its last reference.
    nested = nullptr;
    target = nullptr;
    source = nullptr;
    other = nullptr;
    EXPECT_EQ(objectsBefore, com::testing::LiveServerObjects());
}

}  // namespace
}  // namespace storage_test
