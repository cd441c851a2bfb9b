#include "ui/framework/dc.h"

#include "device_context_internal.h"
#include "ui/system_metrics.h"
#include "ui/window_functions.h"

#include <algorithm>
#include <map>
#include <memory>

namespace {

// The C++ objects wrapping handles now, so SelectObject can give back the
// caller's own object.
std::map<HGDIOBJ, CGdiObject*>& WrappedObjects() {
    static std::map<HGDIOBJ, CGdiObject*> objects;
    return objects;
}

std::map<HDC, CDC*>& WrappedDcs() {
    static std::map<HDC, CDC*> dcs;
    return dcs;
}

// CDC::FromHandle's wrappers of DCs no CDC wraps; each goes with its DC.
std::map<HDC, std::unique_ptr<CDC>>& TemporaryDcs() {
    static std::map<HDC, std::unique_ptr<CDC>> dcs;
    return dcs;
}

void DcFreed(HDC hdc) {
    auto found = TemporaryDcs().find(hdc);
    if (found == TemporaryDcs().end()) return;
    std::unique_ptr<CDC> wrapper = std::move(found->second);
    TemporaryDcs().erase(found);
    wrapper->Detach();
}

}  // namespace

CGdiObject::~CGdiObject() { DeleteObject(); }

BOOL CGdiObject::Attach(HGDIOBJ object) {
    if (m_hObject || !object) return FALSE;
    m_hObject = object;
    WrappedObjects()[object] = this;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
    HGDIOBJ object = m_hObject;
    if (object) {
        auto found = WrappedObjects().find(object);
        if (found != WrappedObjects().end() && found->second == this) WrappedObjects().erase(found);
    }
    m_hObject = nullptr;
    return object;
}

BOOL CGdiObject::DeleteObject() {
    if (!m_hObject) return FALSE;
    if (!::DeleteObject(m_hObject)) return FALSE;
    Detach();
    return TRUE;
}

CGdiObject* CGdiObject::FromHandleIfWrapped(HGDIOBJ object) {
    auto found = WrappedObjects().find(object);
    return found == WrappedObjects().end() ? nullptr : found->second;
}

BOOL CBrush::CreateSysColorBrush(int index) {
    HBRUSH brush = GetSysColorBrush(index);
    // A system brush is never freed: wrap a brush of its colour instead.
    return brush && Attach(::CreateSolidBrush(GetSysColor(index)));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
    return Attach(::CreateCompatibleBitmap(dc ? dc->GetSafeHdc() : nullptr, width, height));
}

CDC::~CDC() {
    if (owned_)
        DeleteDC();
    else
        Detach();
    // The wrappers own nothing.
    for (auto& wrapper : temporaries_) wrapper->m_hObject = nullptr;
}

BOOL CDC::Attach(HDC hdc) {
    if (m_hDC || !hdc) return FALSE;
    static bool listening = [] {
        ui::detail::SetDcFreedListener(&DcFreed);
        return true;
    }();
    (void)listening;
    m_hDC = hdc;
    WrappedDcs()[hdc] = this;
    return TRUE;
}

HDC CDC::Detach() {
    HDC hdc = m_hDC;
    if (hdc) {
        auto found = WrappedDcs().find(hdc);
        if (found != WrappedDcs().end() && found->second == this) WrappedDcs().erase(found);
    }
    m_hDC = nullptr;
    owned_ = false;
    return hdc;
}

CDC* CDC::FromHandle(HDC hdc) {
    if (!hdc) return nullptr;
    if (auto found = WrappedDcs().find(hdc); found != WrappedDcs().end()) return found->second;
    auto wrapper = std::make_unique<CDC>();
    wrapper->Attach(hdc);
    CDC* result = wrapper.get();
    TemporaryDcs()[hdc] = std::move(wrapper);
    return result;
}

BOOL CDC::CreateCompatibleDC(CDC* dc) {
    if (m_hDC) return FALSE;
    if (!Attach(::CreateCompatibleDC(dc ? dc->m_hDC : nullptr))) return FALSE;
    owned_ = true;
    return TRUE;
}

BOOL CDC::DeleteDC() {
    if (!m_hDC) return FALSE;
    HDC hdc = Detach();
    return ::DeleteDC(hdc);
}

CGdiObject* CDC::Wrapper(HGDIOBJ handle, DWORD kind) {
    if (CGdiObject* wrapped = CGdiObject::FromHandleIfWrapped(handle)) return wrapped;
    // Not the caller's object (a default or stock one): a wrapper of its
    // kind that does not own it, kept for as long as this CDC.
    std::unique_ptr<CGdiObject> wrapper;
    switch (kind) {
    case OBJ_PEN:
        wrapper = std::make_unique<CPen>();
        break;
    case OBJ_BRUSH:
        wrapper = std::make_unique<CBrush>();
        break;
    case OBJ_FONT:
        wrapper = std::make_unique<CFont>();
        break;
    default:
        wrapper = std::make_unique<CBitmap>();
        break;
    }
    wrapper->m_hObject = handle;
    temporaries_.push_back(std::move(wrapper));
    return temporaries_.back().get();
}

CGdiObject* CDC::SelectObject(CGdiObject* object) {
    if (!object || !object->m_hObject || !m_hDC) return nullptr;
    DWORD kind = GetObjectType(object->m_hObject);
    HGDIOBJ previous = GetCurrentObject(m_hDC, kind);
    if (!::SelectObject(m_hDC, object->m_hObject)) return nullptr;
    return Wrapper(previous, kind);
}

CGdiObject* CDC::SelectStockObject(int index) {
    HGDIOBJ stock = GetStockObject(index);
    if (!stock || !m_hDC) return nullptr;
    DWORD kind = GetObjectType(stock);
    HGDIOBJ previous = GetCurrentObject(m_hDC, kind);
    if (!::SelectObject(m_hDC, stock)) return nullptr;
    return Wrapper(previous, kind);
}

BOOL CDC::TextOut(int x, int y, LPCWSTR text) {
    if (!text) return FALSE;
    return ::TextOutW(m_hDC, x, y, text, static_cast<int>(std::char_traits<char16_t>::length(text)));
}

CSize CDC::GetTextExtent(LPCWSTR text, int count) const {
    SIZE size{0, 0};
    ::GetTextExtentPoint32W(m_hDC, text, count, &size);
    return CSize(size);
}

CSize CDC::GetTextExtent(LPCWSTR text) const {
    return GetTextExtent(text, text ? static_cast<int>(std::char_traits<char16_t>::length(text)) : 0);
}

void CDC::FillSolidRect(LPCRECT rect, COLORREF colour) {
    if (!rect) return;
    ::SetBkColor(m_hDC, colour);
    ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, rect, nullptr, 0, nullptr);
}

void CDC::FillSolidRect(int x, int y, int width, int height, COLORREF colour) {
    CRect rect(x, y, x + width, y + height);
    FillSolidRect(rect, colour);
}

CPoint CDC::MoveTo(int x, int y) {
    POINT previous{0, 0};
    ::MoveToEx(m_hDC, x, y, &previous);
    return CPoint(previous);
}

CPaintDC::CPaintDC(HWND hwnd) : hwnd_(hwnd) { Attach(::BeginPaint(hwnd, &m_ps)); }

CPaintDC::~CPaintDC() {
    if (m_hDC) {
        Detach();
        ::EndPaint(hwnd_, &m_ps);
    }
}

CClientDC::CClientDC(HWND hwnd) : hwnd_(hwnd) { Attach(::GetDC(hwnd)); }

CClientDC::~CClientDC() {
    if (HDC hdc = Detach()) ::ReleaseDC(hwnd_, hdc);
}
