// A shared location of the test's own (the machine's "SharedLocation")
// that holds the project-selection library, a library without its export,
// or nothing; and the program's application for the library's folder
// dialog. Made as a member of a fixture on a fresh machine.
#pragma once

#include "common/settings_light.h"
#include "testsupport/child_process.h"
#include "testsupport/registry_values.h"
#include "ui_testing/ui_test.h"
#include "winapi/path_mapping.h"

#include <filesystem>
#include <string>

namespace itemgen_test {

// What the shared location holds under the library's file name.
enum class SharedLibrary { None, Yandrel, WithoutExport };

class SharedLocation {
public:
    explicit SharedLocation(const std::filesystem::path& machineRoot) : folder_(machineRoot / "shared") {
        ui_testing::EnsureApplication();
        std::filesystem::create_directories(folder_);
        testsupport::WriteText(HKEY_LOCAL_MACHINE, kProductKeyPath, u"SharedLocation", Folder());
        Put(SharedLibrary::Yandrel);
    }

    // The shared location as the machine names it, with its backslash.
    std::u16string Folder() const { return winapi::FromPosixPath(folder_.string()) + u"\\"; }
    std::u16string LibraryPath() const { return Folder() + u"Yandrel.dll"; }

    void Put(SharedLibrary what) const {
        const std::filesystem::path file = folder_ / "libYandrel.so";
        std::filesystem::remove(file);
        if (what == SharedLibrary::None) return;
        // Any library of the build but Yandrel lacks gbSelProj.
        std::filesystem::create_symlink(
            testsupport::SiblingProgram(what == SharedLibrary::Yandrel ? "libYandrel.so" : "libplatform_winapi.so"),
            file);
    }

private:
    std::filesystem::path folder_;
};

// The folder dialog of the library as the prompter meets it: its name and
// its path edit.
inline constexpr char kFolderDialog[] = "SelectFolder";
inline constexpr int kFolderPathEdit = 1003;

}  // namespace itemgen_test
