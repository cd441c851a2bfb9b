// The customise sheet's dialog: categories on the left, the chosen
// category's commands on the right, each checked while its tool bar
// buttons are shown; the options below.
#pragma once

#include "ui/dialog.h"
#include "ui/toolkit/customize_sheet.h"

class QCheckBox;
class QListWidget;

namespace ui::detail {

class CustomizeDialog : public Dialog {
public:
    CustomizeDialog(CXTPCommandBars& commandBars, const std::vector<CXTPCustomizeCategory>& categories,
                    bool withOptions);

    // For prompters and tests, while the dialog is up.
    QListWidget* Categories() const { return categories_; }
    QListWidget* Commands() const { return commands_; }
    QCheckBox* LargeIcons() const { return largeIcons_; }

protected:
    BOOL OnInitDialog() override;

private:
    void ShowCategory(int index);
    void CommandToggled(UINT id, bool shown);

    CXTPCommandBars& commandBars_;
    const std::vector<CXTPCustomizeCategory>& categoryList_;
    bool withOptions_;
    QListWidget* categories_ = nullptr;  // children of the dialog's widget
    QListWidget* commands_ = nullptr;
    QCheckBox* largeIcons_ = nullptr;
};

}  // namespace ui::detail
