#include "winapi/modules.h"

#include "winapi/path_mapping.h"
#include "winapi/shell_folders.h"
#include "winapi/text.h"

#include "testsupport/child_process.h"
#include "testsupport/fresh_machine.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// Through void (*)(), the type that converts to any function type without a
// warning about incompatible casts.
template <class Function>
Function As(FARPROC function) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(function));
}

fs::path BinFolder() { return testsupport::SiblingProgram("libTestModule.so").parent_path(); }

std::u16string FileNameOf(HMODULE module) {
    char16_t buffer[4096];
    DWORD length = GetModuleFileNameW(module, buffer, 4096);
    return std::u16string(buffer, length);
}

class ModulesTest : public testsupport::FreshMachineTest {
protected:
    void TearDown() override { unsetenv("PLATFORM_LIBRARY_PATH"); }

    // A folder on PLATFORM_LIBRARY_PATH holding a copy of the test library
    // under the given file name.
    fs::path CopyToLibraryPath(const std::string& fileName) {
        fs::path folder = machine_.root() / "extra libraries";
        fs::create_directories(folder);
        fs::copy_file(BinFolder() / "libTestModule.so", folder / fileName, fs::copy_options::overwrite_existing);
        setenv("PLATFORM_LIBRARY_PATH", ("/nonexistent:" + folder.string()).c_str(), 1);
        return folder / fileName;
    }
};

TEST_F(ModulesTest, LoadsCallsAndUnloadsALibrary) {
    HMODULE module = LoadLibraryW(u"TestModule.dll");
    ASSERT_NE(module, nullptr) << GetLastError();
    auto answer = As<int (*)()>(GetProcAddress(module, "TestModuleAnswer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    auto* counter = reinterpret_cast<int*>(GetProcAddress(module, "TestModuleCounter"));
    ASSERT_NE(counter, nullptr);
    EXPECT_EQ(*counter, 7);
    EXPECT_EQ(FileNameOf(module), winapi::FromPosixPath((BinFolder() / "libTestModule.so").string()));

    // A second load is the same module and counts.
    EXPECT_EQ(LoadLibraryW(u"TestModule.dll"), module);
    EXPECT_EQ(GetModuleHandleW(u"TestModule.dll"), module);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetModuleHandleW(u"TestModule"), module);
    EXPECT_TRUE(FreeLibrary(module));

    // Gone: its handle is no module any more, and the library is unloaded.
    EXPECT_EQ(GetModuleHandleW(u"TestModule.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_FALSE(FreeLibrary(module));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(GetProcAddress(module, "TestModuleAnswer"), nullptr);
    EXPECT_EQ(dlopen((BinFolder() / "libTestModule.so").c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);

    // Loaded again, it has a new handle.
    HMODULE reloaded = LoadLibraryW(u"TestModule.dll");
    ASSERT_NE(reloaded, nullptr);
    EXPECT_NE(reloaded, module);
    EXPECT_TRUE(FreeLibrary(reloaded));
}

TEST_F(ModulesTest, NamesThatFindTheLibrary) {
    std::u16string bin = winapi::FromPosixPath(BinFolder().string());
    HMODULE module = LoadLibraryW(u"TestModule.dll");
    ASSERT_NE(module, nullptr);
    const std::u16string names[] = {
        u"TestModule",                                     // ".dll" is implied
        bin + u"\\TestModule.dll",                         // in the folder named
        u"C:\\Program Files\\Zentraviko\\TestModule.dll",  // a folder not here: beside the program
        bin + u"/libTestModule.so",                        // the shared library itself
        u"libTestModule.so",
    };
    for (const std::u16string& name : names) {
        EXPECT_EQ(LoadLibraryW(name.c_str()), module) << winapi::ToUtf8(name);
        EXPECT_TRUE(FreeLibrary(module));
    }
    EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(ModulesTest, LibraryPathVariableAndLowerCaseNames) {
    struct Case {
        std::string fileName;  // as copied to the library path
        std::u16string name;   // as asked for
    };
    const Case cases[] = {
        {"libRelocated.so", u"Relocated.dll"},
        {"Plain.so", u"Plain.dll"},
        {"libmixedcase.so", u"MixedCase.DLL"},
    };
    for (const Case& c : cases) {
        fs::path file = CopyToLibraryPath(c.fileName);
        HMODULE module = LoadLibraryW(c.name.c_str());
        ASSERT_NE(module, nullptr) << c.fileName << " " << GetLastError();
        EXPECT_EQ(FileNameOf(module), winapi::FromPosixPath(file.string()));
        EXPECT_NE(GetProcAddress(module, "TestModuleAnswer"), nullptr);
        EXPECT_TRUE(FreeLibrary(module));
    }
}

TEST_F(ModulesTest, MissingModulesAndExports) {
    fs::path folder = machine_.root() / "bad";
    fs::create_directories(folder);
    std::ofstream(folder / "libGarbage.so") << "not a shared library";
    setenv("PLATFORM_LIBRARY_PATH", folder.c_str(), 1);

    struct LoadCase {
        std::u16string name;
        DWORD error;
    };
    const LoadCase loads[] = {
        {u"NoSuchModule.dll", ERROR_MOD_NOT_FOUND},
        {u"Unregistered32.dll", ERROR_MOD_NOT_FOUND},  // no such system library
        {u"TESTMODULE.DLL", ERROR_MOD_NOT_FOUND},      // file names keep their case
        {winapi::FromPosixPath(BinFolder().string()) + u"/libNoSuch.so", ERROR_MOD_NOT_FOUND},
        // A folder that exists names its own library only, even when one of
        // that name sits beside the running program.
        {winapi::FromPosixPath(folder.string()) + u"\\TestModule.dll", ERROR_MOD_NOT_FOUND},
        {u"Garbage.dll", ERROR_BAD_EXE_FORMAT},
    };
    for (const LoadCase& c : loads) {
        SetLastError(0);
        EXPECT_EQ(LoadLibraryW(c.name.c_str()), nullptr) << winapi::ToUtf8(c.name);
        EXPECT_EQ(GetLastError(), c.error) << winapi::ToUtf8(c.name);
    }
    EXPECT_EQ(LoadLibraryExW(u"TestModule.dll", reinterpret_cast<HANDLE>(4), 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    HMODULE module = LoadLibraryW(u"TestModule.dll");
    ASSERT_NE(module, nullptr);
    const char* missing[] = {
        "NoSuchExport",
        "abs",                                        // the C library's, which the module uses: not its own export
        reinterpret_cast<const char*>(uintptr_t{1}),  // an ordinal number
    };
    for (const char* name : missing) {
        SetLastError(0);
        EXPECT_EQ(GetProcAddress(module, name), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    }
    EXPECT_TRUE(FreeLibrary(module));

    HMODULE bogus = reinterpret_cast<HMODULE>(uintptr_t{0x7fff0000});
    EXPECT_EQ(GetProcAddress(bogus, "TestModuleAnswer"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    char16_t buffer[16];
    EXPECT_EQ(GetModuleFileNameW(bogus, buffer, 16), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST_F(ModulesTest, DataFileModules) {
    std::ofstream(machine_.root() / "icons.dat") << "resource data";
    std::u16string dataPath = winapi::FromPosixPath((machine_.root() / "icons.dat").string());

    HMODULE code = LoadLibraryW(u"TestModule.dll");
    HMODULE data = LoadLibraryExW(u"TestModule.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(data, nullptr);
    EXPECT_NE(data, code);
    EXPECT_EQ(GetProcAddress(data, "TestModuleAnswer"), nullptr);  // a data file has no code
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_TRUE(FreeLibrary(data));
    EXPECT_TRUE(FreeLibrary(code));

    data = LoadLibraryExW(dataPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(FileNameOf(data), dataPath);
    EXPECT_TRUE(FreeLibrary(data));
    EXPECT_EQ(LoadLibraryExW((dataPath + u".missing").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

BOOL WINAPI Twice(int value, int* result) {
    *result = value * 2;
    return TRUE;
}

TEST_F(ModulesTest, BuiltinSystemLibraries) {
    winapi::RegisterBuiltinExport(u"TestSystem32.dll", "Twice",
                                  reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&Twice)));
    HMODULE module = LoadLibraryW(u"testsystem32");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(LoadLibraryW(u"TESTSYSTEM32.DLL"), module);
    EXPECT_EQ(GetModuleHandleW(u"TestSystem32.dll"), module);
    int result = 0;
    auto twice = As<BOOL (*)(int, int*)>(GetProcAddress(module, "Twice"));
    ASSERT_NE(twice, nullptr);
    EXPECT_TRUE(twice(21, &result));
    EXPECT_EQ(result, 42);
    EXPECT_EQ(GetProcAddress(module, "Thrice"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    // The file of a built-in library is this layer's own.
    EXPECT_NE(FileNameOf(module).find(u"libplatform_winapi.so"), std::u16string::npos);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(LoadLibraryW(u"TestSystem32.dll"), module);  // system libraries stay

    // As the system looks up its special folders.
    HMODULE shell = LoadLibraryW(u"Shell32.dll");
    ASSERT_NE(shell, nullptr);
    EXPECT_EQ(GetProcAddress(shell, "SHGetSpecialFolderPathW"),
              reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&SHGetSpecialFolderPathW)));
    EXPECT_TRUE(FreeLibrary(shell));
}

TEST_F(ModulesTest, ModuleFileNameIsTruncatedAsThePlatformDoes) {
    std::u16string full = winapi::FromPosixPath(fs::read_symlink("/proc/self/exe").string());
    ASSERT_EQ(FileNameOf(nullptr), full);
    ASSERT_EQ(FileNameOf(GetModuleHandleW(nullptr)), full);
    const DWORD length = static_cast<DWORD>(full.size());

    struct Case {
        DWORD size;
        DWORD result;
        DWORD copied;  // characters before the terminating zero
        bool truncated;
    };
    const Case cases[] = {
        {length + 1, length, length, false},
        {length, length, length - 1, true},
        {2, 2, 1, true},
        {1, 1, 0, true},
    };
    for (const Case& c : cases) {
        std::u16string buffer(length + 8, u'#');
        SetLastError(0);
        EXPECT_EQ(GetModuleFileNameW(nullptr, buffer.data(), c.size), c.result) << c.size;
        EXPECT_EQ(buffer.substr(0, c.copied), full.substr(0, c.copied));
        EXPECT_EQ(buffer[c.copied], u'\0');
        EXPECT_EQ(buffer[c.size], u'#');  // nothing written beyond the buffer
        EXPECT_EQ(GetLastError(), c.truncated ? static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER) : 0u);
    }
    char16_t untouched = u'#';
    EXPECT_EQ(GetModuleFileNameW(nullptr, &untouched, 0), 0u);
    EXPECT_EQ(untouched, u'#');
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

void FunctionOfTheProgram() {}

TEST_F(ModulesTest, ModuleFromAddress) {
    HMODULE module = LoadLibraryW(u"TestModule.dll");
    ASSERT_NE(module, nullptr);
    FARPROC answer = GetProcAddress(module, "TestModuleAnswer");
    EXPECT_EQ(winapi::ModuleFromAddress(reinterpret_cast<const void*>(answer)), module);
    EXPECT_EQ(winapi::ModuleFromAddress(reinterpret_cast<const void*>(&FunctionOfTheProgram)),
              GetModuleHandleW(nullptr));

    // A library this layer did not load: found, and not counted as a load.
    HMODULE layer = winapi::ModuleFromAddress(reinterpret_cast<const void*>(&LoadLibraryW));
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(winapi::ModuleFromAddress(reinterpret_cast<const void*>(&GetProcAddress)), layer);
    EXPECT_NE(FileNameOf(layer).find(u"libplatform_winapi.so"), std::u16string::npos);
    HMODULE libc = winapi::ModuleFromAddress(reinterpret_cast<const void*>(&::getpid));
    ASSERT_NE(libc, nullptr);
    EXPECT_NE(libc, layer);
    EXPECT_NE(FileNameOf(libc).find(u"libc"), std::u16string::npos);

    int onTheStack = 0;
    EXPECT_EQ(winapi::ModuleFromAddress(&onTheStack), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(winapi::ModuleFromAddress(nullptr), nullptr);
    EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace
