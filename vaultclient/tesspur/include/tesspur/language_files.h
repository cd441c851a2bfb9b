// The language files of the process: each file is read once, when a text of
// it is first asked for, and kept until the process exits (or the library
// holding this code is unloaded), so that the texts handed out stay valid
// (the string manager's callers never free them). A file that does not exist is looked for again at the next lookup.
// Thread-safe.
#pragma once

#include "tesspur/language_file.h"

#include <string>
#include <string_view>

namespace tesspur {

// The path of a language file in the system's form:
// <folder>\<language>\<file>.txt (a separator is added after the folder
// when it has none). Empty - no file - when the folder is empty, or when
// the language or the file name is empty, "." or "..", or holds a path
// separator or a null character, so that neither can lead out of the language folder.
std::u16string LanguageFilePath(std::u16string_view folder, std::u16string_view language, std::u16string_view file);

// The file at LanguageFilePath(folder, language, file), read on first use;
// null when there is no such path or file (or it cannot be read).
const LanguageFile* FindLanguageFile(std::u16string_view folder, std::u16string_view language,
                                     std::u16string_view file);

}  // namespace tesspur
