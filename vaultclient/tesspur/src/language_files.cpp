#include "tesspur/language_files.h"

#include "winapi/path_mapping.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>

namespace tesspur {
namespace {

// A null character would cut the POSIX path short, so it counts as unsafe too.
bool IsSafeName(std::u16string_view name) {
    constexpr std::u16string_view kUnsafe(u"\\/\0", 3);
    return !name.empty() && name != u"." && name != u".." && name.find_first_of(kUnsafe) == std::u16string_view::npos;
}

// Files read so far, by POSIX path. Entries are never removed: the texts
// handed out point into them. Destroyed with the module that holds this
// code (at the process's exit, or when a server library holding it is
// unloaded), so that an unloaded library leaves no memory behind.
struct LoadedFiles {
    std::mutex mutex;
    std::map<std::string, std::unique_ptr<LanguageFile>> files;
};

LoadedFiles& Loaded() {
    static LoadedFiles loaded;
    return loaded;
}

}  // namespace

std::u16string LanguageFilePath(std::u16string_view folder, std::u16string_view language, std::u16string_view file) {
    if (folder.empty() || !IsSafeName(language) || !IsSafeName(file)) return {};
    std::u16string path(folder);
    if (!path.ends_with(u'\\') && !path.ends_with(u'/')) path += u'\\';
    path.append(language).append(u"\\").append(file).append(u".txt");
    return path;
}

const LanguageFile* FindLanguageFile(std::u16string_view folder, std::u16string_view language,
                                     std::u16string_view file) {
    std::u16string path = LanguageFilePath(folder, language, file);
    if (path.empty()) return nullptr;
    std::string posixPath = winapi::ToPosixPath(path);

    LoadedFiles& loaded = Loaded();
    std::lock_guard<std::mutex> lock(loaded.mutex);
    auto found = loaded.files.find(posixPath);
    if (found != loaded.files.end()) return found->second.get();

    std::error_code error;
    if (!std::filesystem::is_regular_file(posixPath, error)) return nullptr;
    std::ifstream stream(posixPath, std::ios::binary);
    if (!stream) return nullptr;
    std::ostringstream content;
    content << stream.rdbuf();
    if (stream.bad()) return nullptr;
    auto parsed = std::make_unique<LanguageFile>(LanguageFile::Parse(content.str()));
    return loaded.files.emplace(posixPath, std::move(parsed)).first->second.get();
}

}  // namespace tesspur
