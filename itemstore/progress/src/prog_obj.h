// ProgObj: the item server's IItmProgress, a reference-counted object that
// owns its progress window.
#pragma once

#include "itemstore/progress/itm_progress.h"
#include "common/ref_obj.h"
#include "progress_dlg.h"

class ProgObj : public RefObj, public IItmProgress {
public:
    explicit ProgObj(HWND parent);

    // IUnknown: IUnknown, IDispatch and IItmProgress.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch: the interface is called early-bound only.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** typeInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

    HRESULT STDMETHODCALLTYPE Show(BSTR caption, LONG layout) override;
    HRESULT STDMETHODCALLTYPE Close() override;
    HRESULT STDMETHODCALLTYPE SetRange(LONG maximum, BSTR line1) override;
    HRESULT STDMETHODCALLTYPE SetPos(LONG position, BSTR line2) override;
    HRESULT STDMETHODCALLTYPE ResetPos() override;
    HRESULT STDMETHODCALLTYPE Ask(BSTR caption, BSTR text, LONG buttons, LONG* answer) override;

private:
    ~ProgObj() override = default;

    HWND mhParent;
    bool mbCancelled = false;
    ProgressDlg moDialog{mbCancelled};
};
