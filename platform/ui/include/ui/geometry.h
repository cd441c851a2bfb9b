// The framework's geometry value types: CPoint, CSize and CRect, which are
// POINT, SIZE and RECT with the members the system's code calls, so each
// converts to its record (and a pointer to it) wherever a window or drawing
// function takes one. All members are inline and cost nothing beyond the
// arithmetic.
//
// A rectangle is half-open, as the platform's: it holds the points with
// left <= x < right and top <= y < bottom.
#pragma once

#include "ui/window_types.h"

#include <algorithm>

class CSize;
class CRect;

class CPoint : public POINT {
public:
    CPoint() : POINT{0, 0} {}
    CPoint(int x0, int y0) : POINT{x0, y0} {}
    CPoint(POINT point) : POINT(point) {}
    CPoint(SIZE size) : POINT{size.cx, size.cy} {}
    // A point packed into an LPARAM: x in the low word, y in the high word,
    // both signed (client points of mouse messages may be negative).
    explicit CPoint(LPARAM packed)
        : POINT{static_cast<short>(LOWORD(static_cast<DWORD>(packed))),
                static_cast<short>(HIWORD(static_cast<DWORD>(packed)))} {}

    void Offset(int dx, int dy) {
        x += dx;
        y += dy;
    }
    void Offset(POINT point) { Offset(point.x, point.y); }
    void SetPoint(int x0, int y0) {
        x = x0;
        y = y0;
    }

    bool operator==(POINT other) const { return x == other.x && y == other.y; }
    bool operator!=(POINT other) const { return !(*this == other); }
    CPoint& operator+=(POINT other) {
        Offset(other);
        return *this;
    }
    CPoint& operator-=(POINT other) {
        Offset(-other.x, -other.y);
        return *this;
    }
    CPoint operator+(POINT other) const { return CPoint(x + other.x, y + other.y); }
    CPoint operator-(POINT other) const { return CPoint(x - other.x, y - other.y); }
    CPoint operator-() const { return CPoint(-x, -y); }
};

class CSize : public SIZE {
public:
    CSize() : SIZE{0, 0} {}
    CSize(int cx0, int cy0) : SIZE{cx0, cy0} {}
    CSize(SIZE size) : SIZE(size) {}
    CSize(POINT point) : SIZE{point.x, point.y} {}

    bool operator==(SIZE other) const { return cx == other.cx && cy == other.cy; }
    bool operator!=(SIZE other) const { return !(*this == other); }
    CSize operator+(SIZE other) const { return CSize(cx + other.cx, cy + other.cy); }
    CSize operator-(SIZE other) const { return CSize(cx - other.cx, cy - other.cy); }
};

class CRect : public RECT {
public:
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    CRect(const RECT& rect) : RECT(rect) {}
    CRect(const RECT* rect) : RECT(*rect) {}
    CRect(POINT topLeft, SIZE size) : RECT{topLeft.x, topLeft.y, topLeft.x + size.cx, topLeft.y + size.cy} {}
    CRect(POINT topLeft, POINT bottomRight) : RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y} {}

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CSize Size() const { return CSize(Width(), Height()); }
    CPoint TopLeft() const { return CPoint(left, top); }
    CPoint BottomRight() const { return CPoint(right, bottom); }
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }

    // No area (a width or height of zero or less).
    bool IsRectEmpty() const { return right <= left || bottom <= top; }
    // All four coordinates zero.
    bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    bool PtInRect(POINT point) const {
        return point.x >= left && point.x < right && point.y >= top && point.y < bottom;
    }

    void SetRect(int l, int t, int r, int b) {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    void SetRectEmpty() { SetRect(0, 0, 0, 0); }
    void CopyRect(const RECT* rect) { *static_cast<RECT*>(this) = *rect; }
    void OffsetRect(int dx, int dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    void OffsetRect(POINT point) { OffsetRect(point.x, point.y); }
    void OffsetRect(SIZE size) { OffsetRect(size.cx, size.cy); }
    // Grows every side outwards (negative values shrink).
    void InflateRect(int dx, int dy) {
        left -= dx;
        top -= dy;
        right += dx;
        bottom += dy;
    }
    void InflateRect(SIZE size) { InflateRect(size.cx, size.cy); }
    void InflateRect(int l, int t, int r, int b) {
        left -= l;
        top -= t;
        right += r;
        bottom += b;
    }
    void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy); }
    void DeflateRect(SIZE size) { InflateRect(-size.cx, -size.cy); }
    void DeflateRect(int l, int t, int r, int b) { InflateRect(-l, -t, -r, -b); }
    // Swaps the coordinates where right < left or bottom < top, as a rubber
    // band dragged up or left needs.
    void NormalizeRect() {
        if (right < left) std::swap(left, right);
        if (bottom < top) std::swap(top, bottom);
    }
    // The overlap of two rectangles; FALSE (and an empty rectangle) when they
    // do not overlap.
    BOOL IntersectRect(const RECT* a, const RECT* b) {
        CRect result(std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
                     std::min(a->bottom, b->bottom));
        if (result.IsRectEmpty()) {
            SetRectEmpty();
            return FALSE;
        }
        *this = result;
        return TRUE;
    }
    // The smallest rectangle holding both; an empty one counts for nothing.
    BOOL UnionRect(const RECT* a, const RECT* b) {
        CRect first(a), second(b);
        if (first.IsRectEmpty()) {
            *this = second;
        } else if (second.IsRectEmpty()) {
            *this = first;
        } else {
            SetRect(std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                    std::max(a->bottom, b->bottom));
        }
        return !IsRectEmpty();
    }

    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
    bool operator==(const RECT& other) const {
        return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
    }
    bool operator!=(const RECT& other) const { return !(*this == other); }
    CRect& operator=(const RECT& other) {
        *static_cast<RECT*>(this) = other;
        return *this;
    }
};

// The window functions' geometry helpers on records.
inline BOOL PtInRect(const RECT* rect, POINT point) { return rect && CRect(rect).PtInRect(point); }
inline BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom) {
    if (!rect) return FALSE;
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}
inline BOOL OffsetRect(LPRECT rect, int dx, int dy) {
    if (!rect) return FALSE;
    CRect moved(rect);
    moved.OffsetRect(dx, dy);
    *rect = moved;
    return TRUE;
}
inline BOOL InflateRect(LPRECT rect, int dx, int dy) {
    if (!rect) return FALSE;
    CRect grown(rect);
    grown.InflateRect(dx, dy);
    *rect = grown;
    return TRUE;
}
inline BOOL IntersectRect(LPRECT result, const RECT* a, const RECT* b) {
    if (!result || !a || !b) return FALSE;
    CRect overlap;
    BOOL overlaps = overlap.IntersectRect(a, b);
    *result = overlap;
    return overlaps;
}
inline BOOL IsRectEmpty(const RECT* rect) { return !rect || CRect(rect).IsRectEmpty(); }
