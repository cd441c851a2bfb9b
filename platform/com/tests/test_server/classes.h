// The test server's classes.
#pragma once

#include "com/server/co_class.h"
#include "com/server/dispatch_impl.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/support_error_info.h"
#include "test_server.h"

namespace test_server {

class CWidget : public CComObjectRootEx<CComSingleThreadModel>,
                public CComCoClass<CWidget, &kWidgetClsid>,
                public IDispatchImpl<IWidget, &IWidget::kIid, &kLibraryId, 1, 0>,
                public ISupportErrorInfoImpl<&IWidget::kIid> {
public:
    BEGIN_COM_MAP(CWidget)
    COM_INTERFACE_ENTRY(IWidget)
    COM_INTERFACE_ENTRY2(IDispatch, IWidget)
    COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    HRESULT STDMETHODCALLTYPE get_Size(LONG* size) override;
    HRESULT STDMETHODCALLTYPE put_Size(LONG size) override;
    HRESULT STDMETHODCALLTYPE MakePart(IPart** part) override;

protected:
    CWidget() = default;
    ~CWidget() = default;

private:
    LONG size_ = 0;
};

class CPart : public CComObjectRootEx<CComSingleThreadModel>, public CComCoClass<CPart, &kPartClsid>, public IPart {
public:
    BEGIN_COM_MAP(CPart)
    COM_INTERFACE_ENTRY(IPart)
    END_COM_MAP()

    HRESULT STDMETHODCALLTYPE GetSerial(LONG* serial) override;
    HRESULT STDMETHODCALLTYPE SetSerial(LONG serial) override;

protected:
    CPart() = default;
    ~CPart() = default;

private:
    LONG serial_ = 0;
};

}  // namespace test_server
