// The vault client's message-text component, as the error catalogue calls it:
// it gives localised texts by string id, and is created in-process by its
// class id on every lookup.
//
// The catalogue calls it by vtable slot (QueryInterface is slot 0), so the
// declaration order below is the contract: both interfaces are dual, slots 3
// to 6 being IDispatch's. Slot 7 is a method of the component that the
// system never calls; it is declared only so that the slots after it line up.
#pragma once

#include "com/bstr.h"
#include "com/dispatch.h"
#include "com/unknown.h"

inline constexpr CLSID CLSID_MessageTexts = com::MakeGuid("51999FE1-EDB9-11D3-90FA-00C04F56B3AF");

// Used when the lookup has no context.
struct IMessageTexts : IDispatch {
    COM_INTERFACE_ID("51999FE0-EDB9-11D3-90FA-00C04F56B3AF");
    // Slot 7: never called by the system.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot7() = 0;
    // Slot 8: the text of string `id` in `section` of the texts opened, into
    // *text (a new BSTR for the caller, or null when there is none).
    virtual HRESULT STDMETHODCALLTYPE GetText(LONG id, BSTR section, BSTR* text) = 0;
    // Slot 9: opens the texts of `key` for the product `caption`; S_OK when
    // there are texts, any other result (non-zero) when there are none.
    virtual HRESULT STDMETHODCALLTYPE Open(BSTR caption, BSTR key) = 0;

protected:
    ~IMessageTexts() = default;
};

// Used when the lookup has a context: the same, opened for that context.
struct IMessageTextsWithContext : IMessageTexts {
    COM_INTERFACE_ID("44DFE5AA-F48C-4C43-975E-A2A148EA132A");
    // Slot 10: opens the texts of `key` for the product `caption` in
    // `context`. The system does not look at the result: slot 8 then gives
    // a text or none.
    virtual HRESULT STDMETHODCALLTYPE OpenWithContext(BSTR caption, BSTR key, BSTR context) = 0;

protected:
    ~IMessageTextsWithContext() = default;
};
