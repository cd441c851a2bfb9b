// The message-text component: localised texts by string id for the error
// catalogue (common/error_catalogue.h), read from the language files of the
// user's language (tesspur/language_file.h gives their format).
//
// Opening a key finds the file <key>.txt in the language folder of the
// user's language, both as the product's settings give them (SettingsLight:
// the language-files folder and the user's language), the same values the
// explorer hands to the string manager at start-up. A text is the entry of
// that file whose category is the key:
//
//   LanFiles\DE\OxnInterface.txt:   OxnInterface|ErrorCodes|40=Abgebrochen.
//
// Opened with a context, an entry whose category is the context wins over
// the key's own entry for the same section and id:
//
//   LanFiles\DE\OxnInterface.txt:   Coravent|ErrorCodes|40=Generierung abgebrochen.
#pragma once

#include "com/server/co_class.h"
#include "com/server/dispatch_impl.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "common/message_text_component.h"
#include "tesspur/language_file.h"

#include <mutex>
#include <string>

class CMessageTexts : public CComObjectRootEx<CComMultiThreadModel>,
                      public CComCoClass<CMessageTexts, &CLSID_MessageTexts>,
                      public IDispatchImpl<IMessageTextsWithContext> {
public:
    BEGIN_COM_MAP(CMessageTexts)
    COM_INTERFACE_ENTRY(IMessageTextsWithContext)
    COM_INTERFACE_ENTRY(IMessageTexts)
    COM_INTERFACE_ENTRY(IDispatch)
    END_COM_MAP()

    // Slot 7 has no meaning the system relies on: E_NOTIMPL.
    HRESULT STDMETHODCALLTYPE UnusedSlot7() override;
    // The text of `id` in `section` of the opened file, as a new BSTR in
    // *text: S_OK; S_FALSE with a null *text when nothing is open or the
    // file has no such entry; E_POINTER for a null `text`.
    HRESULT STDMETHODCALLTYPE GetText(LONG id, BSTR section, BSTR* text) override;
    // Opens the file of `key` (`caption`, the product's caption, does not
    // change which): S_OK when it exists, S_FALSE when there is none (also
    // for an empty key, or one that names no file).
    HRESULT STDMETHODCALLTYPE Open(BSTR caption, BSTR key) override;
    // Open, remembering `context` (empty: none) for GetText.
    HRESULT STDMETHODCALLTYPE OpenWithContext(BSTR caption, BSTR key, BSTR context) override;

protected:
    CMessageTexts() = default;
    ~CMessageTexts() = default;

private:
    // The caller may hand the object to another thread; the opened file
    // and its key travel together.
    std::mutex mutex_;
    const tesspur::LanguageFile* file_ = nullptr;  // Not owned: kept by the process's cache.
    std::u16string key_;
    std::u16string context_;
};
