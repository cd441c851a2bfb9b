#include "menu_translation.h"
#include "tesspur/tesspur.h"

#include "testsupport/fresh_machine.h"
#include "winapi/path_mapping.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A menu of the UI layer as far as the string manager sees it; it writes
// down every caption it was given.
class FakeMenu final : public TranslatableMenu {
public:
    struct Item {
        UINT id;
        std::u16string text;
        FakeMenu* subMenu = nullptr;
    };

    explicit FakeMenu(std::vector<Item> items) : items(std::move(items)) {}

    int ItemCount() const override { return static_cast<int>(items.size()); }
    UINT ItemId(int position) const override { return items.at(position).subMenu ? UINT(-1) : items.at(position).id; }
    TranslatableMenu* SubMenu(int position) override { return items.at(position).subMenu; }
    bool SetItemText(int position, std::u16string_view text) override {
        ++setCalls;
        if (refuseSet) return false;
        items.at(position).text = text;
        return true;
    }

    std::vector<Item> items;
    int setCalls = 0;
    bool refuseSet = false;
};

class MenuTranslationTest : public testsupport::FreshMachineTest {
protected:
    void SetUp() override {
        fs::path folder = machine_.root() / "LanFiles";
        fs::create_directories(folder / "DE");
        std::ofstream(folder / "DE" / "ZENTRAVIKO VYL.txt") << "Menus|Halvaran|32771=&Auschecken\n"
                                                               "Menus|Halvaran|32772=&Einchecken\n"
                                                               "Menus|Halvaran|32773=&Eigenschaften\n"
                                                               "TS|Halvaran|32771=not a menu text\n";
        std::u16string folderText = winapi::FromPosixPath(folder.string());
        gvInitStrDll(u"ZENTRAVIKO", u"ZENTRAVIKO VYL", u"DE", folderText.c_str(), nullptr);
    }
    void TearDown() override { gvInitStrDll(nullptr, nullptr, nullptr, nullptr, nullptr); }
};

TEST_F(MenuTranslationTest, TranslatesEveryCommandItemAtAnyDepthAndKeepsTheRest) {
    FakeMenu deeper({{32773, u"&Properties"}, {40000, u"&Untranslated"}});
    FakeMenu sub({{32772, u"Check &In"}, {0, u""}, {0, u"&More", &deeper}});
    FakeMenu menu({{32771, u"Check &Out"}, {0, u""}, {0, u"&Workflow", &sub}});

    EXPECT_TRUE(gbTranslateMenu(&menu, u"Menus", u"Halvaran", false));

    EXPECT_EQ(menu.items[0].text, u"&Auschecken");
    EXPECT_EQ(menu.items[1].text, u"");
    EXPECT_EQ(menu.items[2].text, u"&Workflow");  // a drop-down item's caption stays
    EXPECT_EQ(sub.items[0].text, u"&Einchecken");
    EXPECT_EQ(deeper.items[0].text, u"&Eigenschaften");
    EXPECT_EQ(deeper.items[1].text, u"&Untranslated");
    EXPECT_EQ(menu.setCalls + sub.setCalls + deeper.setCalls, 3);  // only items with a translation

    // Another category finds other texts.
    FakeMenu other({{32771, u"Check &Out"}});
    EXPECT_TRUE(gbTranslateMenu(&other, u"TS", u"Halvaran", false));
    EXPECT_EQ(other.items[0].text, u"not a menu text");
}

TEST_F(MenuTranslationTest, ASelfContainingMenuIsWalkedOnceAndFailuresAreReported) {
    FakeMenu menu({{32771, u"Check &Out"}});
    menu.items.push_back({0, u"&Again", &menu});
    EXPECT_TRUE(gbTranslateMenu(&menu, u"Menus", u"Halvaran", false));
    EXPECT_EQ(menu.items[0].text, u"&Auschecken");
    EXPECT_EQ(menu.setCalls, 1);

    FakeMenu refusing({{32771, u"Check &Out"}, {32772, u"Check &In"}});
    refusing.refuseSet = true;
    EXPECT_FALSE(gbTranslateMenu(&refusing, u"Menus", u"Halvaran", false));
    EXPECT_EQ(refusing.setCalls, 2);  // the second item was still tried

    EXPECT_FALSE(gbTranslateMenu(nullptr, u"Menus", u"Halvaran", false));
}

}  // namespace
