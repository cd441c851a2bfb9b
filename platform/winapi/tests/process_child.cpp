// A program that the process tests start with CreateProcessW.
//
//   process_child <output file> <exit code> [args...]
// writes, into the output file, each of its arguments (the program name
// included) followed by a zero byte, then its working folder and the value of
// PROCESS_CHILD_VALUE (or "<unset>") and its GetCommandLineW() in UTF-8, each
// followed by a zero byte, and exits with the exit code.
//   process_child --sleep
// waits until it is killed.
//   process_child --exit-process <output file>
// writes "buffered output" to its standard output, sent to the file, and
// ends with ExitProcess(0xFFFFFFFF) before flushing it; an exit handler that
// would add more must not run.
//   process_child --list-descriptors <output file>
// writes the numbers of its open file descriptors above 2, one a line.
#include "winapi/command_line.h"
#include "winapi/process.h"
#include "winapi/text.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--sleep") == 0) {
        for (;;) pause();
    }
    if (argc == 3 && std::strcmp(argv[1], "--exit-process") == 0) {
        if (!std::freopen(argv[2], "w", stdout)) return 101;
        std::atexit([] { std::fputs(" and the exit handler", stdout); });
        std::fputs("buffered output", stdout);
        ExitProcess(0xFFFFFFFF);
    }
    if (argc == 3 && std::strcmp(argv[1], "--list-descriptors") == 0) {
        std::vector<int> open;
        for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
            int fd = std::atoi(entry.path().filename().c_str());
            if (fd > 2) open.push_back(fd);
        }
        FILE* out = std::fopen(argv[2], "w");
        if (!out) return 101;
        // The listing's own descriptor is among them.
        for (int fd : open) std::fprintf(out, "%d\n", fd);
        std::fclose(out);
        return 0;
    }
    if (argc < 3) return 100;
    FILE* out = std::fopen(argv[1], "wb");
    if (!out) return 101;
    for (int i = 0; i < argc; ++i) std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, out);
    std::string folder = std::filesystem::current_path().string();
    std::fwrite(folder.c_str(), 1, folder.size() + 1, out);
    const char* value = std::getenv("PROCESS_CHILD_VALUE");
    std::string text = value ? value : "<unset>";
    std::fwrite(text.c_str(), 1, text.size() + 1, out);
    std::string commandLine = winapi::ToUtf8(GetCommandLineW());
    std::fwrite(commandLine.c_str(), 1, commandLine.size() + 1, out);
    std::fclose(out);
    return std::atoi(argv[2]);
}
