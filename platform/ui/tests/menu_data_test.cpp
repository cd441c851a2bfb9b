// Menus as data: building and editing HMENUs, menu resources, and the
// failures the platform reports.
#include "ui/menu_resource.h"
#include "ui/menus.h"
#include "ui_testing/ui_test.h"
#include "winapi/errors.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

class MenuDataTest : public ui_testing::UiTest {};

// A menu in one line: "id:text" per item, "-" for a separator, flags in
// brackets (G grayed, D disabled, C checked, O owner-drawn with its data),
// a submenu in braces.
std::string Describe(HMENU menu) {
    std::string out;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (i) out += " ";
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA | MIIM_STRING;
        char16_t text[64] = {};
        info.dwTypeData = text;
        info.cch = 64;
        EXPECT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info));
        if (info.fType & MFT_SEPARATOR) {
            out += "-";
            continue;
        }
        out += std::to_string(info.wID) + ":";
        for (char16_t* c = text; *c; ++c) out += static_cast<char>(*c);
        std::string flags;
        if ((info.fState & MFS_GRAYED) == MF_GRAYED) flags += "G";
        if ((info.fState & MFS_GRAYED) == MF_DISABLED) flags += "D";
        if (info.fState & MFS_CHECKED) flags += "C";
        if (info.fType & MFT_OWNERDRAW) flags += "O" + std::to_string(info.dwItemData);
        if (!flags.empty()) out += "[" + flags + "]";
        if (info.hSubMenu) out += "{" + Describe(info.hSubMenu) + "}";
    }
    return out;
}

// File {New, Open, -, Exit}, Edit {Copy}.
HMENU MakeSample() {
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, 57600, u"New");
    AppendMenuW(file, MF_STRING, 57601, u"Open");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING, 57665, u"Exit");
    HMENU edit = CreatePopupMenu();
    AppendMenuW(edit, MF_STRING, 57634, u"Copy");
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), u"File");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), u"Edit");
    return bar;
}

struct EditCase {
    const char* name;
    std::function<void(HMENU bar)> edit;
    const char* expected;
};

TEST_F(MenuDataTest, EditsChangeTheItemsAsThePlatformDoes) {
    const EditCase cases[] = {
        {"as built", [](HMENU) {}, "0:File{57600:New 57601:Open - 57665:Exit} 0:Edit{57634:Copy}"},
        {"append by command lands in the submenu holding the id",
         [](HMENU bar) { InsertMenuW(bar, 57665, MF_BYCOMMAND | MF_STRING, 57602, u"Close"); },
         "0:File{57600:New 57601:Open - 57602:Close 57665:Exit} 0:Edit{57634:Copy}"},
        {"insert by position, past the end appends",
         [](HMENU bar) {
             InsertMenuW(GetSubMenu(bar, 1), 0, MF_BYPOSITION | MF_GRAYED, 57635, u"Cut");
             InsertMenuW(GetSubMenu(bar, 1), 99, MF_BYPOSITION | MF_CHECKED, 57637, u"Paste");
         },
         "0:File{57600:New 57601:Open - 57665:Exit} 0:Edit{57635:Cut[G] 57634:Copy 57637:Paste[C]}"},
        {"enable, grey, disable and check by command and by position",
         [](HMENU bar) {
             EnableMenuItem(bar, 57600, MF_BYCOMMAND | MF_GRAYED);
             EnableMenuItem(GetSubMenu(bar, 0), 1, MF_BYPOSITION | MF_DISABLED);
             CheckMenuItem(bar, 57634, MF_BYCOMMAND | MF_CHECKED);
         },
         "0:File{57600:New[G] 57601:Open[D] - 57665:Exit} 0:Edit{57634:Copy[C]}"},
        {"modify replaces id, text and state",
         [](HMENU bar) { ModifyMenuW(bar, 57665, MF_BYCOMMAND | MF_STRING | MF_GRAYED, 57602, u"&Close"); },
         "0:File{57600:New 57601:Open - 57602:&Close[G]} 0:Edit{57634:Copy}"},
        {"set item info changes only the fields named",
         [](HMENU bar) {
             MENUITEMINFOW info{};
             info.cbSize = sizeof(info);
             info.fMask = MIIM_ID | MIIM_STRING;
             info.wID = 57602;
             info.dwTypeData = const_cast<LPWSTR>(u"&Close");
             SetMenuItemInfoW(bar, 57665, FALSE, &info);
         },
         "0:File{57600:New 57601:Open - 57602:&Close} 0:Edit{57634:Copy}"},
        {"owner-drawn items keep their data and no text",
         [](HMENU bar) {
             AppendMenuW(GetSubMenu(bar, 1), MF_OWNERDRAW, 32794, reinterpret_cast<LPCWSTR>(uintptr_t{77}));
             MENUITEMINFOW info{};
             info.cbSize = sizeof(info);
             info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA;
             info.fType = MFT_OWNERDRAW;
             info.wID = 32795;
             info.dwItemData = 78;
             InsertMenuItemW(GetSubMenu(bar, 1), 0, TRUE, &info);
         },
         "0:File{57600:New 57601:Open - 57665:Exit} 0:Edit{32795:[O78] 57634:Copy 32794:[O77]}"},
        {"remove and delete by command and by position",
         [](HMENU bar) {
             RemoveMenu(bar, 57601, MF_BYCOMMAND);
             DeleteMenu(GetSubMenu(bar, 0), 1, MF_BYPOSITION);
         },
         "0:File{57600:New 57665:Exit} 0:Edit{57634:Copy}"},
        {"a submenu set on a command item makes it a popup that keeps its id",
         [](HMENU bar) {
             HMENU versions = CreatePopupMenu();
             AppendMenuW(versions, MF_STRING, 32794, u"1. <Created>");
             MENUITEMINFOW info{};
             info.cbSize = sizeof(info);
             info.fMask = MIIM_SUBMENU;
             info.hSubMenu = versions;
             SetMenuItemInfoW(bar, 57601, FALSE, &info);
         },
         "0:File{57600:New 57601:Open{32794:1. <Created>} - 57665:Exit} 0:Edit{57634:Copy}"},
    };
    for (const EditCase& c : cases) {
        HMENU bar = MakeSample();
        c.edit(bar);
        EXPECT_EQ(Describe(bar), c.expected) << c.name;
        EXPECT_TRUE(DestroyMenu(bar));
    }
}

TEST_F(MenuDataTest, QueriesAnswerIdsStatesAndTexts) {
    HMENU bar = MakeSample();
    HMENU file = GetSubMenu(bar, 0);
    EXPECT_EQ(GetMenuItemCount(bar), 2);
    EXPECT_EQ(GetMenuItemID(bar, 0), 0xFFFFFFFFu) << "a popup item has no command id";
    EXPECT_EQ(GetMenuItemID(file, 3), 57665u);
    EXPECT_EQ(GetMenuItemID(file, 4), 0xFFFFFFFFu);
    EXPECT_EQ(GetSubMenu(file, 0), nullptr);
    EXPECT_EQ(GetMenuState(file, 2, MF_BYPOSITION), static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(GetMenuState(bar, 0, MF_BYPOSITION) & 0xFF, static_cast<UINT>(MF_POPUP));
    EXPECT_EQ(GetMenuState(bar, 0, MF_BYPOSITION) >> 8, 4u) << "a popup's item count";

    EXPECT_EQ(EnableMenuItem(bar, 57601, MF_GRAYED), MF_ENABLED);
    EXPECT_EQ(EnableMenuItem(bar, 57601, MF_ENABLED), MF_GRAYED);
    EXPECT_EQ(EnableMenuItem(bar, 12345, MF_GRAYED), -1);
    EXPECT_EQ(CheckMenuItem(bar, 57601, MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
    EXPECT_EQ(CheckMenuItem(bar, 57601, MF_UNCHECKED), static_cast<DWORD>(MF_CHECKED));
    EXPECT_EQ(CheckMenuItem(bar, 12345, MF_CHECKED), 0xFFFFFFFFu);

    // Texts: the length with no buffer, a cut copy into a short one.
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    EXPECT_TRUE(GetMenuItemInfoW(bar, 57665, FALSE, &info));
    EXPECT_EQ(info.cch, 4u);
    char16_t shortBuffer[3] = {u'x', u'x', u'x'};
    info.dwTypeData = shortBuffer;
    info.cch = 3;
    EXPECT_TRUE(GetMenuItemInfoW(bar, 57665, FALSE, &info));
    EXPECT_EQ(std::u16string(shortBuffer), u"Ex");
    EXPECT_EQ(info.cch, 2u);
    char16_t buffer[16];
    EXPECT_EQ(GetMenuStringW(bar, 57601, buffer, 16, MF_BYCOMMAND), 4);
    EXPECT_EQ(std::u16string(buffer), u"Open");
    DestroyMenu(bar);
}

TEST_F(MenuDataTest, SubmenusGoWithTheirMenuUnlessRemoved) {
    HMENU bar = MakeSample();
    HMENU file = GetSubMenu(bar, 0);
    HMENU edit = GetSubMenu(bar, 1);
    EXPECT_TRUE(RemoveMenu(bar, 1, MF_BYPOSITION));
    EXPECT_TRUE(IsMenu(edit)) << "RemoveMenu hands the submenu back";
    EXPECT_TRUE(DeleteMenu(bar, 0, MF_BYPOSITION));
    EXPECT_FALSE(IsMenu(file)) << "DeleteMenu destroys it";
    EXPECT_EQ(GetMenuItemCount(bar), 0);

    HMENU outer = CreatePopupMenu();
    AppendMenuW(outer, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), u"Edit");
    EXPECT_TRUE(DestroyMenu(outer));
    EXPECT_FALSE(IsMenu(edit)) << "DestroyMenu destroys the submenus";
    EXPECT_TRUE(DestroyMenu(bar));
}

TEST_F(MenuDataTest, BadHandlesAndItemsFailWithThePlatformsErrors) {
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, u"One");
    DestroyMenu(menu);
    SetLastError(0);
    EXPECT_EQ(GetMenuItemCount(menu), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MENU_HANDLE));
    EXPECT_FALSE(AppendMenuW(menu, MF_STRING, 2, u"Two"));
    EXPECT_FALSE(DestroyMenu(menu));
    EXPECT_FALSE(IsMenu(menu));

    HMENU live = CreatePopupMenu();
    EXPECT_FALSE(AppendMenuW(live, MF_POPUP, reinterpret_cast<UINT_PTR>(menu), u"Gone"))
        << "a destroyed submenu cannot be added";
    SetLastError(0);
    EXPECT_FALSE(DeleteMenu(live, 7, MF_BYCOMMAND));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MENU_ITEM_NOT_FOUND));
    MENUITEMINFOW info{};
    info.cbSize = 8;  // not a size the platform knows
    EXPECT_FALSE(InsertMenuItemW(live, 0, TRUE, &info));
    EXPECT_EQ(GetMenuItemCount(live), 0);
    DestroyMenu(live);
}

TEST_F(MenuDataTest, EachLoadOfAResourceIsAnIndependentCopy) {
    ui::RegisterMenuResource(
        {134,
         {{0,
           u"ItemAndFile",
           MF_POPUP,
           {{32879, u"Open In New Window"}, ui::MenuRow::Separator(), {32929, u"&Delete\tDel"}}}}});
    ui::RegisterMenuResource({u"Named", {{7, u"Seven"}}});
    HMENU first = LoadMenuW(nullptr, MAKEINTRESOURCEW(134));
    HMENU second = LoadMenuW(nullptr, MAKEINTRESOURCEW(134));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(GetSubMenu(first, 0), GetSubMenu(second, 0));
    EXPECT_EQ(Describe(first), "0:ItemAndFile{32879:Open In New Window - 32929:&Delete\tDel}");
    DeleteMenu(GetSubMenu(first, 0), 32879, MF_BYCOMMAND);
    ModifyMenuW(first, 32929, MF_BYCOMMAND | MF_GRAYED, 32942, u"Delete");
    EXPECT_EQ(Describe(first), "0:ItemAndFile{- 32942:Delete[G]}");
    EXPECT_EQ(Describe(second), "0:ItemAndFile{32879:Open In New Window - 32929:&Delete\tDel}");
    DestroyMenu(first);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(second, 0)), 3);
    DestroyMenu(second);

    HMENU named = LoadMenuW(nullptr, u"named");
    EXPECT_EQ(Describe(named), "7:Seven") << "names compare without case";
    DestroyMenu(named);

    EXPECT_TRUE(ui::UnregisterMenuResource(134));
    SetLastError(0);
    EXPECT_EQ(LoadMenuW(nullptr, MAKEINTRESOURCEW(134)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    ui::UnregisterMenuResource(u"Named");
}

}  // namespace
