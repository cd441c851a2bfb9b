// The string manager's state - language, folder, product and the stack of
// default files - and the calls the system makes of it.
#include "tesspur/tesspur.h"

#include "current_translation.h"
#include "tesspur/language_files.h"

#include <mutex>
#include <string>
#include <vector>

namespace {

struct StringManagerState {
    std::mutex mutex;
    std::u16string language;
    std::u16string folder;
    std::u16string product;
    // Files pushed with gvPushDefaultFile, the current one last; an empty
    // name stands for the product's file.
    std::vector<std::u16string> pushedFiles;
};

StringManagerState& State() {
    static StringManagerState state;
    return state;
}

std::u16string TextOrEmpty(const WCHAR* text) { return text ? std::u16string(text) : std::u16string(); }

}  // namespace

void gvInitStrDll(const WCHAR* /*brand*/, const WCHAR* product, const WCHAR* language, const WCHAR* folder,
                  const void* /*reserved*/) {
    StringManagerState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.product = TextOrEmpty(product);
    state.language = TextOrEmpty(language);
    state.folder = TextOrEmpty(folder);
}

const std::u16string* tesspur::CurrentTranslation(int id, const WCHAR* category, const WCHAR* section) {
    std::u16string folder, language, file;
    {
        StringManagerState& state = State();
        std::lock_guard<std::mutex> lock(state.mutex);
        folder = state.folder;
        language = state.language;
        file = state.pushedFiles.empty() || state.pushedFiles.back().empty() ? state.product : state.pushedFiles.back();
    }
    const LanguageFile* texts = FindLanguageFile(folder, language, file);
    return texts ? texts->Find(category ? category : u"", section ? section : u"", static_cast<long>(id)) : nullptr;
}

const WCHAR* TSS_internal(int id, const WCHAR* category, const WCHAR* section, const WCHAR* defaultText) {
    if (const std::u16string* text = tesspur::CurrentTranslation(id, category, section)) return text->c_str();
    return defaultText ? defaultText : u"";
}

void gvPushDefaultFile(const WCHAR* file) {
    StringManagerState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.pushedFiles.push_back(TextOrEmpty(file));
}

void gvPopDefaultFile() {
    StringManagerState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!state.pushedFiles.empty()) state.pushedFiles.pop_back();
}
