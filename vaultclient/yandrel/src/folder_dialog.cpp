#include "folder_dialog.h"

#include "ui/framework/wnd.h"
#include "ui/message_box.h"
#include "ui/toolkit/report/report_column.h"
#include "ui/toolkit/report/report_control.h"
#include "ui/toolkit/report/report_record.h"
#include "ui/toolkit/report/report_record_item_text.h"
#include "ui/toolkit/report/report_records.h"
#include "ui/toolkit/report/report_row.h"
#include "ui/toolkit/report/report_rows.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"
#include "ui/window_styles.h"

#include <functional>
#include <map>

namespace yandrel {

// The tree of folders: one record per folder, each folder's sub-folders
// its child records.
class FolderTreeControl : public CXTPReportControl {
public:
    std::function<void()> onSelectionChanged;

    void OnSelectionChanged() override {
        CXTPReportControl::OnSelectionChanged();
        if (onSelectionChanged) onSelectionChanged();
    }
};

namespace {

class FolderRecord : public CXTPReportRecord {
public:
    FolderRecord(LONG folderId, const std::u16string& caption) : folderId_(folderId) {
        AddItem(new CXTPReportRecordItemText(caption.c_str()));
    }
    LONG FolderId() const { return folderId_; }

private:
    LONG folderId_;
};

LONG FolderOfRow(const CXTPReportRow* row) {
    const auto* record = row ? dynamic_cast<const FolderRecord*>(row->GetRecord()) : nullptr;
    return record ? record->FolderId() : 0;
}

}  // namespace

ui::DialogTemplate FolderDialog::MakeTemplate(std::u16string caption) {
    return ui::DialogTemplate{
        0,
        kFolderDialogName,
        std::move(caption),
        240,
        190,
        u"MS Shell Dlg",
        8,
        {
            {IDC_SELPROJ_PATH_LABEL, ui::ControlKind::Static, u"Folder:", 7, 152, 30, 8, SS_LEFT},
            {IDC_SELPROJ_PATH, ui::ControlKind::Edit, u"", 40, 150, 193, 14, WS_TABSTOP},
            {IDOK, ui::ControlKind::Button, u"OK", 126, 169, 50, 14, WS_TABSTOP | BS_DEFPUSHBUTTON},
            {IDCANCEL, ui::ControlKind::Button, u"Cancel", 183, 169, 50, 14, WS_TABSTOP},
        },
    };
}

FolderDialog::FolderDialog(const ui::DialogTemplate& dialogTemplate, const ItemFolderTree& folders,
                           std::u16string basePath, LONG initialFolderId)
    : ui::Dialog(dialogTemplate), folders_(folders), basePath_(std::move(basePath)), initialId_(initialFolderId) {}

FolderDialog::~FolderDialog() {
    if (Exists()) DestroyWindow(Handle());
}

BOOL FolderDialog::OnInitDialog() {
    tree_ = std::make_unique<FolderTreeControl>();
    const RECT area = MapDialogUnits(RECT{7, 7, 233, 144});
    if (!tree_->Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, area, CWnd::FromHandle(Handle()),
                       IDC_SELPROJ_TREE))
        return FALSE;
    tree_->ShowHeader(FALSE);
    CXTPReportColumn* column = tree_->AddColumn(new CXTPReportColumn(0, u"Folder", area.right - area.left));
    column->SetTreeColumn(TRUE);
    FillTree();
    tree_->onSelectionChanged = [this] { TakeRowSelection(); };
    if (!SelectRow(initialId_) && !folders_.Folders().empty()) SelectRow(folders_.Folders().front().id);
    return TRUE;
}

void FolderDialog::FillTree() {
    std::map<LONG, CXTPReportRecord*> records;
    for (const ItemFolder& folder : folders_.Folders()) {
        // The root stands for the base path; the others show their names.
        auto* record =
            new FolderRecord(folder.id, folder.depth == 0 ? ItemFolderTree::ShownPath(folder, basePath_) : folder.name);
        record->SetExpanded(TRUE);
        const auto parent = records.find(folder.parentId);
        if (folder.depth > 0 && parent != records.end())
            parent->second->GetChilds()->Add(record);
        else
            tree_->AddRecord(record);
        records[folder.id] = record;
    }
    tree_->Populate();
}

std::vector<std::u16string> FolderDialog::ShownRows() const {
    std::vector<std::u16string> rows;
    if (!tree_) return rows;
    for (int i = 0; i < tree_->GetRows()->GetCount(); ++i)
        if (const ItemFolder* folder = folders_.Find(FolderOfRow(tree_->GetRows()->GetAt(i))))
            rows.push_back(ItemFolderTree::ShownPath(*folder, basePath_));
    return rows;
}

LONG FolderDialog::SelectedRowFolderId() const { return tree_ ? FolderOfRow(tree_->GetFocusedRow()) : 0; }

bool FolderDialog::SelectRow(LONG id) {
    if (!tree_ || id == 0) return false;
    for (int i = 0; i < tree_->GetRows()->GetCount(); ++i) {
        CXTPReportRow* row = tree_->GetRows()->GetAt(i);
        if (FolderOfRow(row) != id) continue;
        tree_->SetFocusedRow(row);
        // A row that was chosen already changes no selection: the edit is
        // brought in line all the same.
        TakeRowSelection();
        return true;
    }
    return false;
}

void FolderDialog::TakeRowSelection() {
    if (syncing_) return;
    const ItemFolder* folder = folders_.Find(SelectedRowFolderId());
    if (!folder) return;
    syncing_ = true;
    SetControlText(IDC_SELPROJ_PATH, ItemFolderTree::ShownPath(*folder, basePath_));
    syncing_ = false;
}

void FolderDialog::OnCommand(int id, int notifyCode, HWND control) {
    if (id == IDC_SELPROJ_PATH && notifyCode == EN_CHANGE) {
        if (syncing_) return;
        if (const ItemFolder* folder = folders_.FindShownPath(ControlText(IDC_SELPROJ_PATH), basePath_)) {
            syncing_ = true;
            for (int i = 0; i < tree_->GetRows()->GetCount(); ++i)
                if (FolderOfRow(tree_->GetRows()->GetAt(i)) == folder->id)
                    tree_->SetFocusedRow(tree_->GetRows()->GetAt(i));
            syncing_ = false;
        }
        return;
    }
    if (id == IDOK) {
        const std::u16string path = ControlText(IDC_SELPROJ_PATH);
        const ItemFolder* folder = folders_.FindShownPath(path, basePath_);
        if (!folder) {
            const std::u16string text = u"'" + path + u"' is not an item folder.";
            const std::u16string caption = Caption();
            MessageBoxW(Handle(), text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
            return;
        }
        chosenId_ = folder->id;
    } else if (id == IDCANCEL) {
        chosenId_ = 0;
    }
    ui::Dialog::OnCommand(id, notifyCode, control);
}

}  // namespace yandrel
