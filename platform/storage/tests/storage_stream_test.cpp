// IStream over a stream element: reading, writing in place, seeking,
// sizes, clones, copies and the calls a compound-file stream refuses.
#include "storage_test_support.h"
#include "testsupport/fresh_machine.h"
#include "winapi/errors.h"

#include <gtest/gtest.h>

namespace storage_test {
namespace {

class StorageStreamTest : public testsupport::FreshMachineTest {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, CreateFile(file_, kCreateDirect, &root_));
        ASSERT_EQ(S_OK, root_->CreateStream(u"s", (kNewStream & ~STGM_WRITE) | STGM_READWRITE, 0, 0, &stream_));
    }

    static LARGE_INTEGER Offset(LONGLONG value) {
        LARGE_INTEGER offset;
        offset.QuadPart = value;
        return offset;
    }

    uint64_t Seek(LONGLONG move, DWORD origin) {
        ULARGE_INTEGER position{};
        EXPECT_EQ(S_OK, stream_->Seek(Offset(move), origin, &position));
        return position.QuadPart;
    }

    std::string ReadAll() {
        Seek(0, STREAM_SEEK_SET);
        std::string bytes(1 << 20, '\0');
        ULONG read = 0;
        EXPECT_EQ(S_OK, stream_->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read));
        return bytes.substr(0, read);
    }

    fs::path file_ = machine_.root() / "cache.Items";
    ComPtr<IStorage> root_;
    ComPtr<IStream> stream_;
};

TEST_F(StorageStreamTest, AShorterRecordWrittenInPlaceKeepsTheLongerTail) {
    ULONG written = 0;
    ASSERT_EQ(S_OK, stream_->Write("a long first record", 19, &written));
    EXPECT_EQ(19u, written);
    stream_ = nullptr;
    // The item cache reopens the record stream for writing and writes from the start.
    ASSERT_EQ(S_OK, root_->OpenStream(u"s", nullptr, kWriteStream, 0, &stream_));
    ASSERT_EQ(S_OK, stream_->Write("SHORT", 5, &written));
    stream_ = nullptr;
    ASSERT_EQ(S_OK, root_->Commit(STGC_DEFAULT));
    root_ = nullptr;
    ASSERT_EQ(S_OK, OpenFile(file_, kOpenDirect, &root_));
    EXPECT_EQ("SHORTg first record", GetStream(root_, "s"));
}

TEST_F(StorageStreamTest, ReadsStopShortAtTheEndWithSuccess) {
    ASSERT_EQ(S_OK, stream_->Write("0123456789", 10, nullptr));
    Seek(6, STREAM_SEEK_SET);
    char buffer[16] = {};
    ULONG read = 99;
    EXPECT_EQ(S_OK, stream_->Read(buffer, sizeof buffer, &read));
    EXPECT_EQ(4u, read);
    EXPECT_EQ("6789", std::string(buffer, read));
    EXPECT_EQ(S_OK, stream_->Read(buffer, sizeof buffer, &read));
    EXPECT_EQ(0u, read);
    EXPECT_EQ(S_OK, stream_->Read(buffer, 1, nullptr));
}

TEST_F(StorageStreamTest, SeekMovesFromEachOriginAndRefusesNegativePositions) {
    ASSERT_EQ(S_OK, stream_->Write("0123456789", 10, nullptr));
    EXPECT_EQ(10u, Seek(0, STREAM_SEEK_CUR));
    EXPECT_EQ(3u, Seek(3, STREAM_SEEK_SET));
    EXPECT_EQ(5u, Seek(2, STREAM_SEEK_CUR));
    EXPECT_EQ(7u, Seek(-3, STREAM_SEEK_END));
    ULARGE_INTEGER position{};
    EXPECT_EQ(STG_E_INVALIDFUNCTION, stream_->Seek(Offset(-11), STREAM_SEEK_END, &position));
    EXPECT_EQ(STG_E_INVALIDFUNCTION, stream_->Seek(Offset(-1), STREAM_SEEK_SET, &position));
    EXPECT_EQ(STG_E_INVALIDFUNCTION, stream_->Seek(Offset(0), 3, &position));
    EXPECT_EQ(7u, Seek(0, STREAM_SEEK_CUR));  // unchanged by the refusals

    // A write past the end fills the gap with zeros.
    Seek(12, STREAM_SEEK_SET);
    ASSERT_EQ(S_OK, stream_->Write("X", 1, nullptr));
    EXPECT_EQ(std::string("0123456789\0\0X", 13), ReadAll());
}

TEST_F(StorageStreamTest, SetSizeCutsAndExtendsAcrossTheMiniStreamCutoff) {
    const std::string bytes = Pattern(3, 3, 5000);  // a regular stream
    ASSERT_EQ(S_OK, stream_->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr));
    ULARGE_INTEGER size{};
    size.QuadPart = 100;  // into the mini stream
    ASSERT_EQ(S_OK, stream_->SetSize(size));
    EXPECT_EQ(bytes.substr(0, 100), ReadAll());
    size.QuadPart = 4200;  // and out again: zeros
    ASSERT_EQ(S_OK, stream_->SetSize(size));
    ASSERT_EQ(S_OK, root_->Commit(STGC_DEFAULT));
    EXPECT_EQ(bytes.substr(0, 100) + std::string(4100, '\0'), ReadAll());
    STATSTG stat{};
    ASSERT_EQ(S_OK, stream_->Stat(&stat, STATFLAG_DEFAULT));
    EXPECT_EQ(u"s", std::u16string(stat.pwcsName));
    CoTaskMemFree(stat.pwcsName);
    EXPECT_EQ(DWORD{STGTY_STREAM}, stat.type);
    EXPECT_EQ(4200u, stat.cbSize.QuadPart);
}

TEST_F(StorageStreamTest, ClonesShareTheBytesButNotTheSeekPointer) {
    ASSERT_EQ(S_OK, stream_->Write("abcdef", 6, nullptr));
    ComPtr<IStream> clone;
    ASSERT_EQ(S_OK, stream_->Clone(&clone));
    ULARGE_INTEGER position{};
    ASSERT_EQ(S_OK, clone->Seek(Offset(0), STREAM_SEEK_CUR, &position));
    EXPECT_EQ(6u, position.QuadPart);  // starts where the original was
    ASSERT_EQ(S_OK, clone->Seek(Offset(0), STREAM_SEEK_SET, nullptr));
    ASSERT_EQ(S_OK, clone->Write("AB", 2, nullptr));
    EXPECT_EQ(6u, Seek(0, STREAM_SEEK_CUR));
    EXPECT_EQ("ABcdef", ReadAll());
}

TEST_F(StorageStreamTest, CopyToCopiesFromTheSeekPointerIntoAnyStream) {
    const std::string bytes = Pattern(4, 4, 200000);
    ASSERT_EQ(S_OK, stream_->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr));
    ComPtr<IStream> target;
    ASSERT_EQ(S_OK, root_->CreateStream(u"t", kNewStream, 0, 0, &target));
    Seek(1000, STREAM_SEEK_SET);
    ULARGE_INTEGER size, read, written;
    size.QuadPart = ~0ull;  // everything that is left
    ASSERT_EQ(S_OK, stream_->CopyTo(target, size, &read, &written));
    EXPECT_EQ(bytes.size() - 1000, read.QuadPart);
    EXPECT_EQ(bytes.size() - 1000, written.QuadPart);
    EXPECT_EQ(bytes.size(), Seek(0, STREAM_SEEK_CUR));
    target = nullptr;
    EXPECT_EQ(bytes.substr(1000), GetStream(root_, "t"));
}

TEST_F(StorageStreamTest, RangeLocksAreNotOfferedAndStreamTransactionsAreTheRoots) {
    ULARGE_INTEGER offset{}, size{};
    size.QuadPart = 10;
    EXPECT_EQ(STG_E_INVALIDFUNCTION, stream_->LockRegion(offset, size, 1));
    EXPECT_EQ(STG_E_INVALIDFUNCTION, stream_->UnlockRegion(offset, size, 1));
    ASSERT_EQ(S_OK, stream_->Write("x", 1, nullptr));
    EXPECT_EQ(S_OK, stream_->Revert());  // a direct stream has nothing to take back
    EXPECT_EQ(STG_E_INVALIDFLAG, stream_->Commit(0x100));
    EXPECT_EQ(S_OK, stream_->Commit(STGC_DEFAULT));
    EXPECT_EQ("x", ReadAll());
}

}  // namespace
}  // namespace storage_test
