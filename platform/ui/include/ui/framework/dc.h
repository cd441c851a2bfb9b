// The framework's drawing classes: CDC over an HDC (CPaintDC for WM_PAINT,
// CClientDC for a window's DC outside painting) and the drawing objects
// CPen, CBrush, CFont and CBitmap over their handles (ui/device_context.h,
// ui/gdi_objects.h). Each is a thin shell: a call costs what the handle
// function it forwards to costs.
//
// Ownership as the framework's: a CDC made by CreateCompatibleDC deletes
// its DC when destroyed, an attached one does not (Detach first to keep
// it); a drawing object deletes its handle when destroyed (it must be
// selected out of every DC by then). SelectObject returns the object that
// was selected: the C++ object that wraps it when there is one, else a
// wrapper the DC keeps until it is destroyed.
#pragma once

#include "ui/device_context.h"
#include "ui/gdi_objects.h"
#include "ui/geometry.h"

#include <memory>
#include <vector>

typedef LOGFONTW LOGFONT;

class CDC;

class CGdiObject {
public:
    CGdiObject() = default;
    virtual ~CGdiObject();
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    // Wraps a handle (FALSE when one is wrapped already); the object deletes
    // it from now on.
    BOOL Attach(HGDIOBJ object);
    // Gives the handle up without deleting it.
    HGDIOBJ Detach();
    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    operator HGDIOBJ() const { return m_hObject; }
    // Deletes the handle now; FALSE when there is none or it is selected.
    BOOL DeleteObject();
    int GetObject(int size, LPVOID buffer) const { return ::GetObjectW(m_hObject, size, buffer); }

    // The C++ object wrapping a handle, or null.
    static CGdiObject* FromHandleIfWrapped(HGDIOBJ object);

    HGDIOBJ m_hObject = nullptr;
};

class CPen : public CGdiObject {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF colour) { CreatePen(style, width, colour); }
    BOOL CreatePen(int style, int width, COLORREF colour) { return Attach(::CreatePen(style, width, colour)); }
    operator HPEN() const { return static_cast<HPEN>(m_hObject); }
};

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF colour) { CreateSolidBrush(colour); }
    BOOL CreateSolidBrush(COLORREF colour) { return Attach(::CreateSolidBrush(colour)); }
    BOOL CreateSysColorBrush(int index);
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
};

class CFont : public CGdiObject {
public:
    BOOL CreateFontIndirect(const LOGFONT* font) { return Attach(::CreateFontIndirectW(font)); }
    int GetLogFont(LOGFONT* font) const { return GetObject(sizeof(LOGFONT), font); }
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
};

class CBitmap : public CGdiObject {
public:
    BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
    int GetBitmap(BITMAP* bitmap) const { return GetObject(sizeof(BITMAP), bitmap); }
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
};

class CDC {
public:
    CDC() = default;
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // Wraps a DC someone else frees (FALSE when one is wrapped already).
    BOOL Attach(HDC hdc);
    HDC Detach();
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    // A CDC for a handle: the CDC that wraps it, else a temporary one that
    // lives as long as the DC (for a DRAWITEMSTRUCT's hDC and the like).
    static CDC* FromHandle(HDC hdc);

    // A memory DC (see ::CreateCompatibleDC); this CDC deletes it.
    BOOL CreateCompatibleDC(CDC* dc);
    BOOL DeleteDC();

    CGdiObject* SelectObject(CGdiObject* object);
    CPen* SelectObject(CPen* pen) { return static_cast<CPen*>(SelectObject(static_cast<CGdiObject*>(pen))); }
    CBrush* SelectObject(CBrush* brush) { return static_cast<CBrush*>(SelectObject(static_cast<CGdiObject*>(brush))); }
    CFont* SelectObject(CFont* font) { return static_cast<CFont*>(SelectObject(static_cast<CGdiObject*>(font))); }
    CBitmap* SelectObject(CBitmap* bitmap) {
        return static_cast<CBitmap*>(SelectObject(static_cast<CGdiObject*>(bitmap)));
    }
    CGdiObject* SelectStockObject(int index);

    COLORREF SetBkColor(COLORREF colour) { return ::SetBkColor(m_hDC, colour); }
    COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
    COLORREF SetTextColor(COLORREF colour) { return ::SetTextColor(m_hDC, colour); }
    COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    int GetBkMode() const { return ::GetBkMode(m_hDC); }
    int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }

    BOOL TextOut(int x, int y, LPCWSTR text, int count) { return ::TextOutW(m_hDC, x, y, text, count); }
    // A null-terminated text (a CString converts to it).
    BOOL TextOut(int x, int y, LPCWSTR text);
    BOOL ExtTextOut(int x, int y, UINT options, LPCRECT rect, LPCWSTR text, UINT count, const INT* dx) {
        return ::ExtTextOutW(m_hDC, x, y, options, rect, text, count, dx);
    }
    int DrawText(LPCWSTR text, int count, LPRECT rect, UINT format) {
        return ::DrawTextW(m_hDC, text, count, rect, format);
    }
    int DrawText(LPCWSTR text, LPRECT rect, UINT format) { return ::DrawTextW(m_hDC, text, -1, rect, format); }
    CSize GetTextExtent(LPCWSTR text, int count) const;
    CSize GetTextExtent(LPCWSTR text) const;

    // Fills with a colour: the background colour becomes `colour`, as the
    // framework's own does.
    void FillSolidRect(LPCRECT rect, COLORREF colour);
    void FillSolidRect(int x, int y, int width, int height, COLORREF colour);
    void FillRect(LPCRECT rect, CBrush* brush) {
        ::FillRect(m_hDC, rect, brush ? static_cast<HBRUSH>(*brush) : nullptr);
    }
    void FrameRect(LPCRECT rect, CBrush* brush) {
        ::FrameRect(m_hDC, rect, brush ? static_cast<HBRUSH>(*brush) : nullptr);
    }
    void DrawFocusRect(LPCRECT rect) { ::DrawFocusRect(m_hDC, rect); }
    BOOL Rectangle(LPCRECT rect) { return ::Rectangle(m_hDC, rect->left, rect->top, rect->right, rect->bottom); }
    BOOL Rectangle(int left, int top, int right, int bottom) { return ::Rectangle(m_hDC, left, top, right, bottom); }
    BOOL Polyline(const POINT* points, int count) { return ::Polyline(m_hDC, points, count); }
    CPoint MoveTo(int x, int y);
    CPoint MoveTo(POINT point) { return MoveTo(point.x, point.y); }
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
    BOOL LineTo(POINT point) { return LineTo(point.x, point.y); }
    BOOL BitBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, DWORD rop) {
        return ::BitBlt(m_hDC, x, y, width, height, source ? source->m_hDC : nullptr, sx, sy, rop);
    }

    HDC m_hDC = nullptr;

private:
    CGdiObject* Wrapper(HGDIOBJ handle, DWORD kind);

    bool owned_ = false;  // made by CreateCompatibleDC: deleted with this object
    // Wrappers of previously selected objects that no C++ object wraps.
    std::vector<std::unique_ptr<CGdiObject>> temporaries_;
};

// The DC of a window's WM_PAINT, between BeginPaint and EndPaint.
// `window` is a framework window (anything with GetSafeHwnd()), or an HWND.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(HWND hwnd);
    template <typename Window>
    explicit CPaintDC(Window* window) : CPaintDC(window->GetSafeHwnd()) {}
    ~CPaintDC() override;

    PAINTSTRUCT m_ps{};

private:
    HWND hwnd_;
};

// A window's DC (GetDC / ReleaseDC).
class CClientDC : public CDC {
public:
    explicit CClientDC(HWND hwnd);
    template <typename Window>
    explicit CClientDC(Window* window) : CClientDC(window ? window->GetSafeHwnd() : nullptr) {}
    ~CClientDC() override;

private:
    HWND hwnd_;
};
