// Icons and image lists: PNG bytes -> HICON -> image list -> HICON, with
// their pixels, resources by number and name, and overlays by merging.
#include "icon_internal.h"
#include "recording_window.h"
#include "ui/message_queue.h"
#include "ui/window_class.h"
#include "ui/framework/image_list.h"
#include "ui/gdi_objects.h"
#include "ui/gdiplus.h"
#include "ui/icons.h"
#include "ui/image_list.h"
#include "ui_testing/ui_test.h"
#include "winapi/errors.h"

#include <QBuffer>
#include <QIcon>
#include <QImage>
#include <QWidget>
#include <QPainter>

#include <gtest/gtest.h>

#include <vector>

namespace {

class ImagesIconTest : public ui_testing::UiTest {};

// A 16 x 16 image: opaque red, a half-transparent green pixel at (3, 4) and
// a fully transparent one at (15, 15).
QImage Sample() {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(QColor(255, 0, 0));
    image.setPixel(3, 4, qRgba(0, 255, 0, 128));
    image.setPixel(15, 15, qRgba(0, 0, 0, 0));
    return image;
}

std::vector<BYTE> Png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return std::vector<BYTE>(bytes.begin(), bytes.end());
}

HICON Solid(int size, QColor colour) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    return ui::detail::MakeIcon(image);
}

TEST_F(ImagesIconTest, PngBytesRoundTripThroughAnImageListWithTheirAlpha) {
    std::vector<BYTE> png = Png(Sample());
    HICON icon = CreateIconFromResourceEx(png.data(), static_cast<DWORD>(png.size()), TRUE, 0x00030000, 0, 0, 0);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(ui::IconSize(icon).cx, 16);

    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 5, 0);
    EXPECT_EQ(ImageList_AddIcon(list, icon), 0);
    EXPECT_TRUE(DestroyIcon(icon)) << "the list keeps its own copy";
    HICON back = ImageList_GetIcon(list, 0, ILD_NORMAL);
    ASSERT_NE(back, nullptr);
    QImage pixels = ui::detail::IconImage(back);
    EXPECT_EQ(pixels.format(), QImage::Format_ARGB32);
    EXPECT_EQ(pixels.pixel(0, 0), qRgba(255, 0, 0, 255));
    EXPECT_EQ(pixels.pixel(3, 4), qRgba(0, 255, 0, 128));
    EXPECT_EQ(qAlpha(pixels.pixel(15, 15)), 0);
    DestroyIcon(back);
    ImageList_Destroy(list);
}

TEST_F(ImagesIconTest, IconsAreScaledToTheSizeAsked) {
    std::vector<BYTE> png = Png(Sample());
    HICON scaled = CreateIconFromResourceEx(png.data(), static_cast<DWORD>(png.size()), TRUE, 0x00030000, 32, 24, 0);
    EXPECT_EQ(ui::IconSize(scaled).cx, 32);
    EXPECT_EQ(ui::IconSize(scaled).cy, 24);
    HIMAGELIST small = ImageList_Create(8, 8, ILC_COLOR4 | ILC_MASK, 0, 10);
    EXPECT_EQ(ImageList_AddIcon(small, scaled), 0);
    int cx = 0, cy = 0;
    EXPECT_TRUE(ImageList_GetIconSize(small, &cx, &cy));
    EXPECT_EQ(cx, 8);
    HICON out = ImageList_GetIcon(small, 0, 0);
    EXPECT_EQ(ui::IconSize(out).cx, 8);
    EXPECT_EQ(qRed(ui::detail::IconImage(out).pixel(0, 0)), 255);
    DestroyIcon(out);
    DestroyIcon(scaled);
    ImageList_Destroy(small);

    BYTE garbage[] = {1, 2, 3};
    EXPECT_EQ(CreateIconFromResourceEx(garbage, sizeof(garbage), TRUE, 0x00030000, 0, 0, 0), nullptr);
}

TEST_F(ImagesIconTest, RegisteredResourcesLoadByNumberAndByNameAsSharedIcons) {
    std::vector<BYTE> png = Png(Sample());
    ASSERT_TRUE(ui::RegisterIconResource(128, png));
    ASSERT_TRUE(ui::RegisterIconResource(u"PNG_HALVARAN", png));
    EXPECT_FALSE(ui::RegisterIconResource(u"PNG_BROKEN", std::vector<BYTE>{1, 2, 3}));

    HICON byNumber = LoadIconW(nullptr, MAKEINTRESOURCEW(128));
    ASSERT_NE(byNumber, nullptr);
    EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(128)), byNumber) << "one shared icon per resource";
    EXPECT_TRUE(DestroyIcon(byNumber));
    EXPECT_EQ(ui::IconSize(byNumber).cx, 16) << "a shared icon outlives DestroyIcon";

    HICON byName = LoadIconW(nullptr, u"png_halvaran");
    ASSERT_NE(byName, nullptr) << "names compare without case";
    EXPECT_NE(byName, byNumber);

    HANDLE own = LoadImageW(nullptr, u"PNG_HALVARAN", IMAGE_ICON, 24, 24, 0);
    ASSERT_NE(own, nullptr);
    EXPECT_NE(own, byName);
    EXPECT_EQ(ui::IconSize(static_cast<HICON>(own)).cx, 24);
    EXPECT_TRUE(DestroyIcon(static_cast<HICON>(own)));
    SetLastError(0);
    EXPECT_FALSE(DestroyIcon(static_cast<HICON>(own)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ICON_HANDLE));

    SetLastError(0);
    EXPECT_EQ(LoadIconW(nullptr, u"PNG_MISSING"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_NE(LoadIconW(nullptr, IDI_WARNING), nullptr) << "the system's own icons";
}

TEST_F(ImagesIconTest, ImageListIndexesFollowAddReplaceAndRemove) {
    HIMAGELIST list = ImageList_Create(4, 4, ILC_COLOR32 | ILC_MASK, 0, 10);
    HICON red = Solid(4, Qt::red), green = Solid(4, Qt::green), blue = Solid(4, Qt::blue);
    EXPECT_EQ(ImageList_AddIcon(list, red), 0);
    EXPECT_EQ(ImageList_AddIcon(list, green), 1);
    EXPECT_EQ(ImageList_ReplaceIcon(list, -1, blue), 2);
    EXPECT_EQ(ImageList_ReplaceIcon(list, 0, blue), 0);
    EXPECT_EQ(ImageList_ReplaceIcon(list, 7, blue), -1);
    EXPECT_EQ(ImageList_AddIcon(list, nullptr), -1);
    auto colourAt = [&](int index) {
        HICON icon = ImageList_GetIcon(list, index, 0);
        QRgb pixel = ui::detail::IconImage(icon).pixel(1, 1);
        DestroyIcon(icon);
        return pixel;
    };
    EXPECT_EQ(colourAt(0), QColor(Qt::blue).rgba());
    EXPECT_TRUE(ImageList_Remove(list, 0));
    EXPECT_EQ(ImageList_GetImageCount(list), 2);
    EXPECT_EQ(colourAt(0), QColor(Qt::green).rgba()) << "later images move down";
    EXPECT_FALSE(ImageList_Remove(list, 2));
    EXPECT_EQ(ImageList_GetIcon(list, 2, 0), nullptr);
    EXPECT_TRUE(ImageList_Remove(list, -1));
    EXPECT_EQ(ImageList_GetImageCount(list), 0);
    EXPECT_TRUE(ImageList_Destroy(list));
    EXPECT_FALSE(ImageList_Destroy(list));
    EXPECT_EQ(ImageList_AddIcon(list, red), -1);
    for (HICON icon : {red, green, blue}) DestroyIcon(icon);
}

// The file-type icons ask a list's image bitmap for its depth before they
// combine an image with an overlay through its pixels.
TEST_F(ImagesIconTest, ImageInfoGivesTheListsBitmapsWhereEachImageLies) {
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 5, 0);
    HICON sample = ui::detail::MakeIcon(Sample()), blue = Solid(16, Qt::blue);
    ASSERT_EQ(ImageList_AddIcon(list, sample), 0);
    ASSERT_EQ(ImageList_AddIcon(list, blue), 1);

    IMAGEINFO info{};
    ASSERT_TRUE(ImageList_GetImageInfo(list, 1, &info));
    EXPECT_EQ(info.rcImage.left, 16);
    EXPECT_EQ(info.rcImage.top, 0);
    EXPECT_EQ(info.rcImage.right, 32);
    EXPECT_EQ(info.rcImage.bottom, 16);
    BITMAP bitmap{};
    ASSERT_EQ(GetObjectW(info.hbmImage, sizeof(bitmap), &bitmap), static_cast<int>(sizeof(bitmap)));
    EXPECT_EQ(bitmap.bmBitsPixel, 32);
    EXPECT_EQ(bitmap.bmWidth, 32);
    EXPECT_EQ(bitmap.bmHeight, 16);

    auto colourAt = [](HBITMAP handle, int x, int y) {
        Gdiplus::Bitmap pixels(handle, nullptr);
        Gdiplus::Color colour;
        EXPECT_EQ(pixels.GetPixel(x, y, &colour), Gdiplus::Ok);
        return colour.GetValue();
    };
    EXPECT_EQ(colourAt(info.hbmImage, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(colourAt(info.hbmImage, 3, 4) >> 24, 128u) << "alpha kept";
    EXPECT_EQ(colourAt(info.hbmImage, 16, 0), 0xFF0000FFu);
    EXPECT_EQ(colourAt(info.hbmMask, 0, 0), 0xFF000000u) << "opaque: black";
    EXPECT_EQ(colourAt(info.hbmMask, 15, 15), 0xFFFFFFFFu) << "clear: white";

    // The same bitmaps, brought up to date.
    ASSERT_EQ(ImageList_ReplaceIcon(list, 0, blue), 0);
    IMAGEINFO again{};
    ASSERT_TRUE(ImageList_GetImageInfo(list, 0, &again));
    EXPECT_EQ(again.hbmImage, info.hbmImage);
    EXPECT_EQ(again.hbmMask, info.hbmMask);
    EXPECT_EQ(again.rcImage.left, 0);
    EXPECT_EQ(colourAt(again.hbmImage, 0, 0), 0xFF0000FFu);
    EXPECT_EQ(colourAt(again.hbmMask, 15, 15), 0xFF000000u);

    EXPECT_FALSE(ImageList_GetImageInfo(list, 2, &again));
    EXPECT_FALSE(ImageList_GetImageInfo(list, 0, nullptr));
    EXPECT_TRUE(ImageList_Destroy(list));
    EXPECT_EQ(GetObjectW(info.hbmImage, sizeof(bitmap), &bitmap), 0) << "the list's bitmaps go with it";
    EXPECT_EQ(GetObjectW(info.hbmMask, sizeof(bitmap), &bitmap), 0);
    EXPECT_FALSE(ImageList_GetImageInfo(list, 0, &again));

    HIMAGELIST unmasked = ImageList_Create(16, 16, ILC_COLOR32, 1, 0);
    ASSERT_EQ(ImageList_AddIcon(unmasked, blue), 0);
    ASSERT_TRUE(ImageList_GetImageInfo(unmasked, 0, &info));
    EXPECT_NE(info.hbmImage, nullptr);
    EXPECT_EQ(info.hbmMask, nullptr) << "no mask without ILC_MASK";
    ImageList_Destroy(unmasked);
    DestroyIcon(sample);
    DestroyIcon(blue);
}

TEST_F(ImagesIconTest, MergeDrawsTheOverlayOverTheBaseAtTheOffset) {
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 0);
    HICON base = Solid(16, Qt::blue);
    // The overlay: its top-left quarter half-transparent red, the rest clear.
    QImage overlayImage(16, 16, QImage::Format_ARGB32);
    overlayImage.fill(Qt::transparent);
    QPainter(&overlayImage).fillRect(0, 0, 8, 8, QColor(255, 0, 0, 128));
    HICON overlay = ui::detail::MakeIcon(overlayImage);
    ImageList_AddIcon(list, base);
    ImageList_AddIcon(list, overlay);

    HIMAGELIST merged = ImageList_Merge(list, 0, list, 1, 0, 0);
    ASSERT_NE(merged, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(merged), 1);
    HICON icon = ImageList_GetIcon(merged, 0, 0);
    QImage pixels = ui::detail::IconImage(icon);
    EXPECT_EQ(pixels.pixel(12, 12), qRgba(0, 0, 255, 255)) << "the base where the overlay is clear";
    QRgb mixed = pixels.pixel(2, 2);
    EXPECT_EQ(qAlpha(mixed), 255);
    EXPECT_NEAR(qRed(mixed), 128, 2);
    EXPECT_NEAR(qBlue(mixed), 127, 2);
    DestroyIcon(icon);
    ImageList_Destroy(merged);

    // A negative offset grows the image to hold both.
    HIMAGELIST shifted = ImageList_Merge(list, 0, list, 1, -4, 0);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(shifted, &cx, &cy);
    EXPECT_EQ(cx, 20);
    EXPECT_EQ(cy, 16);
    icon = ImageList_GetIcon(shifted, 0, 0);
    pixels = ui::detail::IconImage(icon);
    EXPECT_EQ(qAlpha(pixels.pixel(1, 12)), 0) << "left of the base, below the overlay's red";
    EXPECT_EQ(pixels.pixel(19, 1), qRgba(0, 0, 255, 255));
    DestroyIcon(icon);
    ImageList_Destroy(shifted);

    EXPECT_EQ(ImageList_Merge(list, 0, list, 5, 0, 0), nullptr);
    ImageList_Destroy(list);
    DestroyIcon(base);
    DestroyIcon(overlay);
}

TEST_F(ImagesIconTest, CImageListOwnsItsListAndDestroysItWithItself) {
    HIMAGELIST handle = nullptr;
    HICON red = Solid(16, Qt::red);
    {
        CImageList list;
        EXPECT_EQ(list.GetSafeHandle(), nullptr);
        ASSERT_TRUE(list.Create(16, 16, ILC_COLOR32 | ILC_MASK, 5, 0));
        EXPECT_FALSE(list.Create(16, 16, ILC_COLOR32 | ILC_MASK, 5, 0)) << "one list per object";
        handle = list;
        EXPECT_EQ(list.Add(red), 0);
        EXPECT_EQ(list.Replace(0, red), 0);
        EXPECT_EQ(list.GetImageCount(), 1);
        HICON icon = list.ExtractIcon(0);
        EXPECT_EQ(ui::IconSize(icon).cx, 16);
        DestroyIcon(icon);
    }
    EXPECT_EQ(ImageList_GetImageCount(handle), 0);
    EXPECT_FALSE(ImageList_Destroy(handle)) << "destroyed with the object";

    CImageList keeper;
    keeper.Create(8, 8, ILC_COLOR32, 0, 1);
    HIMAGELIST kept = keeper.Detach();
    EXPECT_FALSE(keeper.DeleteImageList());
    EXPECT_TRUE(ImageList_Destroy(kept));
    DestroyIcon(red);
}

TEST_F(ImagesIconTest, WmSetIconGivesTheWindowBothImagesAndAnswersTheOneBefore) {
    RecordingWindow window;
    HWND hwnd = window.CreateTopLevel();
    HICON small = Solid(16, Qt::red), big = Solid(32, Qt::blue), other = Solid(16, Qt::green);
    EXPECT_EQ(SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small)), 0);
    EXPECT_EQ(SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big)), 0);
    QIcon icon = window.Widget()->windowIcon();
    EXPECT_EQ(icon.availableSizes().size(), 2);
    EXPECT_EQ(icon.pixmap(32, 32).toImage().pixel(5, 5), QColor(Qt::blue).rgba());
    EXPECT_EQ(icon.pixmap(16, 16).toImage().pixel(5, 5), QColor(Qt::red).rgba());
    DestroyIcon(small);  // the window keeps its own images
    EXPECT_EQ(window.Widget()->windowIcon().pixmap(16, 16).toImage().pixel(5, 5), QColor(Qt::red).rgba());
    EXPECT_EQ(SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(other)),
              reinterpret_cast<LRESULT>(small));
    EXPECT_EQ(window.Widget()->windowIcon().pixmap(16, 16).toImage().pixel(5, 5), QColor(Qt::green).rgba());
    DestroyIcon(big);
    DestroyIcon(other);
}

TEST_F(ImagesIconTest, ARegisteredClassesIconIsItsWindowsIconUntilWmSetIcon) {
    HICON classIcon = Solid(32, Qt::blue);
    WNDCLASSW windowClass{};
    windowClass.hIcon = classIcon;
    windowClass.lpszClassName = u"IconTestClass";
    ASSERT_NE(RegisterClassW(&windowClass), 0);
    HWND hwnd = CreateWindowExW(0, u"IconTestClass", u"", 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    QWidget* widget = ui::WindowFromHandle(hwnd)->Widget();
    EXPECT_EQ(widget->windowIcon().pixmap(32, 32).toImage().pixel(4, 4), QColor(Qt::blue).rgba());
    HICON own = Solid(32, Qt::red);
    // The class's icon is not the window's own: no icon was set before.
    EXPECT_EQ(SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(own)), 0);
    EXPECT_EQ(widget->windowIcon().pixmap(32, 32).toImage().pixel(4, 4), QColor(Qt::red).rgba());
    DestroyWindow(hwnd);
    UnregisterClassW(u"IconTestClass", nullptr);
    DestroyIcon(own);
    DestroyIcon(classIcon);
}

}  // namespace
