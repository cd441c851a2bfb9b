// Where the dialog host finds the login dialog library: by the system's
// search (the program's own folder first), else in the shared location
// folder; and what it does when neither holds a usable library.
//
// The build puts the dialog library beside every program, so the cases run
// a copy of a child program from a folder of its own (its libraries are
// found by the absolute paths the build records in it).
#include "common/settings_light.h"
#include "testsupport/child_process.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/registry_values.h"
#include "testsupport/scoped_environment.h"
#include "winapi/path_mapping.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr char kChild[] = "login_dialog_host_child";
constexpr char16_t kCaption[] = u"Machine Product";

// What a folder holds under the dialog library's file name.
enum class Holds { Nothing, DialogLibrary, LibraryWithoutExport };

class DialogLibrarySearchTest : public testsupport::FreshMachineTest {
protected:
    void SetUp() override {
        fs::create_directories(program_);
        fs::create_directories(shared_);
        fs::copy_file(testsupport::SiblingProgram(kChild), program_ / kChild);
        testsupport::WriteText(HKEY_LOCAL_MACHINE, kProductKeyPath, nullptr, kCaption);
        testsupport::WriteText(HKEY_LOCAL_MACHINE, kProductKeyPath, u"SharedLocation",
                               winapi::FromPosixPath(shared_.string()) + u"\\");
    }

    static void Put(Holds what, const fs::path& folder) {
        if (what == Holds::Nothing) return;
        // Any library of the build but the dialog's lacks its export; the
        // child has this one loaded anyway.
        const char* library = what == Holds::DialogLibrary ? "libPruvane.so" : "libplatform_winapi.so";
        fs::create_symlink(testsupport::SiblingProgram(library), folder / "libPruvane.so");
    }

    // Runs the child from its folder with the user's `answer`; its report.
    std::string RunChild(const std::string& answer) {
        const fs::path report = machine_.root() / "report.txt";
        testsupport::ChildProcess child(program_ / kChild, {report.string(), answer});
        EXPECT_EQ(child.Wait(), 0);
        std::ifstream file(report);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    const fs::path program_ = machine_.root() / "program";
    const fs::path shared_ = machine_.root() / "shared";
    // Only the program's folder is searched by name.
    testsupport::ScopedEnvironment noFurtherFolders_{"PLATFORM_LIBRARY_PATH", ""};
};

TEST_F(DialogLibrarySearchTest, FindsTheLibraryByNameElseInTheSharedLocation) {
    const std::string cancelled = "dialog Login\nvault shown: Demo\nresult 2\n";
    struct Case {
        const char* what;
        Holds programFolder;
        Holds sharedFolder;
        const char* answer;
        std::string expectedReport;
    } const cases[] = {
        {"only in the shared location", Holds::Nothing, Holds::DialogLibrary, "cancel-dialog", cancelled},
        {"in both: the program's folder first", Holds::DialogLibrary, Holds::LibraryWithoutExport, "cancel-dialog",
         cancelled},
        {"without the export in the shared location", Holds::Nothing, Holds::LibraryWithoutExport, "nothing",
         "result 0\n"},
        // A library found by name is used even without the export.
        {"without the export in the program's folder", Holds::LibraryWithoutExport, Holds::DialogLibrary, "nothing",
         "result 0\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const fs::path& folder : {program_, shared_}) fs::remove(folder / "libPruvane.so");
        Put(c.programFolder, program_);
        Put(c.sharedFolder, shared_);
        EXPECT_EQ(RunChild(c.answer), c.expectedReport);
    }
}

// Missing in both places is told to the user, with the path tried last.
TEST_F(DialogLibrarySearchTest, MissingInBothPlacesIsReportedAsCorrupt) {
    const std::string sharedFolder = winapi::ToUtf8(winapi::FromPosixPath(shared_.string()));
    EXPECT_EQ(RunChild("confirm-message"),
              "message box 0x10 Machine Product: The dynamic link library '" + sharedFolder +
                  "\\Pruvane.dll' is corrupt.\nPlease repair/reinstall Machine Product.\nresult 0\n");
}

}  // namespace
