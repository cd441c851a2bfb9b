// The graphics-plus classes: bitmaps over a caller's pixels, locked bits,
// icons from bitmaps, and drawing into a bitmap.
#include "icon_internal.h"
#include "ui/gdiplus.h"
#include "ui/icons.h"
#include "ui_testing/ui_test.h"

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

}  // namespace
