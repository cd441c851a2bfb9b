#include "ui/toolkit/customize_sheet.h"

#include "customize_dialog.h"
#include "text_conversion.h"
#include "ui/menus.h"
#include "ui/toolkit/command_bars.h"
#include "ui/window_messages.h"

#include <QCheckBox>
#include <QListWidget>

#include <algorithm>
#include <set>

namespace {

std::u16string Plain(std::u16string text) {
    if (auto tab = text.find(u'\t'); tab != std::u16string::npos) text.resize(tab);
    std::erase(text, u'&');
    return text;
}

std::u16string ItemText(HMENU menu, int position) {
    WCHAR buffer[256] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), buffer, static_cast<int>(std::size(buffer)), MF_BYPOSITION);
    return buffer;
}

void CollectCommands(HMENU menu, std::vector<CXTPCustomizeCategory::Entry>& entries) {
    for (int position = 0; position < GetMenuItemCount(menu); ++position) {
        if (HMENU sub = GetSubMenu(menu, position)) {
            CollectCommands(sub, entries);
            continue;
        }
        UINT id = GetMenuItemID(menu, position);
        if (id != 0 && id != static_cast<UINT>(-1)) entries.push_back({id, Plain(ItemText(menu, position))});
    }
}

const ui::DialogTemplate kCustomizeTemplate{
    0,
    "Customize",
    u"Customize",
    320,
    210,
    u"MS Shell Dlg",
    8,
    {
        {1001, ui::ControlKind::Static, u"Categories:", 7, 7, 100, 8},
        {1002, ui::ControlKind::Static, u"Commands (checked: shown on the tool bars):", 115, 7, 198, 8},
        {IDOK, ui::ControlKind::Button, u"Close", 263, 189, 50, 14, BS_DEFPUSHBUTTON},
    },
};

}  // namespace

// --- CXTPCustomizeCommandsPage

BOOL CXTPCustomizeCommandsPage::AddCategories(UINT menuId) {
    HMENU menu = LoadMenuW(nullptr, MAKEINTRESOURCEW(menuId));
    if (!menu) return FALSE;
    for (int position = 0; position < GetMenuItemCount(menu); ++position) {
        HMENU sub = GetSubMenu(menu, position);
        if (!sub) continue;
        CXTPCustomizeCategory category{Plain(ItemText(menu, position)), {}};
        CollectCommands(sub, category.entries);
        categories_.push_back(std::move(category));
    }
    DestroyMenu(menu);
    return TRUE;
}

void CXTPCustomizeCommandsPage::InsertAllCommandsCategory() {
    CXTPCustomizeCategory all{u"All Commands", {}};
    std::set<UINT> seen;
    for (const auto& category : categories_)
        for (const auto& entry : category.entries)
            if (entry.id != 0 && seen.insert(entry.id).second) all.entries.push_back(entry);
    std::sort(all.entries.begin(), all.entries.end(),
              [](const auto& a, const auto& b) { return a.caption < b.caption; });
    categories_.push_back(std::move(all));
}

BOOL CXTPCustomizeCommandsPage::InsertBuiltInMenus(UINT menuId) {
    HMENU menu = LoadMenuW(nullptr, MAKEINTRESOURCEW(menuId));
    if (!menu) return FALSE;
    CXTPCustomizeCategory builtIn{u"Built-in Menus", {}};
    for (int position = 0; position < GetMenuItemCount(menu); ++position)
        if (GetSubMenu(menu, position)) builtIn.entries.push_back({0, Plain(ItemText(menu, position))});
    DestroyMenu(menu);
    categories_.push_back(std::move(builtIn));
    return TRUE;
}

void CXTPCustomizeCommandsPage::InsertNewMenuCategory() { categories_.push_back({u"New Menu", {}}); }

// --- CXTPCustomizeSheet

CXTPCustomizeSheet::CXTPCustomizeSheet(CXTPCommandBars* commandBars) : commandBars_(commandBars) {}

CXTPCustomizeSheet::~CXTPCustomizeSheet() = default;

INT_PTR CXTPCustomizeSheet::DoModal() {
    if (!commandBars_) return -1;
    ui::detail::CustomizeDialog dialog(*commandBars_, commands_.GetCategories(), options_ != nullptr);
    return dialog.DoModal(commandBars_->GetSite());
}

// --- the dialog

namespace ui::detail {

CustomizeDialog::CustomizeDialog(CXTPCommandBars& commandBars, const std::vector<CXTPCustomizeCategory>& categories,
                                 bool withOptions)
    : Dialog(kCustomizeTemplate), commandBars_(commandBars), categoryList_(categories), withOptions_(withOptions) {}

BOOL CustomizeDialog::OnInitDialog() {
    auto place = [this](QWidget* widget, RECT units) {
        RECT pixels = MapDialogUnits(units);
        widget->setGeometry(pixels.left, pixels.top, pixels.right - pixels.left, pixels.bottom - pixels.top);
    };
    categories_ = new QListWidget(Widget());
    categories_->setObjectName(QStringLiteral("categories"));
    place(categories_, RECT{7, 18, 107, withOptions_ ? 165 : 182});
    commands_ = new QListWidget(Widget());
    commands_->setObjectName(QStringLiteral("commands"));
    place(commands_, RECT{115, 18, 313, withOptions_ ? 165 : 182});
    for (const auto& category : categoryList_) categories_->addItem(ToQString(category.name));
    QObject::connect(categories_, &QListWidget::currentRowChanged, categories_, [this](int row) { ShowCategory(row); });
    QObject::connect(commands_, &QListWidget::itemChanged, commands_, [this](QListWidgetItem* item) {
        UINT id = item->data(Qt::UserRole).toUInt();
        if (id != 0 && (item->flags() & Qt::ItemIsUserCheckable)) CommandToggled(id, item->checkState() == Qt::Checked);
    });
    if (withOptions_) {
        largeIcons_ = new QCheckBox(QStringLiteral("Large icons"), Widget());
        largeIcons_->setObjectName(QStringLiteral("largeIcons"));
        place(largeIcons_, RECT{7, 170, 200, 182});
        largeIcons_->setChecked(commandBars_.GetLargeIcons());
        QObject::connect(largeIcons_, &QCheckBox::toggled, largeIcons_,
                         [this](bool on) { commandBars_.SetLargeIcons(on ? TRUE : FALSE); });
    }
    if (!categoryList_.empty()) categories_->setCurrentRow(0);
    return TRUE;
}

void CustomizeDialog::ShowCategory(int index) {
    QSignalBlocker quiet(commands_);
    commands_->clear();
    if (index < 0 || index >= static_cast<int>(categoryList_.size())) return;
    for (const auto& entry : categoryList_[index].entries) {
        auto* item = new QListWidgetItem(ToQString(entry.caption), commands_);
        item->setData(Qt::UserRole, entry.id);
        // Only commands that have tool bar buttons can be shown or hidden.
        CXTPControl* control =
            entry.id ? commandBars_.FindControl(xtpControlError, static_cast<int>(entry.id), FALSE, FALSE) : nullptr;
        if (control) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(control->IsVisible() ? Qt::Checked : Qt::Unchecked);
        } else {
            item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
        }
    }
}

void CustomizeDialog::CommandToggled(UINT id, bool shown) {
    commandBars_.ForEachControl([id, shown](CXTPControl& control) {
        if (control.GetID() == static_cast<int>(id)) control.SetVisible(shown ? TRUE : FALSE);
    });
}

}  // namespace ui::detail
