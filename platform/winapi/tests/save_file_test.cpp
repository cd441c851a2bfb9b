// Saving a file whole: every step of a save failed in turn leaves the old or
// the new content at the target, never a mix, and no temporary file.
#include "testsupport/fresh_machine.h"
#include "winapi/save_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using winapi::SaveFile;
using winapi::SaveStep;

// The step the hook fails, and with which errno value.
SaveStep gFailingStep;
int gFailure = 0;
int FailOneStep(SaveStep step) { return step == gFailingStep ? gFailure : 0; }

class SaveFileTest : public testsupport::FreshMachineTest {
protected:
    void SetUp() override {
        folder_ = machine_.root() / "saves";
        fs::create_directory(folder_);
        target_ = (folder_ / "settings.txt").string();
    }
    void TearDown() override { winapi::SetSaveFaultHook(nullptr); }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename().string());
        return names;
    }
    int Save(const std::string& content, SaveFile::Placement placement = SaveFile::Placement::kReplace) {
        SaveFile file;
        int err = file.Create(target_);
        if (err == 0) err = file.Write(content);
        if (err == 0) err = file.Commit(placement);
        return err;
    }

    fs::path folder_;
    std::string target_;
};

TEST_F(SaveFileTest, AFailureAtEveryStepLeavesTheOldOrTheNewFileAndNoTemporary) {
    const std::string oldContent = "old settings\n";
    // Large enough that a torn write would show as a mix.
    const std::string newContent(200000, 'n');
    for (SaveStep step :
         {SaveStep::kCreate, SaveStep::kWrite, SaveStep::kFlushData, SaveStep::kRename, SaveStep::kFlushFolder}) {
        for (int failure : {EIO, ENOSPC, EDQUOT}) {
            SCOPED_TRACE(testing::Message() << "step " << static_cast<int>(step) << ", errno " << failure);
            std::ofstream(target_, std::ios::binary | std::ios::trunc) << oldContent;
            gFailingStep = step;
            gFailure = failure;
            winapi::SetSaveFaultHook(FailOneStep);
            EXPECT_EQ(Save(newContent), failure);
            winapi::SetSaveFaultHook(nullptr);
            // Only a failed flush of the folder comes after the content is in place.
            EXPECT_EQ(Read(target_), step == SaveStep::kFlushFolder ? newContent : oldContent);
            EXPECT_EQ(FolderEntries(), std::vector<std::string>{"settings.txt"});
        }
    }
    // And without a failure, the new content and nothing else.
    EXPECT_EQ(Save(newContent), 0);
    EXPECT_EQ(Read(target_), newContent);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"settings.txt"});
}

TEST_F(SaveFileTest, PlacementsModesAndRetries) {
    EXPECT_EQ(Save("first", SaveFile::Placement::kMustNotExist), 0);
    // A taken name is refused and can be taken over by the same save.
    SaveFile file;
    SaveFile::Options options;
    options.mode = 0640;
    ASSERT_EQ(file.Create(target_, options), 0);
    ASSERT_EQ(file.Write("second"), 0);
    EXPECT_EQ(file.Commit(SaveFile::Placement::kMustNotExist), EEXIST);
    EXPECT_FALSE(file.IsPlaced());
    EXPECT_EQ(Read(target_), "first");
    EXPECT_EQ(file.Commit(SaveFile::Placement::kReplace), 0);
    EXPECT_EQ(Read(target_), "second");
    struct stat st {};
    ASSERT_EQ(::stat(target_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    // A folder that is not there.
    SaveFile nowhere;
    EXPECT_EQ(nowhere.Create((folder_ / "missing" / "x").string()), ENOENT);
}

// A caller that saves many files flushes their folder once itself: such a
// save never flushes the folder, and FlushFolder is the one that does (and
// reports its failure).
TEST_F(SaveFileTest, ASaveCanLeaveTheFolderFlushToItsCaller) {
    gFailingStep = SaveStep::kFlushFolder;
    gFailure = EIO;
    winapi::SetSaveFaultHook(FailOneStep);
    SaveFile::Options options;
    options.flushFolder = false;
    for (const char* content : {"first", "second"}) {
        SaveFile file;
        ASSERT_EQ(file.Create(target_, options), 0);
        ASSERT_EQ(file.Write(content), 0);
        EXPECT_EQ(file.Commit(), 0);
        EXPECT_TRUE(file.IsPlaced());
        EXPECT_EQ(Read(target_), content);
    }
    EXPECT_EQ(winapi::FlushFolder(folder_.string()), EIO);
    winapi::SetSaveFaultHook(nullptr);
    EXPECT_EQ(winapi::FlushFolder(folder_.string()), 0);
    EXPECT_EQ(winapi::FlushFolder((folder_ / "missing").string()), ENOENT);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"settings.txt"});
}

TEST_F(SaveFileTest, AbandonedSavesLeaveNothingAndStaleOnesAreSwept) {
    {
        SaveFile file;
        ASSERT_EQ(file.Create(target_), 0);
        ASSERT_EQ(file.Write("never placed"), 0);
    }
    EXPECT_TRUE(FolderEntries().empty());

    // A dead writer's temporary file (unlocked) goes; a live one's stays.
    const std::string dead = target_ + ".save-dead";
    const std::string live = target_ + ".save-live";
    std::ofstream(dead) << "x";
    std::ofstream(live) << "y";
    winapi::UniqueFd holder(::open(live.c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(::flock(holder.Get(), LOCK_EX), 0);
    winapi::RemoveStaleSaves(target_, ".save-");
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_TRUE(fs::exists(live));
}

}  // namespace
