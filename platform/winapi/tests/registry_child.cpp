// A separate process for the registry tests: writes, reads and checks values
// while the test process and other children use the same hives.
//
//   registry_child write <prefix> <count> <go-file>
//       waits for <go-file>, then sets <count> REG_DWORD values "<prefix>-<i>" = i
//       in HKCU\Software\Stress, and creates the sub-key <prefix> there.
//   registry_child read <expected-count> <go-file>
//       waits for <go-file>, then reads HKCU\Software\Stress over and over
//       until it holds <expected-count> values, checking every value it sees,
//       that the count never falls, and that the hive file is always whole.
//   registry_child endless <prefix>
//       sets REG_DWORD values "<prefix>-<i>" = i in HKCU\Software\Stress for
//       i = 0, 1, ... until killed, announcing "wrote <i>" after each.
//   registry_child set <name> <number>
//       sets the REG_DWORD value <name> of HKCU\Software\Probe.
//   registry_child expect <HKLM|HKCU|HKCR> <key> <name> <type> <hex bytes or ->
//       exits 0 when the value has exactly that type and data.
#include "testsupport/child_process.h"
#include "winapi/errors.h"
#include "winapi/registry.h"
#include "winapi/state_root.h"
#include "winapi/text.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const WCHAR* kStressKey = u"Software\\Stress";

int Fail(const std::string& what, LSTATUS status = 0) {
    std::fprintf(stderr, "registry_child: %s (status %d)\n", what.c_str(), static_cast<int>(status));
    return 1;
}

void WaitForFile(const std::string& path) {
    while (!std::filesystem::exists(path)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

int Write(const std::string& prefix, int count, const std::string& goFile) {
    HKEY key;
    LSTATUS status =
        RegCreateKeyExW(HKEY_CURRENT_USER, kStressKey, 0, u"", 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
    if (status) return Fail("create", status);
    WaitForFile(goFile);
    for (int i = 0; i < count; ++i) {
        std::u16string name = winapi::ToUtf16(prefix + "-" + std::to_string(i));
        DWORD number = static_cast<DWORD>(i);
        status = RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
        if (status) return Fail("set " + std::to_string(i), status);
    }
    HKEY sub;
    status = RegCreateKeyExW(key, winapi::ToUtf16(prefix).c_str(), 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr);
    if (status) return Fail("create sub-key", status);
    RegCloseKey(sub);
    RegCloseKey(key);
    return 0;
}

int WriteUntilKilled(const std::string& prefix) {
    HKEY key;
    LSTATUS status =
        RegCreateKeyExW(HKEY_CURRENT_USER, kStressKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status) return Fail("create", status);
    for (DWORD i = 0;; ++i) {
        std::u16string name = winapi::ToUtf16(prefix + "-" + std::to_string(i));
        status = RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), sizeof i);
        if (status) return Fail("set " + std::to_string(i), status);
        testsupport::Announce("wrote " + std::to_string(i));
    }
}

// One look at the stress key: every value "<prefix>-<i>" must hold i.
int CheckValues(HKEY key, DWORD& count) {
    LSTATUS status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                                      nullptr, nullptr, nullptr);
    if (status) return Fail("query info", status);
    for (DWORD index = 0;; ++index) {
        WCHAR name[64];
        DWORD nameLength = 64, type = 0, number = 0, size = sizeof number;
        status = RegEnumValueW(key, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(&number), &size);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status) return Fail("enumerate", status);
        std::string text = winapi::ToUtf8(name);
        size_t dash = text.rfind('-');
        if (dash == std::string::npos || type != REG_DWORD || size != 4 ||
            std::to_string(number) != text.substr(dash + 1))
            return Fail("wrong value " + text);
    }
    return 0;
}

bool HiveFileIsWhole() {
    std::ifstream file(winapi::UserHivePath(), std::ios::binary);
    if (!file) return true;  // not written yet
    std::stringstream content;
    content << file.rdbuf();
    std::string text = content.str();
    const std::string trailer = "\n# end\n";
    return text.rfind("# registry hive 1\n", 0) == 0 && text.size() >= trailer.size() &&
           text.compare(text.size() - trailer.size(), trailer.size(), trailer) == 0;
}

int Read(DWORD expected, const std::string& goFile) {
    WaitForFile(goFile);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    DWORD lastCount = 0;
    int rounds = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        // Readers that take no lock (a person with an editor) see whole files too.
        for (int look = 0; look < 20; ++look)
            if (!HiveFileIsWhole()) return Fail("the hive file was seen torn");
        HKEY key;
        LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, kStressKey, 0, KEY_READ, &key);
        if (status == ERROR_FILE_NOT_FOUND) {  // no writer has made it yet
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        if (status) return Fail("open", status);
        DWORD count = 0;
        int failed = CheckValues(key, count);
        RegCloseKey(key);
        if (failed) return failed;
        if (count < lastCount) return Fail("values disappeared");
        lastCount = count;
        ++rounds;
        if (count == expected) {
            std::printf("rounds %d\n", rounds);
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return Fail("time-out with " + std::to_string(lastCount) + " values");
}

int Set(const std::string& name, DWORD number) {
    HKEY key;
    LSTATUS status =
        RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Probe", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status) return Fail("create", status);
    status = RegSetValueExW(key, winapi::ToUtf16(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                            sizeof number);
    RegCloseKey(key);
    return status ? Fail("set", status) : 0;
}

int Expect(const std::string& rootName, const std::string& keyPath, const std::string& name, DWORD expectedType,
           const std::string& hex) {
    HKEY root = rootName == "HKLM" ? HKEY_LOCAL_MACHINE : rootName == "HKCU" ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT;
    std::vector<BYTE> expected;
    for (size_t i = 0; hex != "-" && i + 1 < hex.size(); i += 2)
        expected.push_back(static_cast<BYTE>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    HKEY key;
    LSTATUS status = RegOpenKeyExW(root, winapi::ToUtf16(keyPath).c_str(), 0, KEY_READ, &key);
    if (status) return Fail("open", status);
    std::vector<BYTE> data(expected.size() + 16);
    DWORD type = 0, size = static_cast<DWORD>(data.size());
    status = RegQueryValueExW(key, winapi::ToUtf16(name).c_str(), nullptr, &type, data.data(), &size);
    RegCloseKey(key);
    if (status) return Fail("query", status);
    data.resize(size);
    if (type != expectedType || data != expected) return Fail("value differs: " + name);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "write") return Write(args[1], std::stoi(args[2]), args[3]);
    if (args.size() == 3 && args[0] == "read") return Read(static_cast<DWORD>(std::stoul(args[1])), args[2]);
    if (args.size() == 2 && args[0] == "endless") return WriteUntilKilled(args[1]);
    if (args.size() == 3 && args[0] == "set") return Set(args[1], static_cast<DWORD>(std::stoul(args[2])));
    if (args.size() == 6 && args[0] == "expect")
        return Expect(args[1], args[2], args[3], static_cast<DWORD>(std::stoul(args[4])), args[5]);
    return Fail("usage: see the top of registry_child.cpp");
}
