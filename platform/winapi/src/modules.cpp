#include "winapi/modules.h"

#include "winapi/errors.h"
#include "winapi/path_mapping.h"
#include "winapi/text.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace winapi {

namespace {

enum class ModuleKind { Program, Library, DataFile, Builtin };

struct Module {
    ModuleKind kind = ModuleKind::Library;
    std::string path;               // the file; a built-in names this layer's file
    std::u16string builtinName;     // lower case, e.g. u"shell32.dll"
    void* dl = nullptr;             // dlopen handle of a program or library
    const link_map* map = nullptr;  // which loaded object it is
    unsigned loads = 0;             // LoadLibrary calls not yet freed
    bool resident = false;          // never unloaded
};

// Module handles are table keys shifted into the shape of an address, so
// they are never NULL, never small integers, and never reused.
struct ModuleTable {
    std::mutex lock;
    std::map<uintptr_t, Module> modules;
    uintptr_t nextKey = 1;
};

ModuleTable& Modules() {
    static ModuleTable* table = new ModuleTable;  // used from static destructors
    return *table;
}

HMODULE HandleOf(uintptr_t key) { return reinterpret_cast<HMODULE>(key << 16); }

Module* Find(ModuleTable& table, HMODULE handle) {
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    if (value & 0xFFFF) return nullptr;
    auto it = table.modules.find(value >> 16);
    return it == table.modules.end() ? nullptr : &it->second;
}

HMODULE Add(ModuleTable& table, Module module) {
    uintptr_t key = table.nextKey++;
    table.modules.emplace(key, std::move(module));
    return HandleOf(key);
}

HMODULE FindLoaded(ModuleTable& table, const link_map* map) {
    for (auto& [key, module] : table.modules)
        if (module.map == map && module.dl) return HandleOf(key);
    return nullptr;
}

const link_map* MapOf(void* dl) {
    link_map* map = nullptr;
    return dlinfo(dl, RTLD_DI_LINKMAP, &map) == 0 ? map : nullptr;
}

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    auto absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

std::string RunningProgramPath() {
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec).string();
}

// With the table locked.
HMODULE ProgramModule(ModuleTable& table) {
    static uintptr_t programKey = 0;
    if (programKey) return HandleOf(programKey);
    Module program;
    program.kind = ModuleKind::Program;
    program.path = RunningProgramPath();
    program.dl = dlopen(nullptr, RTLD_NOW);
    program.map = MapOf(program.dl);
    program.resident = true;
    HMODULE handle = Add(table, std::move(program));
    programKey = reinterpret_cast<uintptr_t>(handle) >> 16;
    return handle;
}

Module& ProgramRecord(ModuleTable& table) { return *Find(table, ProgramModule(table)); }

std::nullptr_t FailNull(DWORD code) {
    SetLastError(code);
    return nullptr;
}

// --- Built-in system libraries ---------------------------------------------------

struct BuiltinLibraries {
    std::mutex lock;
    std::map<std::u16string, std::map<std::string, FARPROC>> exports;
    std::map<std::u16string, uintptr_t> modules;  // key in the module table, once asked for
};

BuiltinLibraries& Builtins() {
    static BuiltinLibraries* builtins = new BuiltinLibraries;
    return *builtins;
}

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c; }

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool HasFolderPart(std::u16string_view name) {
    return std::any_of(name.begin(), name.end(), IsSeparator) || (name.size() >= 2 && name[1] == u':');
}

// "Shell32" and "SHELL32.DLL" are both "shell32.dll".
std::u16string BuiltinKey(std::u16string_view name) {
    std::u16string key(name);
    std::transform(key.begin(), key.end(), key.begin(), AsciiLower);
    if (key.find(u'.') == std::u16string::npos) key += u".dll";
    return key;
}

std::string LayerLibraryPath() {
    Dl_info info{};
    link_map* map = nullptr;
    if (!dladdr1(reinterpret_cast<const void*>(&LayerLibraryPath), &info, reinterpret_cast<void**>(&map),
                 RTLD_DL_LINKMAP) ||
        !map)
        return RunningProgramPath();
    // An empty name is the program itself (the layer linked in statically).
    return map->l_name[0] ? AbsolutePath(map->l_name) : RunningProgramPath();
}

// The module of a built-in library, made at its first use; NULL when no
// export is registered for it. Counts a load when asked to.
HMODULE BuiltinModule(std::u16string_view name, bool countLoad) {
    std::u16string key = BuiltinKey(name);
    BuiltinLibraries& builtins = Builtins();
    std::lock_guard builtinGuard(builtins.lock);
    if (!builtins.exports.count(key)) return nullptr;
    ModuleTable& table = Modules();
    std::lock_guard tableGuard(table.lock);
    auto it = builtins.modules.find(key);
    if (it == builtins.modules.end()) {
        Module module;
        module.kind = ModuleKind::Builtin;
        module.path = LayerLibraryPath();
        module.builtinName = key;
        module.resident = true;
        HMODULE handle = Add(table, std::move(module));
        it = builtins.modules.emplace(key, reinterpret_cast<uintptr_t>(handle) >> 16).first;
    }
    HMODULE handle = HandleOf(it->second);
    if (countLoad) Find(table, handle)->loads++;
    return handle;
}

FARPROC BuiltinExport(const std::u16string& library, const char* name) {
    BuiltinLibraries& builtins = Builtins();
    std::lock_guard guard(builtins.lock);
    auto lib = builtins.exports.find(library);
    if (lib == builtins.exports.end()) return nullptr;
    auto fn = lib->second.find(name);
    return fn == lib->second.end() ? nullptr : fn->second;
}

// --- Finding a library file --------------------------------------------------------

std::string FileNamePart(const std::string& posixPath) {
    size_t slash = posixPath.rfind('/');
    return slash == std::string::npos ? posixPath : posixPath.substr(slash + 1);
}

bool EndsWith(const std::string& text, std::string_view tail, bool ignoreCase) {
    if (text.size() < tail.size()) return false;
    for (size_t i = 0; i < tail.size(); ++i) {
        char a = text[text.size() - tail.size() + i], b = tail[i];
        if (ignoreCase) a = static_cast<char>(std::tolower(static_cast<unsigned char>(a)));
        if (a != b) return false;
    }
    return true;
}

std::string LowerCaseAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// The file names that may hold the library `name`.
std::vector<std::string> LibraryFileNames(const std::string& name, bool dataFile) {
    std::vector<std::string> names;
    if (dataFile) names.push_back(name);  // any file can be read as data
    if (EndsWith(name, ".so", false)) {
        if (!dataFile) names.push_back(name);
        return names;
    }
    std::string stem = name;
    if (EndsWith(name, ".dll", true))
        stem = name.substr(0, name.size() - 4);
    else if (name.find('.') != std::string::npos)
        return names;  // another kind of file: only as data
    for (const std::string& s : {stem, LowerCaseAscii(stem)}) {
        for (const std::string& candidate : {"lib" + s + ".so", s + ".so"})
            if (std::find(names.begin(), names.end(), candidate) == names.end()) names.push_back(candidate);
    }
    return names;
}

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The file LoadLibraryExW means by `name`, or empty.
std::string FindLibraryFile(std::u16string_view name, bool dataFile) {
    std::string posix = ToPosixPath(name);
    std::string fileName = FileNamePart(posix);
    if (fileName.empty()) return {};
    std::vector<std::string> folders;
    if (HasFolderPart(name)) {
        std::string folder = posix.substr(0, posix.size() - fileName.size());
        if (EndsWith(fileName, ".so", false)) return IsRegularFile(posix) ? AbsolutePath(posix) : std::string();
        folders.push_back(folder.empty() ? "/" : folder);
    }
    // A folder that exists here names the library in it only. A bare name,
    // or a folder that does not exist here (an installation path of the
    // other platform), is looked for beside the running program and then on
    // the library path.
    if (!HasFolderPart(name) || !std::filesystem::is_directory(folders.front())) {
        folders.push_back(std::filesystem::path(RunningProgramPath()).parent_path().string() + "/");
        if (const char* extra = std::getenv("PLATFORM_LIBRARY_PATH")) {
            std::string_view rest = extra;
            while (!rest.empty()) {
                size_t colon = rest.find(':');
                std::string entry(rest.substr(0, colon));
                rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
                if (!entry.empty()) folders.push_back(entry + "/");
            }
        }
    }
    std::vector<std::string> fileNames = LibraryFileNames(fileName, dataFile);
    for (const std::string& folder : folders)
        for (const std::string& candidate : fileNames)
            if (IsRegularFile(folder + candidate)) return AbsolutePath(folder + candidate);
    return {};
}

bool IsElfFile(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char magic[4] = {};
    bool elf = read(fd, magic, 4) == 4 && std::memcmp(magic,
                                                      "\x7f"
                                                      "ELF",
                                                      4) == 0;
    close(fd);
    return elf;
}

HMODULE LoadDataFile(const std::string& path) {
    if (access(path.c_str(), R_OK) != 0) return FailNull(Win32ErrorFromErrno(errno));
    Module module;
    module.kind = ModuleKind::DataFile;
    module.path = path;
    module.loads = 1;
    ModuleTable& table = Modules();
    std::lock_guard guard(table.lock);
    return Add(table, std::move(module));
}

HMODULE LoadSharedLibrary(const std::string& path) {
    if (access(path.c_str(), R_OK) != 0) return FailNull(Win32ErrorFromErrno(errno));
    // Outside the table's lock: the library's initialisers may call us.
    void* dl = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl) return FailNull(IsElfFile(path) ? ERROR_MOD_NOT_FOUND : ERROR_BAD_EXE_FORMAT);
    const link_map* map = MapOf(dl);
    ModuleTable& table = Modules();
    HMODULE handle;
    {
        std::lock_guard guard(table.lock);
        handle = FindLoaded(table, map);
        if (handle) {
            Find(table, handle)->loads++;
        } else {
            Module module;
            module.path = path;
            module.dl = dl;
            module.map = map;
            module.loads = 1;
            return Add(table, std::move(module));
        }
    }
    dlclose(dl);  // the module keeps the reference of its first load
    return handle;
}

}  // namespace

HMODULE ModuleFromAddress(const void* address) {
    Dl_info info{};
    link_map* map = nullptr;
    if (!address || !dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) || !map) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ModuleTable& table = Modules();
    {
        std::lock_guard guard(table.lock);
        if (ProgramRecord(table).map == map) return ProgramModule(table);
        if (HMODULE handle = FindLoaded(table, map)) return handle;
    }
    // Loaded by other means: hold it so the handle stays good.
    void* dl = map->l_name[0] ? dlopen(map->l_name, RTLD_LAZY | RTLD_NOLOAD) : nullptr;
    if (!dl) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    {
        std::lock_guard guard(table.lock);
        if (HMODULE handle = FindLoaded(table, map)) {
            dlclose(dl);  // no initialiser or finaliser runs: the object stays loaded
            return handle;
        }
        Module module;
        module.path = AbsolutePath(map->l_name);
        module.dl = dl;
        module.map = map;
        module.resident = true;
        return Add(table, std::move(module));
    }
}

void RegisterBuiltinExport(std::u16string_view library, const char* name, FARPROC function) {
    BuiltinLibraries& builtins = Builtins();
    std::lock_guard guard(builtins.lock);
    builtins.exports[BuiltinKey(library)][name] = function;
}

}  // namespace winapi

HMODULE WINAPI LoadLibraryW(LPCWSTR fileName) { return LoadLibraryExW(fileName, nullptr, 0); }

HMODULE WINAPI LoadLibraryExW(LPCWSTR fileName, HANDLE file, DWORD flags) {
    using namespace winapi;
    if (!fileName || !*fileName || file) return FailNull(ERROR_INVALID_PARAMETER);
    std::u16string_view name(fileName);
    bool dataFile = (flags & LOAD_LIBRARY_AS_DATAFILE) != 0;
    if (!dataFile && !HasFolderPart(name)) {
        if (HMODULE builtin = BuiltinModule(name, true)) return builtin;
    }
    std::string path = FindLibraryFile(name, dataFile);
    if (path.empty()) return FailNull(ERROR_MOD_NOT_FOUND);
    return dataFile ? LoadDataFile(path) : LoadSharedLibrary(path);
}

BOOL WINAPI FreeLibrary(HMODULE handle) {
    using namespace winapi;
    void* unload = nullptr;
    {
        ModuleTable& table = Modules();
        std::lock_guard guard(table.lock);
        Module* module = Find(table, handle);
        if (!module) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return FALSE;
        }
        if (module->loads > 0) module->loads--;
        if (module->loads == 0 && !module->resident) {
            unload = module->dl;
            table.modules.erase(reinterpret_cast<uintptr_t>(handle) >> 16);
        }
    }
    // Outside the lock: the library's finalisers may call us.
    if (unload) dlclose(unload);
    return TRUE;
}

FARPROC WINAPI GetProcAddress(HMODULE handle, LPCSTR procName) {
    using namespace winapi;
    ModuleKind kind;
    void* dl;
    const link_map* map;
    std::u16string builtinName;
    {
        ModuleTable& table = Modules();
        std::lock_guard guard(table.lock);
        Module* module = handle ? Find(table, handle) : &ProgramRecord(table);
        if (!module) return FailNull(ERROR_MOD_NOT_FOUND);
        kind = module->kind;
        dl = module->dl;
        map = module->map;
        builtinName = module->builtinName;
    }
    // A value below 0x10000 is an ordinal number, not a pointer to a name.
    if (reinterpret_cast<uintptr_t>(procName) < 0x10000 || kind == ModuleKind::DataFile)
        return FailNull(ERROR_PROC_NOT_FOUND);
    if (kind == ModuleKind::Builtin) {
        FARPROC function = BuiltinExport(builtinName, procName);
        if (!function) SetLastError(ERROR_PROC_NOT_FOUND);
        return function;
    }
    void* symbol = dlsym(dl, procName);
    // dlsym also searches the libraries the module uses; those are not its exports.
    Dl_info info{};
    link_map* owner = nullptr;
    if (!symbol || !dladdr1(symbol, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) || owner != map)
        return FailNull(ERROR_PROC_NOT_FOUND);
    return reinterpret_cast<FARPROC>(symbol);
}

HMODULE WINAPI GetModuleHandleW(LPCWSTR moduleName) {
    using namespace winapi;
    ModuleTable& table = Modules();
    if (!moduleName) {
        std::lock_guard guard(table.lock);
        return ProgramModule(table);
    }
    std::u16string_view name(moduleName);
    if (!HasFolderPart(name)) {
        if (HMODULE builtin = BuiltinModule(name, false)) return builtin;
    }
    // A bare name matches a loaded library of that file name wherever it
    // was loaded from; a name with a folder matches the file it names.
    std::string path;
    std::vector<std::string> fileNames;
    if (HasFolderPart(name)) {
        path = FindLibraryFile(name, false);
        if (path.empty()) return FailNull(ERROR_MOD_NOT_FOUND);
    } else {
        fileNames = LibraryFileNames(ToPosixPath(name), false);
    }
    std::lock_guard guard(table.lock);
    for (auto& [key, module] : table.modules) {
        if (module.kind != ModuleKind::Library) continue;
        bool same = path.empty() ? std::count(fileNames.begin(), fileNames.end(), FileNamePart(module.path)) > 0
                                 : module.path == path;
        if (same) return HandleOf(key);
    }
    return FailNull(ERROR_MOD_NOT_FOUND);
}

DWORD WINAPI GetModuleFileNameW(HMODULE handle, LPWSTR fileName, DWORD size) {
    using namespace winapi;
    std::string path;
    {
        ModuleTable& table = Modules();
        std::lock_guard guard(table.lock);
        Module* module = handle ? Find(table, handle) : &ProgramRecord(table);
        if (!module) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        path = module->path;
    }
    if (!fileName && size > 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string text = FromPosixPath(path);
    if (text.size() < size) {
        std::copy(text.begin(), text.end(), fileName);
        fileName[text.size()] = u'\0';
        return static_cast<DWORD>(text.size());
    }
    // Truncated, still terminated; the result is the whole buffer.
    if (size > 0) {
        std::copy_n(text.begin(), size - 1, fileName);
        fileName[size - 1] = u'\0';
    }
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
}
