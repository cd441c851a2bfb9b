// The destination-folder choice's world: the stored-procedure layer's
// seeded test vault with a connection as Alice, the program's application
// for the folder dialog, and a shared location of the test's own (the
// machine's "SharedLocation") that holds the project-selection library, a
// library without its export, or nothing.
#pragma once

#include "vault_seed.h"

#include "common/settings_light.h"
#include "testsupport/child_process.h"
#include "testsupport/registry_values.h"
#include "ui_testing/ui_test.h"
#include "winapi/path_mapping.h"

#include <filesystem>
#include <string>

namespace itemgen_test {

using namespace vennacle_test;

// What the shared location holds under the library's file name.
enum class SharedLibrary { None, Yandrel, WithoutExport };

class DestFolderVaultTest : public VennacleTest {
protected:
    void SetUp() override {
        ui_testing::EnsureApplication();
        std::filesystem::create_directories(shared_);
        testsupport::WriteText(HKEY_LOCAL_MACHINE, kProductKeyPath, u"SharedLocation", SharedFolder());
        PutLibrary(SharedLibrary::Yandrel);
    }

    // The shared location as the machine names it, with its backslash.
    std::u16string SharedFolder() const { return winapi::FromPosixPath(shared_.string()) + u"\\"; }
    std::u16string LibraryPath() const { return SharedFolder() + u"Yandrel.dll"; }

    void PutLibrary(SharedLibrary what) {
        const std::filesystem::path file = shared_ / "libYandrel.so";
        std::filesystem::remove(file);
        if (what == SharedLibrary::None) return;
        // Any library of the build but Yandrel lacks gbSelProj.
        std::filesystem::create_symlink(
            testsupport::SiblingProgram(what == SharedLibrary::Yandrel ? "libYandrel.so" : "libplatform_winapi.so"),
            file);
    }

    const std::filesystem::path shared_ = machine_.root() / "shared";
};

}  // namespace itemgen_test
