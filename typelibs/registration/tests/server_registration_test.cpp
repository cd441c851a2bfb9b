// The three servers registered and unregistered on a fresh machine by the
// registration tool, run as a program of its own, and their classes asked
// for from another program.
#include "registration_test_support.h"

#include "testsupport/fresh_machine.h"
#include "winapi/guid_text.h"
#include "winapi/state_root.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <fstream>

#include <set>
#include <string>
#include <vector>

namespace registration_test {
namespace {

using winapi::GuidToString;
using winapi::ToUtf8;

std::string Sz(const std::u16string& text) { return "sz:" + ToUtf8(text); }

std::string SuccessLine(const char* entryPoint, const Server& server) {
    return std::string("regsvr: ") + entryPoint + " in " + ToUtf8(server.library) + " succeeded.";
}

class ServerRegistrationTest : public testsupport::FreshMachineTest {
protected:
    // Registers the three servers, each by a regsvr process of its own.
    void RegisterAll() {
        for (const Server* server : kServers) {
            SCOPED_TRACE(ToUtf8(server->name));
            auto regsvr = StartRegsvr({ToUtf8(server->library)});
            EXPECT_TRUE(regsvr->WaitForLine(SuccessLine("DllRegisterServer", *server)));
            ASSERT_EQ(regsvr->Wait(std::chrono::minutes(2)), 0);
        }
    }
};

TEST_F(ServerRegistrationTest, EveryClassIsRegisteredWithItsProgIdsServerAndTypeLibrary) {
    ASSERT_NO_FATAL_FAILURE(RegisterAll());
    for (const RegisteredClass& entry : kClasses) {
        SCOPED_TRACE(ToUtf8(ProgId(entry)));
        const std::string clsid = Sz(GuidToString(*entry.clsid));
        const std::string description = Sz(Description(entry));
        EXPECT_EQ(ReadTree(HKEY_CLASSES_ROOT, ProgId(entry)),
                  (RegistryTree{{"", ""}, {" []", description}, {"CLSID", ""}, {"CLSID []", clsid}}));
        EXPECT_EQ(ReadTree(HKEY_CLASSES_ROOT, VersionIndependentProgId(entry)),
                  (RegistryTree{{"", ""},
                                {" []", description},
                                {"CLSID", ""},
                                {"CLSID []", clsid},
                                {"CurVer", ""},
                                {"CurVer []", Sz(ProgId(entry))}}));
        EXPECT_EQ(ReadTree(HKEY_CLASSES_ROOT, ClassKey(entry)),
                  (RegistryTree{{"", ""},
                                {" []", description},
                                {" [AppID]", Sz(GuidToString(*entry.server->appId))},
                                {"ProgID", ""},
                                {"ProgID []", Sz(ProgId(entry))},
                                {"VersionIndependentProgID", ""},
                                {"VersionIndependentProgID []", Sz(VersionIndependentProgId(entry))},
                                {"Programmable", ""},
                                {"InprocServer32", ""},
                                {"InprocServer32 []", Sz(ModulePath(*entry.server))},
                                {"InprocServer32 [ThreadingModel]", "sz:Apartment"},
                                {"TypeLib", ""},
                                {"TypeLib []", Sz(GuidToString(*entry.server->libraryId))}}));
    }
    for (const Server* server : kServers) {
        SCOPED_TRACE(ToUtf8(server->name));
        const std::u16string appId = GuidToString(*server->appId);
        EXPECT_EQ(ReadTree(HKEY_CLASSES_ROOT, u"AppID\\" + appId), (RegistryTree{{"", ""}, {" []", Sz(server->name)}}));
        EXPECT_EQ(ReadTree(HKEY_CLASSES_ROOT, u"AppID\\" + std::u16string(server->name) + u".DLL"),
                  (RegistryTree{{"", ""}, {" [AppID]", Sz(appId)}}));
        const std::u16string version = u"TypeLib\\" + GuidToString(*server->libraryId) + u"\\1.0";
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, version), std::u16string(server->name) + u" 1.0 Type Library");
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, version + u"\\0\\win64"), ModulePath(*server));
    }
}

TEST_F(ServerRegistrationTest, RegisteringTwiceLeavesOneCleanCopy) {
    ASSERT_NO_FATAL_FAILURE(RegisterAll());
    const RegistryTree once = ReadTree(HKEY_CLASSES_ROOT, u"");
    // What an older registration may have left in a class's key goes.
    for (const RegisteredClass& entry : kClasses) {
        WriteText(HKEY_CLASSES_ROOT, ClassKey(entry) + u"\\LocalServer32", u"", u"old.exe");
        WriteText(HKEY_CLASSES_ROOT, ClassKey(entry) + u"\\InprocServer32", u"Stale", u"stale");
    }
    ASSERT_NE(ReadTree(HKEY_CLASSES_ROOT, u""), once);

    std::vector<std::string> all = AllServers();
    ASSERT_EQ(RunRegsvr(all), 0);
    EXPECT_EQ(ReadTree(HKEY_CLASSES_ROOT, u""), once);
}

TEST_F(ServerRegistrationTest, UnregisteringRemovesClassesAndTypeLibrariesAndKeepsTheApplications) {
    ASSERT_NO_FATAL_FAILURE(RegisterAll());
    std::vector<std::string> args = {"/u"};
    for (const std::string& server : AllServers()) args.push_back(server);
    auto regsvr = StartRegsvr(args);
    for (const Server* server : kServers) EXPECT_TRUE(regsvr->WaitForLine(SuccessLine("DllUnregisterServer", *server)));
    ASSERT_EQ(regsvr->Wait(std::chrono::minutes(2)), 0);

    // Left: the applications' keys, and the shared parent keys, empty.
    std::set<std::string> applications;
    for (const Server* server : kServers) {
        applications.insert("AppID\\" + ToUtf8(GuidToString(*server->appId)));
        applications.insert("AppID\\" + ToUtf8(server->name) + ".DLL");
    }
    const std::set<std::string> emptyParents = {"", "AppID", "CLSID", "Interface", "TypeLib"};
    for (const auto& [path, value] : ReadTree(HKEY_CLASSES_ROOT, u"")) {
        const std::string key = path.substr(0, path.find(" ["));
        EXPECT_TRUE(applications.count(key) || (emptyParents.count(key) && key == path)) << path << " = " << value;
    }
    for (const Server* server : kServers) {
        SCOPED_TRACE(ToUtf8(server->name));
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, u"AppID\\" + GuidToString(*server->appId)), server->name);
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, u"AppID\\" + std::u16string(server->name) + u".DLL", u"AppID"),
                  GuidToString(*server->appId));
    }
}

// Every class is registered; another program creates those built into their
// servers, by class id and by both ProgIDs, and none of the others.
TEST_F(ServerRegistrationTest, ClassesNotBuiltYetAreNotAvailableToAnotherProgram) {
    ASSERT_NO_FATAL_FAILURE(RegisterAll());
    std::vector<std::string> names;
    std::vector<std::string> expected;  // the line for each name
    for (const RegisteredClass& entry : kClasses) {
        const char* code = entry.built ? " 0x00000000" : " 0x80040111";  // CLASS_E_CLASSNOTAVAILABLE
        for (const std::string& name :
             {ToUtf8(GuidToString(*entry.clsid)), ToUtf8(VersionIndependentProgId(entry)), ToUtf8(ProgId(entry))}) {
            names.push_back(name);
            expected.push_back(name + code);
        }
    }
    const std::string unregistered = "{6C1B3F0E-2A44-4E59-9D3B-7F0A1C2D3E4F}";
    names.push_back(unregistered);

    testsupport::ChildProcess client(testsupport::SiblingProgram("registered_class_child"), names);
    for (const std::string& line : expected) EXPECT_TRUE(client.WaitForLine(line));
    EXPECT_TRUE(client.WaitForLine(unregistered + " 0x80040154"));  // REGDB_E_CLASSNOTREG
    EXPECT_EQ(client.Wait(std::chrono::minutes(2)), 0);
}

TEST_F(ServerRegistrationTest, TheMachineSetUpRegistersTheThreeServers) {
    const std::string buildDir = testsupport::SiblingProgram("regsvr").parent_path().parent_path().string();
    testsupport::ChildProcess setUp("/bin/bash", {SETUP_MACHINE_SCRIPT, buildDir});
    for (const Server* server : kServers) EXPECT_TRUE(setUp.WaitForLine(SuccessLine("DllRegisterServer", *server)));
    ASSERT_EQ(setUp.Wait(std::chrono::minutes(2)), 0);
    for (const RegisteredClass& entry : kClasses) {
        SCOPED_TRACE(ToUtf8(ProgId(entry)));
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, VersionIndependentProgId(entry) + u"\\CLSID"),
                  GuidToString(*entry.clsid));
        EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, ClassKey(entry) + u"\\InprocServer32"), ModulePath(*entry.server));
    }
}

// The tool's failures: each says what failed, with its code and the
// system's text, and the tool goes on with the next module.
TEST_F(ServerRegistrationTest, RegsvrReportsEachFailureAndGoesOn) {
    // A file that is no shared library: the message names it.
    const std::string notALibrary = (machine_.root() / "libNotes.so").string();
    { std::ofstream(notALibrary) << "not a library"; }
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> lines;
        int exitCode;
    };
    const Case cases[] = {
        {{"Missing.dll", "Dunmorrow.dll"},
         {"regsvr: Missing.dll could not be loaded: 0x8007007E The specified module could not be found.",
          "regsvr: DllRegisterServer in Dunmorrow.dll succeeded."},
         1},
        {{"/s", "platform_com.dll"},
         {"regsvr: platform_com.dll has no entry point DllRegisterServer: 0x8007007F The specified procedure could "
          "not be found."},
         1},
        {{notALibrary},
         {"regsvr: " + notALibrary + " could not be loaded: 0x800700C1 " + notALibrary +
          " is not a valid Win32 application."},
         1},
        {{"/s", "Dunmorrow.dll"}, {}, 0},
        {{"/x", "Dunmorrow.dll"}, {"regsvr: unknown option /x", "usage: regsvr [/u] [/s] <module>..."}, 2},
        {{"/u"}, {"usage: regsvr [/u] [/s] <module>..."}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        auto regsvr = StartRegsvr(c.args);
        for (const std::string& line : c.lines) EXPECT_TRUE(regsvr->WaitForLine(line)) << line;
        EXPECT_EQ(regsvr->Wait(std::chrono::minutes(2)), c.exitCode);
    }
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, u"CLSID\\" + GuidToString(DunmorrowLib::CLSID_Login)));

    // A silent success prints nothing at all.
    testsupport::ChildProcess silent(
        "/bin/sh", {"-c", "\"$0\" /s Dunmorrow.dll 2>&1 | wc -c", testsupport::SiblingProgram("regsvr").string()});
    EXPECT_TRUE(silent.WaitForLine("0"));
    EXPECT_EQ(silent.Wait(std::chrono::minutes(2)), 0);
}

// A standard user may not change what an administrator registered for the
// whole machine: the registration stops at the first class and says why.
TEST_F(ServerRegistrationTest, AStandardUserCannotReRegisterAMachineWideServer) {
    ASSERT_NO_FATAL_FAILURE(RegisterAll());
    ScopedEnvironment standardUser(winapi::kStandardUserVariable, "1");
    auto regsvr = StartRegsvr({"Bellquist.dll"});
    EXPECT_TRUE(regsvr->WaitForLine("regsvr: DllRegisterServer in Bellquist.dll failed: 0x80070005 Access is denied."));
    EXPECT_EQ(regsvr->Wait(std::chrono::minutes(2)), 1);
}

}  // namespace
}  // namespace registration_test
