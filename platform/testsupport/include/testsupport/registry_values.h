// Registry helpers of the tests: seeding values with exact bytes, reading
// back what the code under test wrote, and whole subtrees as text for
// before-and-after comparisons.
#pragma once

#include "winapi/registry.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

using RegistryBytes = std::vector<BYTE>;

// The bytes of UTF-16 text as the registry stores them, with the terminator
// when asked.
RegistryBytes TextBytes(std::u16string_view text, bool terminated = true);
RegistryBytes DwordBytes(DWORD number);

bool KeyExists(HKEY root, const std::u16string& path, REGSAM view = 0);

// Creates the key when missing (a test failure when it cannot).
void CreateKey(HKEY root, const std::u16string& path, REGSAM view = 0);

// Stores exactly `bytes` as the value `name` (null or empty: the default
// value) of `root`\`path`, creating the key. `view` may be KEY_WOW64_32KEY.
void WriteValue(HKEY root, const std::u16string& path, const char16_t* name, DWORD type, const RegistryBytes& bytes,
                REGSAM view = 0);

// Stores terminated text; `type` may be REG_EXPAND_SZ.
void WriteText(HKEY root, const std::u16string& path, const char16_t* name, std::u16string_view text,
               DWORD type = REG_SZ);

// A text value read as the shell does (REG_EXPAND_SZ comes back expanded),
// without its trailing terminators; nullopt when missing or not text.
std::optional<std::u16string> ReadText(HKEY root, const std::u16string& path, const char16_t* name = u"");

// A REG_DWORD value; nullopt when missing or of another type.
std::optional<DWORD> ReadDword(HKEY root, const std::u16string& path, const char16_t* name);

// A registry subtree: one entry per key ("Sub\Key") and per value
// ("Sub\Key [Name]"; [] for the default value), keyed by path relative to
// the tree's root ("" is the root itself). Values read "sz:<text>" (text
// with one terminator), "dword:<n>" (four bytes) or "type <n>: <hex bytes>"
// for everything else, so that two trees are equal exactly when the stored
// keys and values are. Empty when the key is missing.
using RegistryTree = std::map<std::string, std::string>;
RegistryTree ReadTree(HKEY root, const std::u16string& path, REGSAM view = 0);

// The trees of HKEY_CLASSES_ROOT, HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE
// as one text, a line per entry: two dumps are equal when the registries are.
std::string DumpRegistry();

}  // namespace testsupport
