// The graphics-plus classes the system draws with (namespace Gdiplus): 32-bit
// ARGB bitmaps (also over a caller's pixel buffer, without a copy), locking
// their bits, and a Graphics that draws images, rectangles, lines and text
// into a bitmap or through a device context that can draw now. Drawn with
// QPainter; a Bitmap's pixels are a QImage of the same byte layout
// (PixelFormat32bppARGB is QImage::Format_ARGB32: B, G, R, A in memory).
//
// Every call returns (or records, for GetLastStatus) a Status; nothing
// throws. GdiplusStartup is a balanced counter: Qt needs no start-up, and
// the classes work without it. GUI thread only.
#pragma once

#include "ui/gdi_objects.h"
#include "ui/window_types.h"

#include <memory>

struct HPALETTE__;
typedef HPALETTE__* HPALETTE;

namespace Gdiplus {

enum Status {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    FontFamilyNotFound = 14,
    FontStyleNotFound = 15,
};

typedef float REAL;
typedef DWORD ARGB;
typedef INT PixelFormat;

#define PixelFormat24bppRGB 0x00021808
#define PixelFormat32bppRGB 0x00022009
#define PixelFormat32bppARGB 0x0026200A
#define PixelFormat32bppPARGB 0x000E200B

enum ImageLockMode {
    ImageLockModeRead = 0x0001,
    ImageLockModeWrite = 0x0002,
    // The caller's BitmapData::Scan0 is the buffer: the pixels are copied
    // into it and, with ImageLockModeWrite, back at UnlockBits.
    ImageLockModeUserInputBuf = 0x0004,
};

enum Unit {
    UnitWorld = 0,
    UnitDisplay = 1,
    UnitPixel = 2,
    UnitPoint = 3,
    UnitInch = 4,
    UnitDocument = 5,
    UnitMillimeter = 6
};

enum FontStyle {
    FontStyleRegular = 0,
    FontStyleBold = 1,
    FontStyleItalic = 2,
    FontStyleBoldItalic = 3,
    FontStyleUnderline = 4,
    FontStyleStrikeout = 8,
};

enum TextRenderingHint {
    TextRenderingHintSystemDefault = 0,
    TextRenderingHintSingleBitPerPixelGridFit = 1,
    TextRenderingHintSingleBitPerPixel = 2,
    TextRenderingHintAntiAliasGridFit = 3,
    TextRenderingHintAntiAlias = 4,
    TextRenderingHintClearTypeGridFit = 5,
};

enum StringFormatFlags {
    StringFormatFlagsNoClip = 0x00004000,
    StringFormatFlagsNoWrap = 0x00001000,
    StringFormatFlagsLineLimit = 0x00002000,
};

enum StringAlignment { StringAlignmentNear = 0, StringAlignmentCenter = 1, StringAlignmentFar = 2 };

struct GdiplusStartupInput {
    UINT GdiplusVersion = 1;
    void* DebugEventCallback = nullptr;
    BOOL SuppressBackgroundThread = FALSE;
    BOOL SuppressExternalCodecs = FALSE;
};
struct GdiplusStartupOutput {
    void* NotificationHook = nullptr;
    void* NotificationUnhook = nullptr;
};

// Ok, with a token for GdiplusShutdown.
Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output);
void GdiplusShutdown(ULONG_PTR token);
// How many start-ups are not shut down yet (for tests).
int GdiplusStartupCount();

class Color {
public:
    Color() : argb_(0xFF000000u) {}
    Color(BYTE r, BYTE g, BYTE b) : argb_(MakeARGB(255, r, g, b)) {}
    Color(BYTE a, BYTE r, BYTE g, BYTE b) : argb_(MakeARGB(a, r, g, b)) {}
    explicit Color(ARGB argb) : argb_(argb) {}

    BYTE GetA() const { return static_cast<BYTE>(argb_ >> 24); }
    BYTE GetR() const { return static_cast<BYTE>(argb_ >> 16); }
    BYTE GetG() const { return static_cast<BYTE>(argb_ >> 8); }
    BYTE GetB() const { return static_cast<BYTE>(argb_); }
    ARGB GetValue() const { return argb_; }
    void SetValue(ARGB argb) { argb_ = argb; }

    static ARGB MakeARGB(BYTE a, BYTE r, BYTE g, BYTE b) {
        return (static_cast<ARGB>(a) << 24) | (static_cast<ARGB>(r) << 16) | (static_cast<ARGB>(g) << 8) | b;
    }

private:
    ARGB argb_;
};

struct Point {
    INT X = 0, Y = 0;
};
struct PointF {
    PointF() = default;
    PointF(REAL x, REAL y) : X(x), Y(y) {}
    REAL X = 0, Y = 0;
};
struct Rect {
    Rect() = default;
    Rect(INT x, INT y, INT width, INT height) : X(x), Y(y), Width(width), Height(height) {}
    INT X = 0, Y = 0, Width = 0, Height = 0;
};
struct RectF {
    RectF() = default;
    RectF(REAL x, REAL y, REAL width, REAL height) : X(x), Y(y), Width(width), Height(height) {}
    REAL GetBottom() const { return Y + Height; }
    REAL GetRight() const { return X + Width; }
    REAL X = 0, Y = 0, Width = 0, Height = 0;
};

class BitmapData {
public:
    UINT Width = 0;
    UINT Height = 0;
    INT Stride = 0;
    Gdiplus::PixelFormat PixelFormat = 0;
    void* Scan0 = nullptr;
    UINT_PTR Reserved = 0;
};

namespace detail {
struct ImageState;
struct GraphicsState;
}  // namespace detail

class Image {
public:
    virtual ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    UINT GetWidth();
    UINT GetHeight();
    PixelFormat GetPixelFormat();
    // The status of the last call made on this object (and of its making).
    Status GetLastStatus();

    // The layer's own: the image's state, for Graphics and the layer.
    detail::ImageState* State() const { return state_.get(); }

protected:
    Image();
    std::unique_ptr<detail::ImageState> state_;
};

class Bitmap : public Image {
public:
    // A new bitmap, transparent black.
    Bitmap(INT width, INT height, PixelFormat format = PixelFormat32bppARGB);
    // A bitmap over the caller's pixels (`stride` bytes a row), which must
    // outlive it: reads and drawing see the buffer, writes change it.
    Bitmap(INT width, INT height, INT stride, PixelFormat format, BYTE* scan0);
    // A copy of the icon's image; of the program's image resource `name`
    // (registered as an icon resource, ui/icons.h).
    explicit Bitmap(HICON icon);
    // A copy of a drawing-object bitmap (ui/gdi_objects.h); `palette` is
    // not used.
    Bitmap(HBITMAP bitmap, HPALETTE palette);
    static Bitmap* FromHBITMAP(HBITMAP bitmap, HPALETTE palette);
    Bitmap(HINSTANCE instance, const WCHAR* name);
    static Bitmap* FromHICON(HICON icon);
    static Bitmap* FromResource(HINSTANCE instance, const WCHAR* name);

    // Hands out the pixels of `rect` (null: all) in `format`: the image's
    // own bits when the format is the bitmap's, else a converted copy that
    // UnlockBits writes back (with ImageLockModeWrite). One lock at a time.
    Status LockBits(const Rect* rect, UINT flags, PixelFormat format, BitmapData* data);
    Status UnlockBits(BitmapData* data);
    Status GetPixel(INT x, INT y, Color* color);
    Status SetPixel(INT x, INT y, const Color& color);
    // A new icon of the bitmap's pixels, which the caller destroys.
    Status GetHICON(HICON* icon);
};

typedef Bitmap GpBitmap;
// The flat call behind Bitmap::GetHICON.
Status GdipCreateHICONFromBitmap(GpBitmap* bitmap, HICON* icon);

class Brush {
public:
    virtual ~Brush() = default;
    Status GetLastStatus() const { return Ok; }
    // The layer's own: the colour it fills with.
    virtual ARGB Argb() const = 0;
};

class SolidBrush : public Brush {
public:
    explicit SolidBrush(const Color& color) : color_(color) {}
    Status GetColor(Color* color) const {
        if (!color) return InvalidParameter;
        *color = color_;
        return Ok;
    }
    Status SetColor(const Color& color) {
        color_ = color;
        return Ok;
    }
    ARGB Argb() const override { return color_.GetValue(); }

private:
    Color color_;
};

class Pen {
public:
    explicit Pen(const Color& color, REAL width = 1.0f) : color_(color), width_(width) {}
    Color GetColor() const { return color_; }
    REAL GetWidth() const { return width_; }
    Status GetLastStatus() const { return Ok; }

private:
    Color color_;
    REAL width_;
};

class Font {
public:
    // `family` as CreateFontIndirectW maps faces; emSize in `unit`
    // (UnitPoint, UnitPixel or UnitWorld, which is pixels here).
    Font(const WCHAR* family, REAL emSize, INT style = FontStyleRegular, Unit unit = UnitPoint);
    // The font a DC draws text with now; the font of a drawing-object font
    // (ui/gdi_objects.h); the font a description asks for, as
    // CreateFontIndirectW makes it (the DC is not needed then). A null or
    // unknown DC or font, or a null description: InvalidParameter.
    explicit Font(HDC hdc);
    Font(HDC hdc, HFONT font);
    Font(HDC hdc, const LOGFONTW* logFont);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    Status GetLastStatus() const { return status_; }
    INT GetStyle() const;
    REAL GetSize() const;

    // The layer's own: the QFont.
    struct State;
    State* FontState() const { return state_.get(); }

private:
    std::unique_ptr<State> state_;
    Status status_ = Ok;
};

class StringFormat {
public:
    explicit StringFormat(INT formatFlags = 0, LANGID language = 0) : flags_(formatFlags) { (void)language; }
    Status SetFormatFlags(INT flags) {
        flags_ = flags;
        return Ok;
    }
    INT GetFormatFlags() const { return flags_; }
    Status SetAlignment(StringAlignment alignment) {
        alignment_ = alignment;
        return Ok;
    }
    StringAlignment GetAlignment() const { return alignment_; }
    Status SetLineAlignment(StringAlignment alignment) {
        lineAlignment_ = alignment;
        return Ok;
    }
    StringAlignment GetLineAlignment() const { return lineAlignment_; }

private:
    INT flags_;
    StringAlignment alignment_ = StringAlignmentNear;
    StringAlignment lineAlignment_ = StringAlignmentNear;
};

class Graphics {
public:
    // Draws into the image (kept alive by the caller while the Graphics
    // lives).
    explicit Graphics(Image* image);
    static Graphics* FromImage(Image* image);
    // Draws into a DC that can draw now (a paint DC, a memory DC with a
    // bitmap, a DC over a painter); InvalidParameter for another.
    explicit Graphics(HDC hdc);
    static Graphics* FromHDC(HDC hdc);
    ~Graphics();
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    Status GetLastStatus() const { return status_; }

    Status DrawImage(Image* image, INT x, INT y);
    Status DrawImage(Image* image, INT x, INT y, INT width, INT height);
    Status DrawImage(Image* image, REAL x, REAL y, REAL width, REAL height);
    Status DrawImage(Image* image, const Rect& rect);
    Status FillRectangle(const Brush* brush, INT x, INT y, INT width, INT height);
    Status FillRectangle(const Brush* brush, REAL x, REAL y, REAL width, REAL height);
    Status FillRectangle(const Brush* brush, const Rect& rect);
    Status DrawLine(const Pen* pen, INT x1, INT y1, INT x2, INT y2);
    Status DrawLine(const Pen* pen, REAL x1, REAL y1, REAL x2, REAL y2);
    // The text's top left corner at `origin`, or laid out in `layout` (a
    // zero width or height is unbounded); `length` -1 for a terminated
    // text.
    Status DrawString(const WCHAR* text, INT length, const Font* font, const PointF& origin, const Brush* brush);
    Status DrawString(const WCHAR* text, INT length, const Font* font, const PointF& origin, const StringFormat* format,
                      const Brush* brush);
    Status DrawString(const WCHAR* text, INT length, const Font* font, const RectF& layout, const StringFormat* format,
                      const Brush* brush);
    // The text's bounding box as DrawString lays it out.
    Status MeasureString(const WCHAR* text, INT length, const Font* font, const RectF& layout,
                         const StringFormat* format, RectF* bounds, INT* codepointsFitted = nullptr,
                         INT* linesFilled = nullptr);
    Status MeasureString(const WCHAR* text, INT length, const Font* font, const PointF& origin,
                         const StringFormat* format, RectF* bounds);
    // Anti-aliased text for the hints from TextRenderingHintAntiAliasGridFit
    // up, aliased below (SystemDefault: Qt's default, anti-aliased).
    Status SetTextRenderingHint(TextRenderingHint hint);
    TextRenderingHint GetTextRenderingHint() const { return hint_; }

    // A DC over this Graphics' drawing (valid until ReleaseHDC), for GDI
    // calls in between (ImageList_Draw, DrawIconEx); null when it cannot
    // draw or a DC is out already.
    HDC GetHDC();
    void ReleaseHDC(HDC hdc);

    detail::GraphicsState* State() const { return state_.get(); }

private:
    Status Record(Status status) { return status_ = status; }
    std::unique_ptr<detail::GraphicsState> state_;
    Status status_ = Ok;
    TextRenderingHint hint_ = TextRenderingHintSystemDefault;
};

}  // namespace Gdiplus
