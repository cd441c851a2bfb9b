#include "message_texts.h"

#include "com/bstr.h"
#include "com/method_boundary.h"
#include "common/settings_light.h"
#include "tesspur/language_files.h"

#include <mutex>

namespace {

// The language file of `key` for the user's language; null when none.
const tesspur::LanguageFile* UserLanguageFile(const std::u16string& key) {
    SettingsLight settings;
    std::u16string folder = settings.goGetLocation(kLanFileDirectory);
    std::u16string language = settings.DefaultLanguageSetting();
    return tesspur::FindLanguageFile(folder, language, key);
}

}  // namespace

HRESULT CMessageTexts::UnusedSlot7() { return E_NOTIMPL; }

HRESULT CMessageTexts::GetText(LONG id, BSTR section, BSTR* text) {
    if (!text) return E_POINTER;
    *text = nullptr;
    return com::Boundary([&]() -> HRESULT {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!file_) return S_FALSE;
        std::u16string sectionText = com::BstrText(section);
        const std::u16string* found = nullptr;
        if (!context_.empty()) found = file_->Find(context_, sectionText, id);
        if (!found) found = file_->Find(key_, sectionText, id);
        if (!found) return S_FALSE;
        *text = SysAllocStringLen(found->data(), static_cast<UINT>(found->size()));
        return *text ? S_OK : E_OUTOFMEMORY;
    });
}

HRESULT CMessageTexts::Open(BSTR caption, BSTR key) { return OpenWithContext(caption, key, nullptr); }

HRESULT CMessageTexts::OpenWithContext(BSTR /*caption*/, BSTR key, BSTR context) {
    return com::Boundary([&]() -> HRESULT {
        std::u16string keyText = com::BstrText(key);
        const tesspur::LanguageFile* file = UserLanguageFile(keyText);
        std::lock_guard<std::mutex> lock(mutex_);
        file_ = file;
        key_ = std::move(keyText);
        context_ = com::BstrText(context);
        return file_ ? S_OK : S_FALSE;
    });
}
