// The folder dialog of gbSelProj: the item folders as a tree, the chosen
// folder's path in an edit below it, OK and Cancel. Choosing a row writes
// its path into the edit; typing a path chooses its row. OK takes the folder
// the edit names (a path that names none is refused with a message, and the
// dialog stays); Cancel chooses nothing.
//
// For tests and scripts the dialog is named "SelectFolder"; the path edit is
// IDC_SELPROJ_PATH, OK and Cancel are IDOK and IDCANCEL.
#pragma once

#include "item_folders.h"
#include "ui/dialog.h"

#include <memory>
#include <string>

namespace yandrel {

enum : int {
    IDC_SELPROJ_TREE = 1001,
    IDC_SELPROJ_PATH_LABEL = 1002,
    IDC_SELPROJ_PATH = 1003,
};

inline constexpr char kFolderDialogName[] = "SelectFolder";

class FolderTreeControl;

class FolderDialog : public ui::Dialog {
public:
    // The dialog's template with `caption` as its title.
    static ui::DialogTemplate MakeTemplate(std::u16string caption);

    // `dialogTemplate` (from MakeTemplate) and `folders` must outlive the
    // dialog. The row of `initialFolderId` is chosen at first, the root's
    // when the tree has none.
    FolderDialog(const ui::DialogTemplate& dialogTemplate, const ItemFolderTree& folders, std::u16string basePath,
                 LONG initialFolderId);
    ~FolderDialog() override;

    // The folder chosen with OK; 0 before and after Cancel.
    LONG ChosenFolderId() const { return chosenId_; }
    // The folders the tree shows, one shown path each, in row order (for
    // tests); the row chosen, 0 when none.
    std::vector<std::u16string> ShownRows() const;
    LONG SelectedRowFolderId() const;
    // Chooses the row of folder `id`, as a click on it would; false when the
    // tree has no row for it.
    bool SelectRow(LONG id);

protected:
    BOOL OnInitDialog() override;
    void OnCommand(int id, int notifyCode, HWND control) override;

private:
    void FillTree();
    void TakeRowSelection();

    const ItemFolderTree& folders_;
    std::u16string basePath_;
    LONG initialId_;
    LONG chosenId_ = 0;
    std::unique_ptr<FolderTreeControl> tree_;
    bool syncing_ = false;  // the edit and the tree are being brought in line
};

}  // namespace yandrel
