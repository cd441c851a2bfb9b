// Writes `count` keys "<prefix><n>" = "<n>" into section "Shared" of the
// profile file, one write each, so that several of these processes change
// one file at the same time.
//
// Usage: profile_child <file> <prefix> <count>
#include "winapi/profile.h"
#include "winapi/text.h"

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    const std::u16string file = winapi::ToUtf16(argv[1]);
    const std::string prefix = argv[2];
    const int count = std::atoi(argv[3]);
    for (int n = 0; n < count; ++n) {
        std::u16string key = winapi::ToUtf16(prefix + std::to_string(n));
        std::u16string value = winapi::ToUtf16(std::to_string(n));
        if (!WritePrivateProfileStringW(u"Shared", key.c_str(), value.c_str(), file.c_str())) return 1;
    }
    return 0;
}
