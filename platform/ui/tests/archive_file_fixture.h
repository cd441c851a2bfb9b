// A fixture with a fresh folder per test for files written through CFile and
// CArchive, and helpers that store to and load from one of them.
#pragma once

#include "ui/framework/archive.h"
#include "ui_testing/ui_test.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include <unistd.h>

class ArchiveFileTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        folder_ =
            std::filesystem::temp_directory_path() / ("archive-file-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        std::filesystem::remove_all(folder_);
        UiTest::TearDown();
    }

    std::u16string PathOf(const std::string& name) const { return winapi::ToUtf16((folder_ / name).string()); }

    // Stores into the file as a program saves it: created when missing and
    // not truncated.
    void Store(const std::u16string& path, const std::function<void(CArchive&)>& write) {
        CFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeWrite | CFile::modeCreate | CFile::modeNoTruncate));
        CArchive archive(&file, CArchive::store, 4096);
        write(archive);
        archive.Close();
    }

    // Loads from the file; returns the cause of the CArchiveException the
    // reading threw, or CArchiveException::none.
    int Load(const std::u16string& path, const std::function<void(CArchive&)>& read) {
        CFile file;
        EXPECT_TRUE(file.Open(path.c_str(), CFile::modeRead));
        CArchive archive(&file, CArchive::load, 4096);
        try {
            read(archive);
        } catch (CArchiveException* error) {
            int cause = error->m_cause;
            error->Delete();
            return cause;
        }
        return CArchiveException::none;
    }

    std::string BytesOf(const std::u16string& path) const {
        std::ifstream in(winapi::ToUtf8(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void WriteBytes(const std::u16string& path, const std::string& bytes) const {
        std::ofstream(winapi::ToUtf8(path), std::ios::binary | std::ios::trunc) << bytes;
    }

private:
    std::filesystem::path folder_;
};
