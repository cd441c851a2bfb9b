// The test server's identities and interfaces, as its callers see them:
// libTestServer.so ("TestServer.dll"), an in-process server written with the
// server helpers (com/server/*.h).
#pragma once

#include "com/dispatch.h"
#include "com/unknown.h"

namespace test_server {

inline constexpr GUID kLibraryId = com::MakeGuid("11D8A7BF-FCFD-4124-860C-FF841569751C");
inline constexpr char16_t kLibraryName[] = u"TestServer 1.0 Type Library";
inline constexpr char16_t kAppId[] = u"{13989887-816D-4E27-A6FA-C53250B7909F}";

// Widget: creatable, "ComTest.Widget.1" / "ComTest.Widget".
inline constexpr CLSID kWidgetClsid = com::MakeGuid("F28F184D-5460-4D1B-B663-75834E03DE52");
// Part: creatable, and handed out by a widget; "ComTest.Part.1" / "ComTest.Part".
inline constexpr CLSID kPartClsid = com::MakeGuid("ECEC3C31-B4D7-4FBA-A643-3B6CC97EFFE7");
// Gizmo: registered by the server, but not built in it.
inline constexpr CLSID kGizmoClsid = com::MakeGuid("D84795CD-DC55-4CD5-91B8-C34C3F9615A4");

// A record of the library: PartInfo { LONG serial; BSTR label; }.
inline constexpr GUID kPartInfoRecord = com::MakeGuid("20F03C23-9913-47BC-9A26-5A77ABD1971C");

struct IPart : IUnknown {
    COM_INTERFACE_ID("83FA5947-3DCF-4400-957C-7E363762FBC5");
    virtual HRESULT STDMETHODCALLTYPE GetSerial(LONG* serial) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSerial(LONG serial) = 0;

protected:
    ~IPart() = default;
};

// A dual interface.
struct IWidget : IDispatch {
    COM_INTERFACE_ID("5B941710-8C6E-4A6C-8C59-893C4F9C0FEF");
    virtual HRESULT STDMETHODCALLTYPE get_Size(LONG* size) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Size(LONG size) = 0;
    // A new part whose serial is the widget's size.
    virtual HRESULT STDMETHODCALLTYPE MakePart(IPart** part) = 0;

protected:
    ~IWidget() = default;
};

}  // namespace test_server
