// What the registration tests share: the three servers and their classes as
// the registry must show them, a reader of registry subtrees, the servers
// loaded into the test program, and the registration tool run as a program
// of its own.
#pragma once

#include "bellquist/ids.h"
#include "coravent/ids.h"
#include "dunmorrow/ids.h"
#include "testsupport/child_process.h"
#include "testsupport/registry_values.h"
#include "testsupport/scoped_environment.h"
#include "winapi/errors.h"
#include "winapi/guid_text.h"
#include "winapi/modules.h"
#include "winapi/path_mapping.h"
#include "winapi/registry.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
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
    bool built = false;  // built into its server: its class object is available
};

inline const RegisteredClass kClasses[] = {
    {&kBellquist, u"ItmManager", &BellquistLib::CLSID_ItmManager, true},
    {&kBellquist, u"ItmObject", &BellquistLib::CLSID_ItmObject, true},
    {&kBellquist, u"ItmItem", &BellquistLib::CLSID_ItmItem, true},
    {&kBellquist, u"ItmFolder", &BellquistLib::CLSID_ItmFolder, true},
    {&kBellquist, u"ItmFile", &BellquistLib::CLSID_ItmFile, true},
    {&kBellquist, u"ItmBOM", &BellquistLib::CLSID_ItmBOM, true},
    {&kBellquist, u"ItmLinkManager", &BellquistLib::CLSID_ItmLinkManager, true},
    {&kCoravent, u"ItemOperation", &CoraventLib::CLSID_ItemOperation, true},
    {&kCoravent, u"ItemOp", &CoraventLib::CLSID_ItemOp, true},
    {&kCoravent, u"ItemOperationImpl", &CoraventLib::CLSID_ItemOperationImpl, true},
    {&kDunmorrow, u"Login", &DunmorrowLib::CLSID_Login, true},
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

using testsupport::KeyExists;
using testsupport::ReadText;
using testsupport::ReadTree;
using testsupport::RegistryTree;
using testsupport::ScopedEnvironment;
using testsupport::WriteText;

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
    std::vector<std::string> shellArgs = {"-c", "exec \"$0\" \"$@\" 2>&1",
                                          testsupport::SiblingProgram("regsvr").string()};
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
