// What the registration tests share: the three servers and their classes as
// the registry must show them, a reader of registry subtrees, the servers
// loaded into the test program, and the registration tool run as a program
// of its own.
#pragma once

#include "bellquist/ids.h"
#include "coravent/ids.h"
#include "dunmorrow/ids.h"
#include "testsupport/child_process.h"
#include "winapi/errors.h"
#include "winapi/guid_text.h"
#include "winapi/modules.h"
#include "winapi/path_mapping.h"
#include "winapi/registry.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace registration_test {

struct Server {
    const char16_t* name;     // "Bellquist"
    const char16_t* library;  // "Bellquist.dll"
    const char* file;         // "libBellquist.so", beside the test
    const GUID* libraryId;
    const GUID* appId;
};

inline const Server kBellquist{u"Bellquist", u"Bellquist.dll", "libBellquist.so", &BellquistLib::LIBID_BellquistLib,
                               &BellquistLib::APPID_Bellquist};
inline const Server kCoravent{u"Coravent", u"Coravent.dll", "libCoravent.so", &CoraventLib::LIBID_CoraventLib,
                              &CoraventLib::APPID_Coravent};
inline const Server kDunmorrow{u"Dunmorrow", u"Dunmorrow.dll", "libDunmorrow.so", &DunmorrowLib::LIBID_DunmorrowLib,
                               &DunmorrowLib::APPID_Dunmorrow};
inline const Server* const kServers[] = {&kBellquist, &kCoravent, &kDunmorrow};

struct RegisteredClass {
    const Server* server;
    const char16_t* name;  // "ItmManager": ProgIDs "Bellquist.ItmManager.1" and "Bellquist.ItmManager"
    const CLSID* clsid;
};

inline const RegisteredClass kClasses[] = {
    {&kBellquist, u"ItmManager", &BellquistLib::CLSID_ItmManager},
    {&kBellquist, u"ItmObject", &BellquistLib::CLSID_ItmObject},
    {&kBellquist, u"ItmItem", &BellquistLib::CLSID_ItmItem},
    {&kBellquist, u"ItmFolder", &BellquistLib::CLSID_ItmFolder},
    {&kBellquist, u"ItmFile", &BellquistLib::CLSID_ItmFile},
    {&kBellquist, u"ItmBOM", &BellquistLib::CLSID_ItmBOM},
    {&kBellquist, u"ItmLinkManager", &BellquistLib::CLSID_ItmLinkManager},
    {&kCoravent, u"ItemOperation", &CoraventLib::CLSID_ItemOperation},
    {&kCoravent, u"ItemOp", &CoraventLib::CLSID_ItemOp},
    {&kCoravent, u"ItemOperationImpl", &CoraventLib::CLSID_ItemOperationImpl},
    {&kDunmorrow, u"Login", &DunmorrowLib::CLSID_Login},
};

inline std::u16string VersionIndependentProgId(const RegisteredClass& entry) {
    return std::u16string(entry.server->name) + u"." + entry.name;
}
inline std::u16string ProgId(const RegisteredClass& entry) { return VersionIndependentProgId(entry) + u".1"; }
inline std::u16string Description(const RegisteredClass& entry) { return std::u16string(entry.name) + u" Class"; }
inline std::u16string ClassKey(const RegisteredClass& entry) { return u"CLSID\\" + winapi::GuidToString(*entry.clsid); }

// The server library's path, as the server registers it.
inline std::u16string ModulePath(const Server& server) {
    return winapi::FromPosixPath(testsupport::SiblingProgram(server.file).string());
}

// A registry subtree: one entry per key ("Sub\Key") and per value
// ("Sub\Key [Name]"; [] for the default value), keyed by path relative to
// the tree's root ("" is the root itself), each value as "sz:<text>",
// "dword:<n>" or "type <n>, <size> bytes". Empty when the key is missing.
using RegistryTree = std::map<std::string, std::string>;

namespace detail {
inline std::string ValueText(DWORD type, const BYTE* data, DWORD size) {
    if (type == REG_SZ) {
        std::u16string text(reinterpret_cast<const char16_t*>(data), size / sizeof(char16_t));
        while (!text.empty() && text.back() == u'\0') text.pop_back();
        return "sz:" + winapi::ToUtf8(text);
    }
    if (type == REG_DWORD && size == sizeof(DWORD)) return "dword:" + std::to_string(*reinterpret_cast<const DWORD*>(data));
    return "type " + std::to_string(type) + ", " + std::to_string(size) + " bytes";
}

inline void ReadKey(HKEY key, const std::string& path, RegistryTree& tree) {
    tree[path] = "";
    const std::string prefix = path.empty() ? "" : path + "\\";
    for (DWORD index = 0;; ++index) {
        WCHAR name[256];
        DWORD nameLength = 256;
        BYTE data[4096];
        DWORD size = sizeof data;
        DWORD type = 0;
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        tree[path + " [" + winapi::ToUtf8(std::u16string_view(name, nameLength)) + "]"] = ValueText(type, data, size);
    }
    std::vector<std::u16string> subKeys;
    for (DWORD index = 0;; ++index) {
        WCHAR name[256];
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subKeys.emplace_back(name, nameLength);
    }
    for (const std::u16string& subKey : subKeys) {
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, subKey.c_str(), 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
        ReadKey(child, prefix + winapi::ToUtf8(subKey), tree);
        RegCloseKey(child);
    }
}
}  // namespace detail

inline RegistryTree ReadTree(HKEY root, const std::u16string& path) {
    RegistryTree tree;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return tree;
    detail::ReadKey(key, "", tree);
    RegCloseKey(key);
    return tree;
}

inline bool KeyExists(HKEY root, const std::u16string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// A REG_SZ value (empty name: the default value); nullopt when missing or of
// another type.
inline std::optional<std::u16string> ReadText(HKEY root, const std::u16string& path, const char16_t* name = u"") {
    WCHAR text[2048] = {};
    DWORD size = sizeof text - sizeof(WCHAR);
    DWORD type = 0;
    if (SHGetValueW(root, path.c_str(), name, &type, text, &size) != ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    std::u16string value(text, size / sizeof(WCHAR));
    while (!value.empty() && value.back() == u'\0') value.pop_back();
    return value;
}

// Writes a REG_SZ value, creating the key.
inline void WriteText(HKEY root, const std::u16string& path, const char16_t* name, const std::u16string& text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(char16_t))),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// Sets an environment variable for the scope (child processes inherit it)
// and removes it again.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) { setenv(name, value, 1); }
    ~ScopedEnvironment() { unsetenv(name_); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
};

// A server library loaded into the test program, with its four exports.
class LoadedServer {
public:
    explicit LoadedServer(const Server& server) : module_(LoadLibraryW(server.library)) {
        if (!module_) return;
        getClassObject = Export<HRESULT(REFCLSID, REFIID, void**)>("DllGetClassObject");
        canUnloadNow = Export<HRESULT()>("DllCanUnloadNow");
        registerServer = Export<HRESULT()>("DllRegisterServer");
        unregisterServer = Export<HRESULT()>("DllUnregisterServer");
    }
    ~LoadedServer() {
        if (module_) FreeLibrary(module_);
    }
    LoadedServer(const LoadedServer&) = delete;
    LoadedServer& operator=(const LoadedServer&) = delete;

    // The library and all four exports were found.
    bool loaded() const { return getClassObject && canUnloadNow && registerServer && unregisterServer; }
    HRESULT (*getClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT (*canUnloadNow)() = nullptr;
    HRESULT (*registerServer)() = nullptr;
    HRESULT (*unregisterServer)() = nullptr;

private:
    template <class Function>
    Function* Export(const char* name) const {
        return reinterpret_cast<Function*>(GetProcAddress(module_, name));
    }

    HMODULE module_ = nullptr;
};

// Starts the registration tool with `args`; its stderr joins its stdout, so
// that WaitForLine sees failures too.
inline std::unique_ptr<testsupport::ChildProcess> StartRegsvr(const std::vector<std::string>& args) {
    std::vector<std::string> shellArgs = {"-c", "exec \"$0\" \"$@\" 2>&1", testsupport::SiblingProgram("regsvr").string()};
    shellArgs.insert(shellArgs.end(), args.begin(), args.end());
    return std::make_unique<testsupport::ChildProcess>("/bin/sh", shellArgs);
}

// Runs the registration tool to its end and gives its exit code.
inline int RunRegsvr(const std::vector<std::string>& args) {
    testsupport::ChildProcess regsvr(testsupport::SiblingProgram("regsvr"), args);
    return regsvr.Wait(std::chrono::minutes(2));
}

// The library names of the three servers, as regsvr arguments.
inline std::vector<std::string> AllServers() {
    std::vector<std::string> names;
    for (const Server* server : kServers) names.push_back(winapi::ToUtf8(server->library));
    return names;
}

}  // namespace registration_test
