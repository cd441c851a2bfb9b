// Direct and transacted files: what reaches the disk when, what Revert and
// a release without commit take back, and the item cache's own sequences.
#include "format/element_name.h"
#include "format/file.h"
#include "storage_on_disk.h"
#include "storage_test_support.h"
#include "testsupport/child_process.h"
#include "testsupport/fresh_machine.h"
#include "winapi/errors.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace storage_test {
namespace {

class StorageTransactionTest : public testsupport::FreshMachineTest {
protected:
    // Descriptors of this process on files removed from the folder of the
    // file under test - what a replaced file still held open would be.
    int ReplacedFilesStillOpen() {
        int count = 0;
        for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
            std::error_code error;
            std::string target = fs::read_symlink(entry.path(), error).string();
            if (target.rfind(file_.parent_path().string(), 0) == 0 && target.find("(deleted)") != std::string::npos) {
                ++count;
            }
        }
        return count;
    }

    // What the file on disk holds at `stream`, read past any holder.
    std::string OnDisk(const std::string& stream) {
        HRESULT hr = S_OK;
        auto tree = ReadOnDisk(file_, &hr);
        if (tree == nullptr) return "<unreadable>";
        return StreamOnDisk(*tree, stream);
    }

    fs::path file_ = machine_.root() / "cache.Items";
};

// The item cache's storage chain: a long element name split into nested
// storages of 30 characters plus "F", a stream of the rest plus "S".
TEST_F(StorageTransactionTest, TheItemCacheSequenceSurvivesCommitAndReopen) {
    const std::u16string piece = u"0123456789abcdefghijklmnopqrstF";  // 31 units
    const std::string header(68, 'h');
    {
        ComPtr<IStorage> root;
        ASSERT_EQ(S_OK, CreateFile(file_, kCreateTransacted, &root));
        ASSERT_EQ(S_OK, PutStream(root, "headerstreamS", header));
        ComPtr<IStorage> outer, inner;
        ASSERT_EQ(STG_E_FILENOTFOUND, root->OpenStorage(piece.c_str(), nullptr, kOpenStorage, nullptr, 0, &outer));
        ASSERT_EQ(S_OK, root->CreateStorage(piece.c_str(), kNewStorage, 0, 0, &outer));
        ASSERT_EQ(S_OK, outer->CreateStorage(piece.c_str(), kNewStorage, 0, 0, &inner));
        ASSERT_EQ(S_OK, PutStream(inner, "xIS", std::string(300, 'r')));
        ASSERT_EQ(S_OK, PutStream(inner, "xCS", std::string(9000, 'c')));
        ASSERT_EQ(S_OK, PutStream(root, "Pump 12IS", "record"));
        ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));
    }
    ComPtr<IStorage> root;
    ASSERT_EQ(S_OK, OpenFile(file_, kOpenTransacted, &root));
    EXPECT_EQ(header, GetStream(root, "headerstreamS"));
    EXPECT_EQ("record", GetStream(root, "PUMP 12is"));
    ComPtr<IStorage> outer, inner;
    ASSERT_EQ(S_OK, root->OpenStorage(piece.c_str(), nullptr, kOpenStorage, nullptr, 0, &outer));
    ASSERT_EQ(S_OK, outer->OpenStorage(piece.c_str(), nullptr, kOpenStorage, nullptr, 0, &inner));
    EXPECT_EQ(std::string(300, 'r'), GetStream(inner, "xIS"));
    EXPECT_EQ(std::string(9000, 'c'), GetStream(inner, "xCS"));

    // Pruning as the chain does it: empty the inner storage, find it empty,
    // destroy it in its parent; commit; the next open finds it gone.
    ASSERT_EQ(S_OK, inner->DestroyElement(u"xIS"));
    ASSERT_EQ(S_OK, inner->DestroyElement(u"xCS"));
    ComPtr<IEnumSTATSTG> elements;
    ASSERT_EQ(S_OK, inner->EnumElements(0, nullptr, 0, &elements));
    EXPECT_EQ(S_FALSE, elements->Skip(1));
    inner = nullptr;
    ASSERT_EQ(S_OK, outer->DestroyElement(piece.c_str()));
    ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));
    outer = nullptr;
    root = nullptr;
    ASSERT_EQ(S_OK, OpenFile(file_, kOpenDirect, &root));
    ASSERT_EQ(S_OK, root->OpenStorage(piece.c_str(), nullptr, kOpenStorage, nullptr, 0, &outer));
    EXPECT_TRUE(ElementNames(outer).empty());
}

TEST_F(StorageTransactionTest, DirectChangesReachTheFileAtCommitAndAtTheLastRelease) {
    ComPtr<IStorage> root;
    ASSERT_EQ(S_OK, CreateFile(file_, kCreateDirect, &root));
    ComPtr<IStorage> nested;
    ASSERT_EQ(S_OK, root->CreateStorage(u"n", kNewStorage, 0, 0, &nested));
    ASSERT_EQ(S_OK, PutStream(nested, "a", "first"));
    ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));
    EXPECT_EQ("first", OnDisk("n/a"));

    // A commit of an element below a direct root writes the file too.
    ASSERT_EQ(S_OK, PutStream(nested, "b", "second"));
    ASSERT_EQ(S_OK, nested->Commit(STGC_DEFAULT));
    EXPECT_EQ("second", OnDisk("n/b"));

    // Pending changes are written when the last object of the file goes,
    // even when that is an element and not the root.
    ASSERT_EQ(S_OK, PutStream(nested, "c", "third"));
    root = nullptr;
    EXPECT_EQ("<missing>", OnDisk("n/c"));
    ASSERT_EQ(S_OK, PutStream(nested, "d", "after the root went"));
    nested = nullptr;
    EXPECT_EQ("third", OnDisk("n/c"));
    EXPECT_EQ("after the root went", OnDisk("n/d"));
    EXPECT_TRUE(TemporaryFilesBeside(file_).empty());
}

TEST_F(StorageTransactionTest, TransactedChangesReachTheFileOnlyAtTheRootsCommit) {
    ComPtr<IStorage> root;
    ASSERT_EQ(S_OK, CreateFile(file_, kCreateTransacted, &root));
    ASSERT_EQ(S_OK, PutStream(root, "kept", "committed"));
    ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));

    ComPtr<IStorage> nested;
    ASSERT_EQ(S_OK, root->CreateStorage(u"n", kNewStorage, 0, 0, &nested));
    ASSERT_EQ(S_OK, PutStream(nested, "s", "pending"));
    ASSERT_EQ(S_OK, nested->Commit(STGC_DEFAULT));  // part of the root's transaction
    ComPtr<IStream> stream;
    ASSERT_EQ(S_OK, nested->OpenStream(u"s", nullptr, kReadWriteStream, 0, &stream));
    EXPECT_EQ(S_OK, stream->Commit(STGC_DEFAULT));
    EXPECT_EQ("<missing>", OnDisk("n/s"));
    stream = nullptr;
    nested = nullptr;

    // Released without a commit: nothing of it stays.
    root = nullptr;
    ASSERT_EQ(S_OK, OpenFile(file_, kOpenTransacted, &root));
    EXPECT_EQ(std::vector<std::string>{"kept"}, ElementNames(root));
    EXPECT_EQ("committed", GetStream(root, "kept"));
}

TEST_F(StorageTransactionTest, RevertDropsTheChangesAndInvalidatesOpenElements) {
    ComPtr<IStorage> root;
    ASSERT_EQ(S_OK, CreateFile(file_, kCreateTransacted, &root));
    ASSERT_EQ(S_OK, PutStream(root, "kept", "committed"));
    ComPtr<IStorage> nested;
    ASSERT_EQ(S_OK, root->CreateStorage(u"n", kNewStorage, 0, 0, &nested));
    ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));

    ASSERT_EQ(S_OK, PutStream(root, "kept", "changed"));
    ASSERT_EQ(S_OK, PutStream(nested, "dropped", "x"));
    ComPtr<IStream> stream;
    ASSERT_EQ(S_OK, nested->OpenStream(u"dropped", nullptr, kReadWriteStream, 0, &stream));
    ComPtr<IEnumSTATSTG> elements;
    ASSERT_EQ(S_OK, root->EnumElements(0, nullptr, 0, &elements));

    ASSERT_EQ(S_OK, root->Revert());
    EXPECT_EQ("committed", GetStream(root, "kept"));
    char byte;
    ULONG count = 1;
    EXPECT_EQ(STG_E_REVERTED, stream->Read(&byte, 1, &count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(STG_E_REVERTED, stream->Write("y", 1, nullptr));
    STATSTG stat;
    EXPECT_EQ(STG_E_REVERTED, stream->Stat(&stat, STATFLAG_NONAME));
    ComPtr<IStream> other;
    EXPECT_EQ(STG_E_REVERTED, nested->CreateStream(u"t", kNewStream, 0, 0, &other));
    EXPECT_EQ(STG_E_REVERTED, nested->Commit(STGC_DEFAULT));
    // The enumerator was a snapshot; it still lists what it saw.
    EXPECT_EQ(S_OK, elements->Skip(2));

    // The elements can be opened afresh, and the root goes on working.
    ASSERT_EQ(S_OK, root->OpenStorage(u"n", nullptr, kOpenStorage, nullptr, 0, &nested));
    EXPECT_TRUE(ElementNames(nested).empty());
    ASSERT_EQ(S_OK, PutStream(nested, "after", "revert"));
    ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));
    stream = nullptr;
    nested = nullptr;
    root = nullptr;
    ASSERT_EQ(S_OK, OpenFile(file_, kOpenDirect, &root));
    ASSERT_EQ(S_OK, root->OpenStorage(u"n", nullptr, kOpenStorage, nullptr, 0, &nested));
    EXPECT_EQ(std::vector<std::string>{"after"}, ElementNames(nested));
}

TEST_F(StorageTransactionTest, StreamsReadTheirBytesFromTheFileThatEachCommitPutInPlace) {
    const std::string large = Pattern(1, 1, 300000);
    {
        ComPtr<IStorage> root;
        ASSERT_EQ(S_OK, CreateFile(file_, kCreateTransacted, &root));
        ASSERT_EQ(S_OK, PutStream(root, "large", large));
        ASSERT_EQ(S_OK, PutStream(root, "small", "small"));
        ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));
    }
    // Opened again, the streams' bytes are still on disk, not in memory.
    ComPtr<IStorage> root;
    ASSERT_EQ(S_OK, OpenFile(file_, kOpenTransacted, &root));
    ComPtr<IStream> open;
    ASSERT_EQ(S_OK, root->OpenStream(u"large", nullptr, kReadWriteStream, 0, &open));
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(S_OK, PutStream(root, "round", std::to_string(round)));
        ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));
        // The file a commit replaced is let go, not kept open for the
        // unchanged streams: they read from the new one.
        EXPECT_EQ(0, ReplacedFilesStillOpen());
        std::string bytes(large.size() + 1, '\0');
        ULONG read = 0;
        ASSERT_EQ(S_OK, open->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr));
        ASSERT_EQ(S_OK, open->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read));
        EXPECT_EQ(large, bytes.substr(0, read));
        EXPECT_EQ("small", GetStream(root, "small"));
    }
    EXPECT_TRUE(TemporaryFilesBeside(file_).empty());
}

// A process keeps the tree of a file it closed and opens it again without
// reading it while nobody changes it; a commit by another process in
// between, however soon after, is seen at the next open.
TEST_F(StorageTransactionTest, AReopenedFileShowsWhatAnotherProcessCommittedMeanwhile) {
    constexpr size_t kSize = 5000;
    {
        ComPtr<IStorage> root;
        ASSERT_EQ(S_OK, CreateFile(file_, kCreateTransacted, &root));
        ASSERT_EQ(S_OK, WriteGeneration(root, 1, kSize));
        ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));
    }
    std::string problem;
    for (uint32_t generation = 1; generation < 6; ++generation) {
        SCOPED_TRACE(generation);
        for (DWORD mode : {kOpenTransacted, kOpenDirect, DWORD{STGM_SHARE_DENY_WRITE | STGM_READ}}) {
            ComPtr<IStorage> root;
            ASSERT_EQ(S_OK, OpenFile(file_, mode, &root));
            EXPECT_EQ(generation, ReadGeneration(root, kSize, &problem));
            EXPECT_EQ("", problem);
        }
        // Commits the next generation and ends.
        testsupport::ChildProcess committer(testsupport::SiblingProgram("storage_child"),
                                            {"die-at-write", file_.string(), std::to_string(kSize), "1000000"});
        ASSERT_EQ(0, committer.Wait());
    }
    // What a transacted release dropped is not what the next open finds.
    {
        ComPtr<IStorage> root;
        ASSERT_EQ(S_OK, OpenFile(file_, kOpenTransacted, &root));
        ASSERT_EQ(S_OK, WriteGeneration(root, 99, kSize));
    }
    ComPtr<IStorage> root;
    ASSERT_EQ(S_OK, OpenFile(file_, kOpenTransacted, &root));
    EXPECT_EQ(6u, ReadGeneration(root, kSize, &problem));
    EXPECT_EQ("", problem);
}

// A file of items shaped like the item cache's: a storage per item holding
// a record and a children list.
class StorageInPlaceCommitTest : public StorageTransactionTest {
protected:
    void CreateItems(int count) {
        ComPtr<IStorage> root;
        ASSERT_EQ(S_OK, CreateFile(file_, kCreateTransacted, &root));
        for (int i = 0; i < count; ++i) {
            ComPtr<IStorage> item;
            ASSERT_EQ(S_OK, root->CreateStorage(U16(ItemName(i)).c_str(), kNewStorage, 0, 0, &item));
            ASSERT_EQ(S_OK, PutStream(item, "record", Pattern(1, i, 302)));
            ASSERT_EQ(S_OK, PutStream(item, "children", Pattern(1, i, 5000)));
        }
        ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));
    }
    static std::string ItemName(int i) { return "item " + std::to_string(i); }

    // Bytes the commit of `root` writes.
    uint64_t CommitCountingBytes(IStorage* root) {
        uint64_t bytes = 0;
        storage::format::SetWriteHook([&bytes](uint64_t, size_t count) {
            bytes += count;
            return 0;
        });
        EXPECT_EQ(S_OK, root->Commit(STGC_DEFAULT));
        storage::format::SetWriteHook({});
        return bytes;
    }
};

TEST_F(StorageInPlaceCommitTest, ACommitWritesWhatChangedNotTheWholeFile) {
    CreateItems(1000);
    const auto fileSize = fs::file_size(file_);
    ASSERT_GT(fileSize, 5'000'000u);
    ComPtr<IStorage> root;
    ASSERT_EQ(S_OK, OpenFile(file_, kOpenTransacted, &root));
    ComPtr<IStorage> item;
    ASSERT_EQ(S_OK, root->OpenStorage(U16(ItemName(500)).c_str(), nullptr, kOpenStorage, nullptr, 0, &item));
    ASSERT_EQ(S_OK, PutStream(item, "record", Pattern(2, 500, 302)));
    item = nullptr;
    // The record, its directory sector, a mini FAT and a FAT sector or two, the header.
    EXPECT_LT(CommitCountingBytes(root), 8u * 4096);
    // Nothing changed, nothing written.
    EXPECT_EQ(0u, CommitCountingBytes(root));
    root = nullptr;
    EXPECT_EQ(Pattern(2, 500, 302), OnDisk("item 500/record"));
    EXPECT_EQ(Pattern(1, 499, 302), OnDisk("item 499/record"));
    EXPECT_EQ(Pattern(1, 500, 5000), OnDisk("item 500/children"));
}

// Freed space is reused: a file changed again and again stays near its
// size, and holds exactly what the last commit left, element for element.
TEST_F(StorageInPlaceCommitTest, RepeatedChangesReuseTheSpaceTheyFree) {
    for (DWORD mode : {kOpenTransacted, kOpenDirect}) {
        SCOPED_TRACE(mode);
        CreateItems(100);
        const auto initialSize = fs::file_size(file_);
        std::map<std::string, std::string> expected;
        for (int i = 0; i < 100; ++i) {
            expected[ItemName(i) + "/record"] = Pattern(1, i, 302);
            expected[ItemName(i) + "/children"] = Pattern(1, i, 5000);
        }
        ComPtr<IStorage> root;
        ASSERT_EQ(S_OK, OpenFile(file_, mode, &root));
        for (uint32_t round = 2; round < 200; ++round) {
            const int changed = static_cast<int>(round * 7 % 100);
            ComPtr<IStorage> item;
            ASSERT_EQ(S_OK,
                      root->OpenStorage(U16(ItemName(changed)).c_str(), nullptr, kOpenStorage, nullptr, 0, &item));
            ASSERT_EQ(S_OK, PutStream(item, "record", Pattern(round, changed, 302 + round % 3)));
            ASSERT_EQ(S_OK, PutStream(item, "children", Pattern(round, changed, 5000 + round)));
            expected[ItemName(changed) + "/record"] = Pattern(round, changed, 302 + round % 3);
            expected[ItemName(changed) + "/children"] = Pattern(round, changed, 5000 + round);
            item = nullptr;
            // An item goes and another comes.
            const int removed = static_cast<int>(round * 13 % 100);
            ASSERT_EQ(S_OK, root->DestroyElement(U16(ItemName(removed)).c_str()));
            ASSERT_EQ(S_OK, root->CreateStorage(U16(ItemName(removed)).c_str(), kNewStorage, 0, 0, &item));
            ASSERT_EQ(S_OK, PutStream(item, "record", Pattern(round, 1000 + removed, 40)));
            expected.erase(ItemName(removed) + "/children");
            expected[ItemName(removed) + "/record"] = Pattern(round, 1000 + removed, 40);
            item = nullptr;
            ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));
        }
        root = nullptr;
        EXPECT_LT(fs::file_size(file_), initialSize * 3 / 2);
        HRESULT hr = S_OK;
        auto tree = ReadOnDisk(file_, &hr);
        ASSERT_NE(nullptr, tree) << std::hex << hr;
        size_t streams = 0;
        for (const auto& [name, item] : tree->Root().Children()) {
            for (const auto& entry : item->Children()) {
                const std::string path = winapi::ToUtf8(item->Name()) + "/" + winapi::ToUtf8(entry.second->Name());
                EXPECT_EQ(expected[path], StreamOnDisk(*tree, path)) << path;
                ++streams;
            }
        }
        EXPECT_EQ(expected.size(), streams);
    }
}

// A file left mostly free space is written anew, compactly; commits after
// that go in place again.
TEST_F(StorageInPlaceCommitTest, AFileMostlyFreedIsWrittenAnewAndThenChangedInPlace) {
    CreateItems(1000);
    const auto fullSize = fs::file_size(file_);
    ComPtr<IStorage> root;
    ASSERT_EQ(S_OK, OpenFile(file_, kOpenTransacted, &root));
    for (int i = 100; i < 1000; ++i) {
        ASSERT_EQ(S_OK, root->DestroyElement(U16(ItemName(i)).c_str()));
    }
    ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));  // frees the space
    ComPtr<IStorage> item;
    ASSERT_EQ(S_OK, root->OpenStorage(U16(ItemName(5)).c_str(), nullptr, kOpenStorage, nullptr, 0, &item));
    ASSERT_EQ(S_OK, PutStream(item, "record", Pattern(2, 5, 302)));
    item = nullptr;
    ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));  // finds it mostly free
    EXPECT_LT(fs::file_size(file_), fullSize / 5);
    ASSERT_EQ(S_OK, root->OpenStorage(U16(ItemName(6)).c_str(), nullptr, kOpenStorage, nullptr, 0, &item));
    ASSERT_EQ(S_OK, PutStream(item, "record", Pattern(2, 6, 302)));
    item = nullptr;
    EXPECT_LT(CommitCountingBytes(root), 8u * 4096);
    root = nullptr;
    EXPECT_EQ(Pattern(2, 5, 302), OnDisk("item 5/record"));
    EXPECT_EQ(Pattern(2, 6, 302), OnDisk("item 6/record"));
    EXPECT_EQ(Pattern(1, 99, 5000), OnDisk("item 99/children"));
    EXPECT_EQ("<missing>", OnDisk("item 100/record"));
}

// A version 3 file lists its FAT sectors beyond the 109 of the header in
// DIFAT sectors: changing a large stream moves FAT sectors listed there, and
// so the DIFAT sectors too.
TEST_F(StorageInPlaceCommitTest, ChangesInAFileWithDifatSectorsMoveThemWhole) {
    const size_t size = 9 << 20;  // 18,432 sectors of 512 bytes: 144 FAT sectors.
    {
        ComPtr<IStorage> root;
        ASSERT_EQ(S_OK, CreateFile(file_, kCreateTransacted, &root, 512));
        ASSERT_EQ(S_OK, PutStream(root, "large", Pattern(1, 1, size)));
        ASSERT_EQ(S_OK, PutStream(root, "small", "one"));
        ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));
    }
    for (uint32_t round = 2; round < 5; ++round) {
        ComPtr<IStorage> root;
        ASSERT_EQ(S_OK, OpenFile(file_, kOpenTransacted, &root));
        ASSERT_EQ(S_OK, PutStream(root, "large", Pattern(round, 1, size - round)));
        ASSERT_EQ(S_OK, PutStream(root, "small", std::to_string(round)));
        ASSERT_EQ(S_OK, root->Commit(STGC_DEFAULT));
        root = nullptr;
        HRESULT hr = S_OK;
        auto tree = ReadOnDisk(file_, &hr);
        ASSERT_NE(nullptr, tree) << std::hex << hr;
        EXPECT_GT(tree->Layout()->difatSectors.size(), 0u);
        EXPECT_TRUE(StreamOnDisk(*tree, "large") == Pattern(round, 1, size - round)) << round;
        EXPECT_EQ(std::to_string(round), StreamOnDisk(*tree, "small"));
    }
}

// Checks every sibling tree of a file as the format defines it: a search tree
// in the format's order with the red-black rules (no red entry with a red
// child, the same number of black entries on every path); returns the
// largest number of entries in one tree.
size_t CheckSiblingTrees(const storage::format::FileLayout& layout) {
    using storage::format::DirectoryEntry;
    using storage::format::EntryColour;
    using storage::format::kNoEntry;
    size_t largest = 0;
    for (const DirectoryEntry& storage : layout.entries) {
        if (storage.type != 1 && storage.type != 5) continue;
        // In-order walk, with each entry's depth in black entries.
        struct Visit {
            uint32_t id;
            int blacks;
            bool redParent;
        };
        std::vector<Visit> pending;
        std::vector<std::u16string> names;
        int leafBlacks = -1;
        auto descend = [&](uint32_t id, int blacks, bool redParent) {
            while (true) {
                if (id == kNoEntry) {
                    if (leafBlacks < 0) leafBlacks = blacks;
                    EXPECT_EQ(leafBlacks, blacks) << "black heights differ";
                    return;
                }
                const DirectoryEntry& entry = layout.entries[id];
                const bool red = entry.colour == EntryColour::Red;
                EXPECT_FALSE(red && redParent) << "a red entry under a red one";
                pending.push_back({id, blacks + (red ? 0 : 1), red});
                id = entry.left;
                blacks += red ? 0 : 1;
                redParent = red;
            }
        };
        descend(storage.child, 0, false);
        while (!pending.empty()) {
            Visit visit = pending.back();
            pending.pop_back();
            const DirectoryEntry& entry = layout.entries[visit.id];
            std::u16string name;
            EXPECT_TRUE(entry.DecodeName(&name));
            if (!names.empty()) EXPECT_LT(storage::format::CompareElementNames(names.back(), name), 0);
            names.push_back(name);
            descend(entry.right, visit.blacks, visit.redParent);
        }
        if (storage.child != kNoEntry) EXPECT_EQ(EntryColour::Black, layout.entries[storage.child].colour);
        largest = std::max(largest, names.size());
    }
    return largest;
}

// Children added, destroyed and renamed one commit at a time rewrite a few
// paths of the storage's sibling tree, which stays a valid red-black tree.
TEST_F(StorageInPlaceCommitTest, ChangedChildrenKeepTheSiblingTreeBalancedAndCostAFewPaths) {
    CreateItems(2000);
    ComPtr<IStorage> root;
    ASSERT_EQ(S_OK, OpenFile(file_, kOpenDirect, &root));
    std::set<int> present;
    for (int i = 0; i < 2000; ++i) present.insert(i);
    uint64_t mostBytes = 0;
    for (int i = 1; i < 700; ++i) {
        // Names in an order that exercises both sides and every rotation.
        const int added = 10000 + i * 337 % 1000;
        ComPtr<IStorage> item;
        ASSERT_EQ(S_OK, root->CreateStorage(U16(ItemName(added)).c_str(), kNewStorage, 0, 0, &item));
        ASSERT_EQ(S_OK, PutStream(item, "record", Pattern(1, added, 100)));
        item = nullptr;
        present.insert(added);
        if (i % 5 == 0) {
            const int gone = *present.lower_bound(i * 71 % 2000);
            ASSERT_EQ(S_OK, root->DestroyElement(U16(ItemName(gone)).c_str()));
            present.erase(gone);
        }
        if (i % 7 == 0) {
            const int from = *present.lower_bound(i * 53 % 2000);
            const int to = 20000 + i;
            ASSERT_EQ(S_OK, root->RenameElement(U16(ItemName(from)).c_str(), U16(ItemName(to)).c_str()));
            present.erase(from);
            present.insert(to);
        }
        const uint64_t bytes = CommitCountingBytes(root);
        if (i > 1) mostBytes = std::max(mostBytes, bytes);  // The first rebuilds the tree read from the file.
    }
    root = nullptr;
    // 2,500 children and their streams take 220 directory sectors, the
    // children's entries alone 80; a few paths of about 12 entries touch a few.
    EXPECT_LT(mostBytes, 40u * 4096);
    HRESULT hr = S_OK;
    auto tree = ReadOnDisk(file_, &hr);
    ASSERT_NE(nullptr, tree) << std::hex << hr;
    EXPECT_EQ(present.size(), CheckSiblingTrees(*tree->Layout()));
    for (int name : present) {
        EXPECT_NE(nullptr, tree->Root().FindChild(U16(ItemName(name)))) << name;
    }
}

}  // namespace
}  // namespace storage_test
