// The file-reference dialog's window: a ui::Dialog (named
// castavy::kDialogName for the prompter) showing a DialogSession - the
// reference tree in a report control, the destination folder with its
// browse button, the option check box - or, for a command without tree
// columns, its message and the comment. The user's input goes to the
// session; the script actions of castavy/dialog_script.h arrive as the
// script message and take the same paths.
#pragma once

#include "dialog_session.h"

#include "ui/dialog.h"
#include "ui/dialog_template.h"

#include <memory>
#include <string>
#include <vector>

class CXTPReportControl;
class CXTPReportRow;

namespace castavy {

class FileRefWindow : public ui::Dialog {
public:
    // A template for `session`, `width` dialog units wide, titled `title`.
    static ui::DialogTemplate MakeTemplate(const DialogSession& session, short width, const std::u16string& title);

    // `dialogTemplate` (from MakeTemplate) and `session` outlive the window.
    FileRefWindow(const ui::DialogTemplate& dialogTemplate, DialogSession& session);
    ~FileRefWindow() override;

    // The caption of the cell of row `row` in the column at `position`
    // (as the tree shows it).
    std::u16string CellCaption(size_t row, size_t position) const;
    // The user committed an in-place edit of row `row`'s item name.
    void ItemNameEdited(size_t row, const std::u16string& name);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnInitDialog() override;
    void OnCommand(int id, int notifyCode, HWND control) override;

private:
    LONG Value() const;
    // Shows a failure of the command object or a row (its error info when
    // it left one) in an error message box.
    void ShowFailure(HRESULT hr);
    void ShowRows();
    bool CheckCell(size_t row, LONG column);
    bool EditItemName(size_t row, const std::u16string& name);
    void OpenContextMenu(const std::vector<size_t>& rows, LONG column, POINT client);
    bool RunScript(LPARAM request);
    CXTPReportRow* ShownRowOf(size_t row) const;

    DialogSession& session_;  // Not owned.
    std::unique_ptr<CXTPReportControl> report_;
};

}  // namespace castavy
