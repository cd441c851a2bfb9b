// Helpers of the registry tests: a fixture on a fresh machine that closes
// the keys it opened, and ways to seed values and look at the hive files.
#pragma once

#include "testsupport/child_process.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/registry_values.h"
#include "winapi/errors.h"
#include "winapi/registry.h"
#include "winapi/state_root.h"
#include "winapi/text.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace registrytest {

using Bytes = std::vector<BYTE>;

using testsupport::DwordBytes;
using testsupport::TextBytes;

inline std::string FileText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

inline void WriteFile(const std::filesystem::path& path, const std::string& text) {
    winapi::EnsureDirectory(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Runs registry_child with the arguments and returns its exit code.
inline int RunChild(const std::vector<std::string>& args) {
    testsupport::ChildProcess child(testsupport::SiblingProgram("registry_child"), args);
    return child.Wait(std::chrono::minutes(3));
}

class RegistryTest : public testsupport::FreshMachineTest {
protected:
    void TearDown() override {
        for (HKEY key : opened_) RegCloseKey(key);
        unsetenv(winapi::kStandardUserVariable);
    }

    static void ActAsStandardUser(bool standard) {
        if (standard)
            setenv(winapi::kStandardUserVariable, "1", 1);
        else
            unsetenv(winapi::kStandardUserVariable);
    }

    // Creates (or opens) a key that is closed when the test ends; null on failure.
    HKEY Create(HKEY parent, const WCHAR* path, REGSAM access = KEY_ALL_ACCESS) {
        HKEY key = nullptr;
        LSTATUS status = RegCreateKeyExW(parent, path, 0, nullptr, 0, access, nullptr, &key, nullptr);
        EXPECT_EQ(status, ERROR_SUCCESS) << "creating a key";
        if (key) opened_.push_back(key);
        return key;
    }

    // Opens a key that is closed when the test ends; returns the status.
    LSTATUS Open(HKEY parent, const WCHAR* path, REGSAM access, HKEY& key) {
        LSTATUS status = RegOpenKeyExW(parent, path, 0, access, &key);
        if (status == ERROR_SUCCESS) opened_.push_back(key);
        return status;
    }

    static void Set(HKEY key, const WCHAR* name, DWORD type, const Bytes& data) {
        ASSERT_EQ(RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
    }

    // The value's type and bytes; an empty type-less result when it cannot be read.
    static std::pair<DWORD, Bytes> Get(HKEY key, const WCHAR* name) {
        DWORD type = 0, size = 0;
        if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {REG_NONE, {}};
        Bytes data(size);
        if (RegQueryValueExW(key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return {REG_NONE, {}};
        data.resize(size);
        return {type, data};
    }

    std::vector<HKEY> opened_;
};

}  // namespace registrytest
