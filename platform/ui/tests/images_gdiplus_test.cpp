// The graphics-plus classes: bitmaps over a caller's pixels, locked bits,
// icons from bitmaps, and drawing into a bitmap.
#include "icon_internal.h"
#include "ui/gdiplus.h"
#include "ui/device_context.h"
#include "ui/gdi_objects.h"
#include "ui/icons.h"
#include "ui/image_list.h"
#include "recording_window.h"
#include "ui_testing/ui_test.h"

#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using namespace Gdiplus;

class ImagesGdiplusTest : public ui_testing::UiTest {};

constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr uint32_t kRed = 0xFFFF0000u;

TEST_F(ImagesGdiplusTest, ABitmapOverABufferReadsAndWritesTheBufferItself) {
    std::vector<uint32_t> pixels(4 * 3, kBlue);
    BYTE* scan0 = reinterpret_cast<BYTE*>(pixels.data());
    Bitmap bitmap(4, 3, 4 * 4, PixelFormat32bppARGB, scan0);
    ASSERT_EQ(bitmap.GetLastStatus(), Ok);
    EXPECT_EQ(bitmap.GetWidth(), 4u);
    EXPECT_EQ(bitmap.GetPixelFormat(), PixelFormat32bppARGB);

    BitmapData data;
    Rect all(0, 0, 4, 3);
    ASSERT_EQ(bitmap.LockBits(&all, ImageLockModeRead | ImageLockModeWrite, PixelFormat32bppARGB, &data), Ok);
    EXPECT_EQ(data.Scan0, scan0) << "the caller's pixels, not a copy";
    EXPECT_EQ(data.Stride, 16);
    static_cast<uint32_t*>(data.Scan0)[1 * 4 + 2] = 0x80112233u;
    EXPECT_EQ(bitmap.UnlockBits(&data), Ok);
    Color color;
    EXPECT_EQ(bitmap.GetPixel(2, 1, &color), Ok);
    EXPECT_EQ(color.GetValue(), 0x80112233u);

    {
        Graphics graphics(&bitmap);
        SolidBrush red(Color(255, 255, 0, 0));
        EXPECT_EQ(graphics.FillRectangle(&red, 0, 0, 2, 1), Ok);
    }
    EXPECT_EQ(pixels[0], kRed) << "drawing lands in the buffer";
    EXPECT_EQ(pixels[1], kRed);
    EXPECT_EQ(pixels[2], kBlue);

    // Only part of the bitmap, by its own rectangle and stride.
    Rect part(1, 1, 2, 2);
    ASSERT_EQ(bitmap.LockBits(&part, ImageLockModeWrite, PixelFormat32bppARGB, &data), Ok);
    EXPECT_EQ(data.Scan0, scan0 + 1 * 16 + 1 * 4);
    static_cast<uint32_t*>(data.Scan0)[data.Stride / 4 + 1] = kRed;  // (2, 2)
    bitmap.UnlockBits(&data);
    EXPECT_EQ(pixels[2 * 4 + 2], kRed);
}

TEST_F(ImagesGdiplusTest, LockingInAnotherFormatConvertsAndWritesBack) {
    Bitmap bitmap(2, 2, PixelFormat32bppARGB);
    bitmap.SetPixel(0, 0, Color(128, 200, 100, 50));
    BitmapData data;
    ASSERT_EQ(bitmap.LockBits(nullptr, ImageLockModeRead | ImageLockModeWrite, PixelFormat32bppPARGB, &data), Ok);
    uint32_t premultiplied = static_cast<uint32_t*>(data.Scan0)[0];
    EXPECT_EQ(premultiplied >> 24, 128u);
    EXPECT_NEAR(static_cast<int>((premultiplied >> 16) & 0xFF), 100, 1) << "red times alpha";
    static_cast<uint32_t*>(data.Scan0)[1] = 0xFF00FF00u;
    ASSERT_EQ(bitmap.UnlockBits(&data), Ok);
    Color color;
    bitmap.GetPixel(1, 0, &color);
    EXPECT_EQ(color.GetValue(), 0xFF00FF00u);

    // A user buffer gets a copy and gives it back.
    uint32_t user[4] = {};
    data.Scan0 = user;
    data.Stride = 8;
    ASSERT_EQ(bitmap.LockBits(nullptr, ImageLockModeRead | ImageLockModeWrite | ImageLockModeUserInputBuf,
                              PixelFormat32bppARGB, &data),
              Ok);
    EXPECT_EQ(user[1], 0xFF00FF00u);
    user[3] = kBlue;
    bitmap.UnlockBits(&data);
    bitmap.GetPixel(1, 1, &color);
    EXPECT_EQ(color.GetValue(), kBlue);
}

TEST_F(ImagesGdiplusTest, FailuresAreStatusesRecordedOnTheObject) {
    Bitmap bitmap(2, 2);
    BitmapData data;
    Rect outside(1, 1, 4, 4);
    EXPECT_EQ(bitmap.LockBits(&outside, ImageLockModeRead, PixelFormat32bppARGB, &data), InvalidParameter);
    EXPECT_EQ(bitmap.GetLastStatus(), InvalidParameter);
    EXPECT_EQ(bitmap.LockBits(nullptr, ImageLockModeRead, PixelFormat32bppARGB, &data), Ok);
    EXPECT_EQ(bitmap.LockBits(nullptr, ImageLockModeRead, PixelFormat32bppARGB, &data), WrongState);
    EXPECT_EQ(bitmap.UnlockBits(&data), Ok);
    EXPECT_EQ(bitmap.UnlockBits(&data), WrongState);
    Color color;
    EXPECT_EQ(bitmap.GetPixel(2, 0, &color), InvalidParameter);

    EXPECT_EQ(Bitmap(0, 5).GetLastStatus(), InvalidParameter);
    EXPECT_EQ(Bitmap(static_cast<HICON>(nullptr)).GetLastStatus(), InvalidParameter);
    EXPECT_EQ(Bitmap(nullptr, u"NO_SUCH_PICTURE").GetLastStatus(), InvalidParameter);
    HICON icon = nullptr;
    EXPECT_EQ(GdipCreateHICONFromBitmap(nullptr, &icon), InvalidParameter);

    ULONG_PTR first = 0, second = 0;
    GdiplusStartupInput input;
    int before = GdiplusStartupCount();
    EXPECT_EQ(GdiplusStartup(&first, &input, nullptr), Ok);
    EXPECT_EQ(GdiplusStartup(&second, &input, nullptr), Ok);
    EXPECT_NE(first, second);
    GdiplusShutdown(second);
    GdiplusShutdown(first);
    EXPECT_EQ(GdiplusStartupCount(), before);
}

TEST_F(ImagesGdiplusTest, IconsAndBitmapsConvertBothWays) {
    Bitmap bitmap(3, 3);
    bitmap.SetPixel(1, 1, Color(200, 10, 20, 30));
    HICON icon = nullptr;
    ASSERT_EQ(GdipCreateHICONFromBitmap(&bitmap, &icon), Ok);
    EXPECT_EQ(ui::detail::IconImage(icon).pixel(1, 1), Color(200, 10, 20, 30).GetValue());
    std::unique_ptr<Bitmap> back(Bitmap::FromHICON(icon));
    Color color;
    back->GetPixel(1, 1, &color);
    EXPECT_EQ(color.GetValue(), Color(200, 10, 20, 30).GetValue());
    DestroyIcon(icon);
}

TEST_F(ImagesGdiplusTest, GraphicsDrawsImagesLinesAndText) {
    Bitmap canvas(120, 40, PixelFormat32bppARGB);
    Bitmap stamp(2, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) stamp.SetPixel(x, y, Color(255, 0, 255, 0));
    Font font(u"Arial", 18, FontStyleRegular, UnitPixel);
    SolidBrush white(Color(255, 255, 255, 255));
    StringFormat noWrap(StringFormatFlagsNoWrap);
    RectF one, two;
    {
        Graphics graphics(&canvas);
        SolidBrush black(Color(255, 0, 0, 0));
        graphics.FillRectangle(&black, 0, 0, 120, 40);
        EXPECT_EQ(graphics.DrawImage(&stamp, 100, 0, 10, 10), Ok) << "scaled to the rectangle";
        Pen pen(Color(255, 255, 0, 0), 1.0f);
        EXPECT_EQ(graphics.DrawLine(&pen, 0, 39, 119, 39), Ok);
        EXPECT_EQ(graphics.SetTextRenderingHint(TextRenderingHintAntiAliasGridFit), Ok);
        EXPECT_EQ(graphics.DrawString(u"HH", -1, &font, RectF(4, 4, 90, 30), &noWrap, &white), Ok);
        EXPECT_EQ(graphics.MeasureString(u"H", -1, &font, RectF(4, 4, 0, 0), &noWrap, &one), Ok);
        EXPECT_EQ(graphics.MeasureString(u"HH", -1, &font, PointF(4, 4), &noWrap, &two), Ok);
    }
    Color color;
    canvas.GetPixel(105, 5, &color);
    EXPECT_EQ(color.GetValue(), 0xFF00FF00u);
    canvas.GetPixel(60, 39, &color);
    EXPECT_EQ(color.GetValue(), 0xFFFF0000u);
    int bright = 0;
    for (int y = 4; y < 30; ++y)
        for (int x = 4; x < 60; ++x) {
            canvas.GetPixel(x, y, &color);
            if (color.GetR() > 200 && color.GetG() > 200) ++bright;
        }
    EXPECT_GT(bright, 20) << "the text was drawn in white";
    EXPECT_FLOAT_EQ(one.X, 4);
    EXPECT_GT(one.Height, 10);
    EXPECT_GT(two.Width, one.Width * 1.5f);
}

// A memory DC over a new 24 x 24 bitmap, cleared to opaque white.
struct MemoryCanvas {
    MemoryCanvas() {
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateCompatibleBitmap(dc, 24, 24);
        old = SelectObject(dc, bitmap);
        Graphics graphics(dc);
        SolidBrush white(Color(255, 255, 255, 255));
        graphics.FillRectangle(&white, 0, 0, 24, 24);
    }
    // The pixels drawn so far, with the bitmap selected out.
    std::unique_ptr<Bitmap> Finish() {
        SelectObject(dc, old);
        DeleteDC(dc);
        std::unique_ptr<Bitmap> pixels(Bitmap::FromHBITMAP(bitmap, nullptr));
        DeleteObject(bitmap);
        return pixels;
    }
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
};

ARGB PixelAt(Bitmap& bitmap, int x, int y) {
    Color color;
    bitmap.GetPixel(x, y, &color);
    return color.GetValue();
}

TEST_F(ImagesGdiplusTest, IconsImageListsAndGraphicsDrawIntoDeviceContexts) {
    Bitmap red(4, 4);
    Graphics(&red).FillRectangle(std::make_unique<SolidBrush>(Color(255, 255, 0, 0)).get(), 0, 0, 4, 4);
    HICON icon = nullptr;
    red.GetHICON(&icon);
    HIMAGELIST list = ImageList_Create(4, 4, ILC_COLOR32 | ILC_MASK, 1, 0);
    ImageList_AddIcon(list, icon);

    MemoryCanvas canvas;
    EXPECT_TRUE(DrawIconEx(canvas.dc, 2, 2, icon, 8, 8, 0, nullptr, DI_NORMAL)) << "scaled to 8 x 8";
    EXPECT_TRUE(ImageList_Draw(list, 0, canvas.dc, 16, 16, ILD_TRANSPARENT));
    {
        // GDI calls in the middle of graphics-plus drawing, as overlays are made.
        Graphics graphics(canvas.dc);
        HDC inner = graphics.GetHDC();
        ASSERT_NE(inner, nullptr);
        EXPECT_EQ(graphics.GetHDC(), nullptr) << "one DC at a time";
        EXPECT_TRUE(ImageList_Draw(list, 0, inner, 16, 0, ILD_NORMAL));
        graphics.ReleaseHDC(inner);
    }
    std::unique_ptr<Bitmap> pixels = canvas.Finish();
    ASSERT_EQ(pixels->GetLastStatus(), Ok);
    EXPECT_EQ(PixelAt(*pixels, 9, 9), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(*pixels, 11, 11), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(*pixels, 17, 17), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(*pixels, 17, 1), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(*pixels, 17, 8), 0xFFFFFFFFu);

    EXPECT_FALSE(DrawIconEx(nullptr, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(Graphics(static_cast<HDC>(nullptr)).GetLastStatus(), InvalidParameter);
    ImageList_Destroy(list);
    DestroyIcon(icon);
}

TEST_F(ImagesGdiplusTest, IconInfoGivesColourAndMaskBitmapsTheCallerDeletes) {
    Bitmap source(2, 1);
    source.SetPixel(0, 0, Color(255, 10, 20, 30));  // opaque; (1, 0) stays clear
    HICON icon = nullptr;
    source.GetHICON(&icon);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    EXPECT_TRUE(info.fIcon);
    Bitmap colour(info.hbmColor, nullptr);
    Bitmap mask(info.hbmMask, nullptr);
    EXPECT_EQ(PixelAt(colour, 0, 0), Color(255, 10, 20, 30).GetValue());
    EXPECT_EQ(PixelAt(mask, 0, 0), 0xFF000000u) << "black where opaque";
    EXPECT_EQ(PixelAt(mask, 1, 0), 0xFFFFFFFFu);
    EXPECT_TRUE(DeleteObject(info.hbmColor));
    EXPECT_TRUE(DeleteObject(info.hbmMask));
    DestroyIcon(icon);
    EXPECT_FALSE(GetIconInfo(icon, &info));
}

// The About box draws its background with a Graphics over the DC of
// WM_ERASEBKGND and answers that it erased.
TEST_F(ImagesGdiplusTest, AGraphicsOverAWindowsEraseDcDrawsIntoTheWindow) {
    Bitmap header(200, 20);
    Graphics(&header).FillRectangle(std::make_unique<SolidBrush>(Color(255, 255, 128, 0)).get(), 0, 0, 200, 20);
    RecordingWindow window;
    Status drawn = GenericError;
    window.onMessage = [&](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message != WM_ERASEBKGND) return RecordingWindow::kNotHandled;
        Graphics graphics(reinterpret_cast<HDC>(wParam));
        drawn = graphics.GetLastStatus();
        graphics.DrawImage(&header, 0, 0, 200, 20);
        Pen grey(Color(255, 220, 220, 220));
        graphics.DrawLine(&grey, 0, 20, 200, 20);
        SolidBrush white(Color(255, 255, 255, 255));
        graphics.FillRectangle(&white, 0, 21, 200, 79);
        return 1;
    };
    HWND hwnd = window.CreateTopLevel();
    MoveWindow(hwnd, 0, 0, 200, 100, FALSE);
    QImage shot = window.Widget()->grab().toImage();
    EXPECT_EQ(drawn, Ok) << "a Graphics over the paint's DC";
    EXPECT_EQ(shot.pixelColor(100, 10), QColor(255, 128, 0));
    EXPECT_EQ(shot.pixelColor(100, 20), QColor(220, 220, 220));
    EXPECT_EQ(shot.pixelColor(100, 60), QColor(255, 255, 255));

    HDC outside = GetDC(hwnd);
    EXPECT_EQ(Graphics(outside).GetLastStatus(), InvalidParameter) << "a window DC outside painting cannot draw";
    ReleaseDC(hwnd, outside);
}

// The About box's header font is made from a description with the screen's
// DC; a DC's own font and a drawing-object font serve as well.
TEST_F(ImagesGdiplusTest, FontsComeFromDescriptionsDrawingObjectsAndDcs) {
    Bitmap canvas(10, 10);
    Graphics graphics(&canvas);
    auto heightOf = [&](const Font& font) {
        EXPECT_EQ(font.GetLastStatus(), Ok);
        RectF box;
        EXPECT_EQ(graphics.MeasureString(u"Hg", -1, &font, PointF(0, 0), nullptr, &box), Ok);
        return box.Height;
    };
    LOGFONTW large{};
    large.lfHeight = -26;
    large.lfWeight = 400;
    large.lfQuality = CLEARTYPE_QUALITY;
    std::u16string face = u"Arial";
    face.copy(large.lfFaceName, face.size());
    LOGFONTW small = large;
    small.lfHeight = -13;

    HDC screen = GetDC(nullptr);
    REAL fromDescription = heightOf(Font(screen, &large));
    EXPECT_NEAR(fromDescription, 2 * heightOf(Font(screen, &small)), 3.0f);
    EXPECT_EQ(heightOf(Font(u"Arial", 26, FontStyleRegular, UnitPixel)), fromDescription);

    HFONT object = CreateFontIndirectW(&large);
    EXPECT_EQ(heightOf(Font(screen, object)), fromDescription);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, object);
    EXPECT_EQ(heightOf(Font(memory)), fromDescription) << "the DC's selected font";
    SelectObject(memory, previous);
    EXPECT_NE(heightOf(Font(memory)), fromDescription) << "the DC's own font again";

    const struct {
        const char* what;
        Font font;
    } bad[] = {{"no DC", Font(static_cast<HDC>(nullptr))},
               {"no font", Font(screen, static_cast<HFONT>(nullptr))},
               {"a brush", Font(screen, reinterpret_cast<HFONT>(GetStockObject(WHITE_BRUSH)))},
               {"no description", Font(screen, static_cast<const LOGFONTW*>(nullptr))}};
    for (const auto& c : bad) EXPECT_EQ(c.font.GetLastStatus(), InvalidParameter) << c.what;
    DeleteDC(memory);
    DeleteObject(object);
    ReleaseDC(nullptr, screen);
}

}  // namespace
