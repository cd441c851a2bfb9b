// Applies a parsed registration script to the registry.
#include "com/server/registrar.h"

#include "com/hresults.h"
#include "server_registrar_script.h"
#include "winapi/errors.h"
#include "winapi/registry.h"
#include "winapi/registry_write_batch.h"
#include "winapi/text.h"

namespace com {
namespace {

using registrar::LineKind;
using registrar::Removal;
using registrar::ScriptData;
using registrar::ScriptLine;
using registrar::ScriptRoot;

constexpr REGSAM kReadWrite = KEY_READ | KEY_WRITE;

std::u16string RootName(HKEY root) {
    if (root == HKEY_CLASSES_ROOT) return u"HKCR";
    if (root == HKEY_CURRENT_USER) return u"HKCU";
    return u"HKLM";
}

bool Missing(LSTATUS status) { return status == ERROR_FILE_NOT_FOUND; }

// Closes a key opened here when leaving the scope.
class KeyHolder {
public:
    explicit KeyHolder(HKEY key) : key_(key) {}
    ~KeyHolder() {
        if (key_) RegCloseKey(key_);
    }
    KeyHolder(const KeyHolder&) = delete;
    KeyHolder& operator=(const KeyHolder&) = delete;

private:
    HKEY key_;
};

LSTATUS SetData(HKEY key, const std::u16string& name, const ScriptData& data) {
    if (data.type == REG_DWORD)
        return RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data.number),
                              sizeof(DWORD));
    DWORD bytes = static_cast<DWORD>((data.text.size() + 1) * sizeof(WCHAR));  // with the terminator
    return RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.text.c_str()), bytes);
}

// Walks the lines of a script, remembering the first failure and where it
// happened.
class ScriptRun {
public:
    HRESULT Register(const std::vector<ScriptRoot>& roots) {
        for (const ScriptRoot& root : roots)
            if (!RegisterLines(root.key, RootName(root.key), root.lines)) break;
        return failure_;
    }

    HRESULT Unregister(const std::vector<ScriptRoot>& roots) {
        for (const ScriptRoot& root : roots) UnregisterLines(root.key, RootName(root.key), root.lines);
        return failure_;
    }

    const std::u16string& ErrorText() const { return errorText_; }

private:
    bool RegisterLines(HKEY parent, const std::u16string& parentPath, const std::vector<ScriptLine>& lines) {
        for (const ScriptLine& line : lines) {
            std::u16string path = parentPath + u"\\" + line.name;
            switch (line.kind) {
            case LineKind::Delete:
                if (LSTATUS status = RegDeleteTreeW(parent, line.name.c_str()); status && !Missing(status))
                    return Failed(status, u"cannot delete ", path);
                break;
            case LineKind::Value:
                if (LSTATUS status = SetData(parent, line.name, line.data))
                    return Failed(status, u"cannot write the value ", path);
                break;
            case LineKind::Key: {
                if (line.removal == Removal::Force) {
                    if (LSTATUS status = RegDeleteTreeW(parent, line.name.c_str()); status && !Missing(status))
                        return Failed(status, u"cannot remove ", path);
                }
                HKEY key = nullptr;
                LSTATUS status = RegCreateKeyExW(parent, line.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                 kReadWrite, nullptr, &key, nullptr);
                if (status) return Failed(status, u"cannot create ", path);
                KeyHolder holder(key);
                if (line.hasData) {
                    if (LSTATUS set = SetData(key, u"", line.data))
                        return Failed(set, u"cannot write the default value of ", path);
                }
                if (!RegisterLines(key, path, line.children)) return false;
                break;
            }
            }
        }
        return true;
    }

    void UnregisterLines(HKEY parent, const std::u16string& parentPath, const std::vector<ScriptLine>& lines) {
        for (const ScriptLine& line : lines) {
            std::u16string path = parentPath + u"\\" + line.name;
            switch (line.kind) {
            case LineKind::Delete:
                break;  // a registration step only
            case LineKind::Value:
                if (LSTATUS status = RegDeleteValueW(parent, line.name.c_str()); status && !Missing(status))
                    Failed(status, u"cannot delete the value ", path);
                break;
            case LineKind::Key:
                UnregisterKey(parent, path, line);
                break;
            }
        }
    }

    void UnregisterKey(HKEY parent, const std::u16string& path, const ScriptLine& line) {
        if (line.removal == Removal::Force) {
            if (LSTATUS status = RegDeleteTreeW(parent, line.name.c_str()); status && !Missing(status))
                Failed(status, u"cannot delete ", path);
            return;
        }
        HKEY key = nullptr;
        if (LSTATUS status = RegOpenKeyExW(parent, line.name.c_str(), 0, kReadWrite, &key)) {
            if (!Missing(status)) Failed(status, u"cannot open ", path);
            return;
        }
        DWORD subKeys = 0;
        {
            KeyHolder holder(key);
            UnregisterLines(key, path, line.children);
            if (line.removal == Removal::Never) return;
            if (LSTATUS status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                                                  nullptr, nullptr, nullptr, nullptr)) {
                Failed(status, u"cannot read ", path);
                return;
            }
        }
        if (subKeys != 0) return;  // holds keys of someone else's
        if (LSTATUS status = RegDeleteKeyW(parent, line.name.c_str()); status && !Missing(status))
            Failed(status, u"cannot delete ", path);
    }

    // Keeps the first failure; false, to stop a registration.
    bool Failed(LSTATUS status, std::u16string_view what, const std::u16string& path) {
        if (SUCCEEDED(failure_)) {
            failure_ = HRESULT_FROM_WIN32(static_cast<DWORD>(status));
            errorText_ = std::u16string(what) + path;
        }
        return false;
    }

    HRESULT failure_ = S_OK;
    std::u16string errorText_;
};

}  // namespace

void Registrar::AddReplacement(std::u16string_view name, std::u16string_view value) {
    for (auto& [key, existing] : replacements_) {
        if (winapi::EqualsIgnoreCase(key, name)) {
            existing = value;
            return;
        }
    }
    replacements_.emplace_back(name, value);
}

HRESULT Registrar::Register(std::u16string_view script) {
    errorText_.clear();
    std::vector<ScriptRoot> roots;
    if (!registrar::ParseScript(script, replacements_, &roots, &errorText_)) return DISP_E_EXCEPTION;
    // The script's keys and values are written in one rewrite of each hive.
    winapi::RegistryWriteBatch batch;
    ScriptRun run;
    HRESULT hr = run.Register(roots);
    if (FAILED(hr)) {
        errorText_ = run.ErrorText();
        // Take back what was written before the failure: no half registration.
        ScriptRun().Unregister(roots);
    }
    return Written(batch, hr);
}

HRESULT Registrar::Unregister(std::u16string_view script) {
    errorText_.clear();
    std::vector<ScriptRoot> roots;
    if (!registrar::ParseScript(script, replacements_, &roots, &errorText_)) return DISP_E_EXCEPTION;
    winapi::RegistryWriteBatch batch;
    ScriptRun run;
    HRESULT hr = run.Unregister(roots);
    if (FAILED(hr)) errorText_ = run.ErrorText();
    return Written(batch, hr);
}

HRESULT Registrar::Written(winapi::RegistryWriteBatch& batch, HRESULT hr) {
    LSTATUS status = batch.Finish();
    if (FAILED(hr) || status == ERROR_SUCCESS) return hr;
    errorText_ = u"cannot write the registry";
    return HRESULT_FROM_WIN32(static_cast<DWORD>(status));
}

}  // namespace com
