// The servers' exports called in the test program itself: the class objects
// of classes not built yet and of unknown classes, unloading, and the thread
// locale around registration.
#include "registration_test_support.h"

#include "com/class_factory.h"
#include "com/hresults.h"
#include "com_testing/leak_checked_test.h"
#include "server_registration/server_registration.h"
#include "testsupport/fresh_machine.h"
#include "winapi/state_root.h"
#include "winapi/thread_locale.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace registration_test {
namespace {

using server_registration::ThreadLocaleScope;

constexpr LCID kCallersLocale = 1031;  // German: a caller's locale other than the system's
constexpr LCID kSystemLocale = 1033;   // what LOCALE_SYSTEM_DEFAULT stands for on this machine

using ServerExportsTest = com_testing::LeakChecked<testsupport::FreshMachineTest>;

// A server gives the class objects of its own built classes only: none of
// its classes not built yet, of the other servers' classes or of unknown ones.
TEST_F(ServerExportsTest, NoClassObjectForClassesNotBuiltOrUnknown) {
    const CLSID unknown = com::MakeGuid("6C1B3F0E-2A44-4E59-9D3B-7F0A1C2D3E4F");
    for (const Server* server : kServers) {
        SCOPED_TRACE(winapi::ToUtf8(server->name));
        LoadedServer loaded(*server);
        ASSERT_TRUE(loaded.loaded());
        std::vector<const CLSID*> asked = {&unknown};
        for (const RegisteredClass& entry : kClasses) {
            if (entry.built && entry.server == server) {
                IClassFactory* factory = nullptr;
                EXPECT_EQ(loaded.getClassObject(*entry.clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
                          S_OK)
                    << winapi::ToUtf8(winapi::GuidToString(*entry.clsid));
                if (factory) factory->Release();
            } else {
                asked.push_back(entry.clsid);  // its own classes not built, and the others' classes
            }
        }
        for (const CLSID* clsid : asked) {
            for (const IID* iid : {&IID_IClassFactory, &IID_IUnknown}) {
                void* out = reinterpret_cast<void*>(0x1);
                EXPECT_EQ(loaded.getClassObject(*clsid, *iid, &out), CLASS_E_CLASSNOTAVAILABLE)
                    << winapi::ToUtf8(winapi::GuidToString(*clsid));
                EXPECT_EQ(out, nullptr);
            }
        }
        EXPECT_EQ(loaded.canUnloadNow(), S_OK);
    }
}

// A module that notes the thread's locale at each step of its registration.
class WatchedModule {
public:
    WatchedModule(HRESULT appIdResult, HRESULT classesResult, bool classesRunOutOfMemory)
        : appIdResult_(appIdResult), classesResult_(classesResult), classesRunOutOfMemory_(classesRunOutOfMemory) {}

    HRESULT UpdateRegistryFromScript(std::u16string_view script, bool doRegister) {
        EXPECT_EQ(script, u"the AppID script");
        EXPECT_TRUE(doRegister);
        Note("AppID");
        return appIdResult_;
    }
    HRESULT DllRegisterServer() {
        Note("classes");
        if (classesRunOutOfMemory_) throw std::bad_alloc();
        return classesResult_;
    }

    std::vector<std::string> steps;
    std::vector<LCID> locales;  // the thread's locale at each step

private:
    void Note(const char* step) {
        steps.push_back(step);
        locales.push_back(GetThreadLocale());
    }

    HRESULT appIdResult_;
    HRESULT classesResult_;
    bool classesRunOutOfMemory_;
};

TEST(ServerRegistrationStepsTest, RunInTheSystemLocaleAndGiveTheCallersLocaleBack) {
    struct Case {
        const char* name;
        HRESULT appIdResult;
        HRESULT classesResult;
        bool classesRunOutOfMemory;
        HRESULT result;
        std::vector<std::string> steps;
    };
    const Case cases[] = {
        {"success", S_OK, S_OK, false, S_OK, {"AppID", "classes"}},
        {"the AppID script fails", E_ACCESSDENIED, S_OK, false, E_ACCESSDENIED, {"AppID"}},
        {"a class script fails", S_OK, DISP_E_EXCEPTION, false, DISP_E_EXCEPTION, {"AppID", "classes"}},
        {"out of memory", S_OK, S_OK, true, E_OUTOFMEMORY, {"AppID", "classes"}},
    };
    ThreadLocaleScope callersLocale(kCallersLocale);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WatchedModule module(c.appIdResult, c.classesResult, c.classesRunOutOfMemory);
        EXPECT_EQ(server_registration::RegisterServer(module, u"the AppID script"), c.result);
        EXPECT_EQ(module.steps, c.steps);
        EXPECT_EQ(module.locales, std::vector<LCID>(c.steps.size(), kSystemLocale));
        EXPECT_EQ(GetThreadLocale(), kCallersLocale);
    }
}

TEST_F(ServerExportsTest, AServerGivesTheCallersLocaleBackWhetherRegistrationSucceedsOrFails) {
    LoadedServer bellquist(kBellquist);
    ASSERT_TRUE(bellquist.loaded());
    ThreadLocaleScope callersLocale(kCallersLocale);
    EXPECT_EQ(bellquist.registerServer(), S_OK);
    EXPECT_EQ(GetThreadLocale(), kCallersLocale);

    // A standard user may not rewrite the class keys registered for the whole
    // machine: the first class fails, and the registration ends there.
    ScopedEnvironment standardUser(winapi::kStandardUserVariable, "1");
    EXPECT_EQ(bellquist.registerServer(), E_ACCESSDENIED);
    EXPECT_EQ(GetThreadLocale(), kCallersLocale);

    // The user's own classes show how far it came: the AppID script ran,
    // nothing of a later class nor the type library was written.
    const std::u16string userClasses = u"Software\\Classes\\";
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, userClasses + u"AppID\\" + winapi::GuidToString(*kBellquist.appId)));
    for (const RegisteredClass& entry : kClasses) {
        if (entry.server != &kBellquist || entry.clsid == kClasses[0].clsid) continue;
        SCOPED_TRACE(winapi::ToUtf8(ProgId(entry)));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, userClasses + ProgId(entry)));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, userClasses + VersionIndependentProgId(entry)));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, userClasses + ClassKey(entry)));
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, userClasses + u"TypeLib"));
}

}  // namespace
}  // namespace registration_test
