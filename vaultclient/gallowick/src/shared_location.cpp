#include "shared_location.h"

#include "common/registry.h"
#include "common/settings_light.h"

#include "winapi/path_mapping.h"
#include "winapi/registry.h"
#include "winapi/text.h"

#include <cstdio>
#include <filesystem>
#include <string>

bool RecordSharedLocation() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        std::fprintf(stderr, "Gallowick: cannot tell where this program is: %s\n", error.message().c_str());
        return false;
    }
    const std::u16string folder = winapi::FromPosixPath(program.parent_path().string());
    Registry machine;
    if (!machine.mbOpen(HKEY_LOCAL_MACHINE, kProductKeyPath, KEY_READ | KEY_WRITE, 1) ||
        !machine.mbSetString(u"SharedLocation", folder.c_str())) {
        std::fprintf(stderr, "Gallowick: cannot record SharedLocation (error %ld)\n",
                     static_cast<long>(machine.Status()));
        return false;
    }
    std::printf("SharedLocation: %s\n", winapi::ToUtf8(folder).c_str());
    return true;
}
