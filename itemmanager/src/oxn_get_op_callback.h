// OxnGetOpCallbackImpl: the callback the vault-interface back end hands to
// the vault's batch get for get latest, a specific version and check-out.
// The vault shows its own progress there, so this callback accepts every
// notice and always lets the run go on.
//
// Single-threaded, like the back end that makes it.
#pragma once

#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/thread_model.h"
#include "oxnvault/interfaces.h"

class OxnGetOpCallbackImpl : public CComObjectRootEx<CComSingleThreadModel>, public OxnVaultLib::IOxnGetOpCallback {
public:
    BEGIN_COM_MAP(OxnGetOpCallbackImpl)
    COM_INTERFACE_ENTRY(OxnVaultLib::IOxnGetOpCallback)
    END_COM_MAP()

    // A new callback with one reference for the caller. E_POINTER,
    // E_OUTOFMEMORY (and no object).
    static HRESULT mhCreate(OxnVaultLib::IOxnGetOpCallback** callback);

    // S_OK and nothing else.
    HRESULT STDMETHODCALLTYPE BeginPhase(LONG kind, LONG value) override;
    HRESULT STDMETHODCALLTYPE Step(LONG kind, BSTR text, LONG value, VARIANT_BOOL* goOn) override;
    HRESULT STDMETHODCALLTYPE EndPhase(LONG kind) override;
    HRESULT STDMETHODCALLTYPE CheckReady() override;
    HRESULT STDMETHODCALLTYPE GetOption(LONG reserved1, LONG reserved2, SHORT* option) override;
    // *goOn VARIANT_TRUE; S_OK. E_POINTER for a null goOn.
    HRESULT STDMETHODCALLTYPE FileMessage(LONG fileId, BSTR path, HRESULT result, BSTR text,
                                          VARIANT_BOOL* goOn) override;

protected:
    OxnGetOpCallbackImpl() = default;
    ~OxnGetOpCallbackImpl() = default;
};
