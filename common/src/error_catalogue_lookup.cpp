// LookupMessage: a text of the message-text component, or its default.
#include "common/error_catalogue.h"

#include "com/bstr.h"
#include "com/com_ptr.h"
#include "common/message_text_component.h"

#include <memory>
#include <new>

namespace {

constexpr const WCHAR* kProductCaption = u"ZENTRAVIKO Vyl";

struct BstrFreer {
    void operator()(OLECHAR* bstr) const { SysFreeString(bstr); }
};
using OwnedBstr = std::unique_ptr<OLECHAR, BstrFreer>;

// A BSTR argument for the component; a null text passes as "".
OwnedBstr MakeBstr(const WCHAR* text) {
    BSTR bstr = SysAllocString(text != nullptr ? text : u"");
    if (bstr == nullptr) throw std::bad_alloc();
    return OwnedBstr(bstr);
}

// Slot 8 of opened texts: the text of `id`, or `defaultText` when none (or
// an empty one) comes. A failed call's text is not trusted.
std::u16string TextOrDefault(IMessageTexts& texts, WORD id, const WCHAR* section, const WCHAR* defaultText) {
    OwnedBstr sectionArgument = MakeBstr(section);
    BSTR received = nullptr;
    HRESULT hr = texts.GetText(id, sectionArgument.get(), &received);
    OwnedBstr text(received);
    if (SUCCEEDED(hr) && SysStringLen(received) > 0) return std::u16string(received, SysStringLen(received));
    return defaultText;
}

}  // namespace

std::u16string LookupMessage(WORD id, const WCHAR* defaultText, const WCHAR* key, const WCHAR* section,
                             const WCHAR* context) {
    if (defaultText == nullptr) defaultText = u"";
    OwnedBstr caption = MakeBstr(kProductCaption);
    OwnedBstr keyArgument = MakeBstr(key);
    // Created for this lookup only and released before returning, so the
    // component may change its texts between lookups.
    if (context != nullptr && *context != 0) {
        com::ComPtr<IMessageTextsWithContext> texts;
        if (FAILED(texts.CreateInstance(CLSID_MessageTexts, nullptr, CLSCTX_INPROC_SERVER)) || texts == nullptr)
            return defaultText;
        OwnedBstr contextArgument = MakeBstr(context);
        // Its result is not looked at: texts opened or not, slot 8 gives one or none.
        texts->OpenWithContext(caption.get(), keyArgument.get(), contextArgument.get());
        return TextOrDefault(*texts, id, section, defaultText);
    }
    com::ComPtr<IMessageTexts> texts;
    if (FAILED(texts.CreateInstance(CLSID_MessageTexts, nullptr, CLSCTX_INPROC_SERVER)) || texts == nullptr)
        return defaultText;
    if (texts->Open(caption.get(), keyArgument.get()) != S_OK) return defaultText;  // no texts for the key
    return TextOrDefault(*texts, id, section, defaultText);
}
