// Help topics: the shared help viewer started as its own process on the
// product's help file, or nothing when either is missing.
#include "tesspur/str_wnd.h"

#include "common/settings_light.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/registry_values.h"
#include "testsupport/scoped_environment.h"
#include "winapi/path_mapping.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

class StrWndHelpTest : public testsupport::FreshMachineTest {
protected:
    void SetUp() override {
        const fs::path lang = machine_.root() / "lang";
        testsupport::WriteValue(HKEY_LOCAL_MACHINE, kProductKeyPath, u"LangDir", REG_SZ,
                                testsupport::TextBytes(winapi::FromPosixPath(lang.string())));
        helpFile_ = lang / "GB" / "Quorrastel.chm";
    }

    // The viewer: a program that writes its arguments into `out_`.
    void InstallViewer() {
        const fs::path folder = programFiles_ / "Common Files" / "Zentraviko Shared" / "qzHelpViewer";
        fs::create_directories(folder);
        const fs::path viewer = folder / "qzHelpViewer.exe";
        std::ofstream(viewer) << "#!/bin/sh\nprintf '%s|' \"$@\" > \"" << out_.string() << ".part\"\nmv \""
                              << out_.string() << ".part\" \"" << out_.string() << "\"\n";
        fs::permissions(viewer, fs::perms::owner_all);
    }
    void InstallHelpFile() {
        fs::create_directories(helpFile_.parent_path());
        std::ofstream(helpFile_) << "help";
    }

    fs::path programFiles_ = machine_.root() / "Program Files (x86)";
    testsupport::ScopedEnvironment variable_{"ProgramFiles(x86)", programFiles_.string()};
    fs::path helpFile_;
    fs::path out_ = machine_.root() / "viewer-arguments.txt";
};

TEST_F(StrWndHelpTest, NothingToShowWithoutViewerOrHelpFile) {
    EXPECT_FALSE(StrWnd::mzbShowHelp(nullptr, u"ItemGenerate", u"Halvaran", 0));  // neither
    InstallHelpFile();
    EXPECT_FALSE(StrWnd::mzbShowHelp(nullptr, u"ItemGenerate", u"Halvaran", 0));  // no viewer
    fs::remove(helpFile_);
    InstallViewer();
    EXPECT_FALSE(StrWnd::mzbShowHelp(nullptr, u"ItemGenerate", u"Halvaran", 0));  // no help file
    EXPECT_FALSE(fs::exists(out_));
}

TEST_F(StrWndHelpTest, TheViewerRunsOnTheTopicOfTheHelpFile) {
    InstallHelpFile();
    InstallViewer();
    ASSERT_TRUE(StrWnd::mzbShowHelp(nullptr, u"ItemAddFiles", u"Halvaran", 0));
    // The viewer runs on its own: wait for what it wrote.
    for (int i = 0; i < 1000 && !fs::exists(out_); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(out_);
    std::stringstream text;
    text << in.rdbuf();
    // The help file as the system names it, then the topic.
    EXPECT_EQ(text.str(), winapi::ToUtf8(SettingsLight().goGetLocation(kHelpFile)) + "::/Halvaran/ItemAddFiles.htm|");
}

}  // namespace
