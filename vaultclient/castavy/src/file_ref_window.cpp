#include "file_ref_window.h"

#include "common/error_catalogue.h"
#include "com/bstr.h"
#include "com/error_info.h"
#include "ui/input.h"
#include "ui/menus.h"
#include "ui/message_box.h"
#include "ui/notify_header.h"
#include "ui/toolkit/report/report_column.h"
#include "ui/toolkit/report/report_columns.h"
#include "ui/toolkit/report/report_control.h"
#include "ui/toolkit/report/report_notify.h"
#include "ui/toolkit/report/report_record.h"
#include "ui/toolkit/report/report_record_item.h"
#include "ui/toolkit/report/report_records.h"
#include "ui/toolkit/report/report_row.h"
#include "ui/toolkit/report/report_rows.h"
#include "ui/toolkit/report/report_selected_rows.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"
#include "ui/window_value.h"

#include <algorithm>

namespace castavy {

using namespace CASTAVYLib;

namespace {

// Dialog units.
constexpr short kMargin = 7;
constexpr short kTreeHeight = 150;
constexpr short kButtonWidth = 50;
constexpr short kButtonHeight = 14;
constexpr short kBrowseWidth = 26;
constexpr short kLabelWidth = 70;

constexpr COLORREF kDisabledText = 0x00A0A0A0;

// Where the tree lies and where the controls below it start.
struct Layout {
    short treeTop = kMargin;
    short belowTree = kMargin;
};

Layout LayoutFor(const DialogSession& session) {
    Layout layout;
    if (session.TextOr(CastavyText_Message, u"").empty()) return layout;
    layout.treeTop = kMargin + 20;
    return layout;
}

// The header of a column the command gives no text for.
std::u16string DefaultHeader(LONG column) {
    switch (column) {
    case CastavyCol_Name:
        return u"Name";
    case CastavyCol_Folder:
        return u"Found In";
    case CastavyCol_Version:
        return u"Version";
    case CastavyCol_LatestVersion:
        return u"Latest Version";
    case CastavyCol_Revision:
        return u"Revision";
    case CastavyCol_State:
        return u"State";
    case CastavyCol_NewRevision:
        return u"New Revision";
    case CastavyCol_Configuration:
        return u"Configuration";
    case CastavyCol_CheckedOutBy:
        return u"Checked Out By";
    case CastavyCol_LocalVersion:
        return u"Local Version";
    case CastavyCol_Quantity:
        return u"Quantity";
    case CastavyCol_ReferenceKind:
        return u"Reference";
    case CastavyCol_ItemNumber:
        return u"Item Name";
    case CastavyCol_Link:
        return u"Link";
    case CastavyCol_AddFile:
        return u"Add File";
    default:
        return u"";
    }
}

std::u16string HeaderOf(const DialogSession& session, LONG column) {
    if (column == CastavyCol_CreateItem) return session.TextOr(CastavyText_CreateHeader, u"Create");
    if (column == CastavyCol_ExistingItem) return session.TextOr(CastavyText_ExistingHeader, u"Existing");
    return DefaultHeader(column);
}

// A record of the tree: one row of the session.
class RowRecord : public CXTPReportRecord {
public:
    explicit RowRecord(size_t row) : row_(row) {}
    size_t Row() const { return row_; }

private:
    size_t row_;
};

// A cell: asks the window for its caption at each paint, and hands an edit
// of the item name back to it.
class RowCell : public CXTPReportRecordItem {
public:
    RowCell(FileRefWindow& window, size_t row, size_t position) : window_(window), row_(row), position_(position) {}
    CString GetCaption(CXTPReportColumn*) override { return CString(window_.CellCaption(row_, position_).c_str()); }
    void OnEditChanged(XTP_REPORTRECORDITEM_ARGS*, LPCTSTR szText) override {
        window_.ItemNameEdited(row_, szText ? std::u16string(szText) : std::u16string());
    }

private:
    FileRefWindow& window_;
    size_t row_;
    size_t position_;
};

}  // namespace

ui::DialogTemplate FileRefWindow::MakeTemplate(const DialogSession& session, short width, const std::u16string& title) {
    const short inner = static_cast<short>(width - 2 * kMargin);
    const std::u16string message = session.TextOr(CastavyText_Message, u"");
    ui::DialogTemplate made{0, kDialogName, title, width, 0, u"MS Shell Dlg", 8, {}};
    auto add = [&made](int id, ui::ControlKind kind, std::u16string text, short x, short y, short cx, short cy,
                       DWORD style) {
        made.controls.push_back({id, kind, std::move(text), x, y, cx, cy, style});
    };
    if (!session.HasTree()) {
        // The confirmation: the message, the comment, OK and Cancel.
        add(IDC_CASTAVY_MESSAGE, ui::ControlKind::Static, message, kMargin, 7, inner, 16, SS_LEFT);
        add(IDC_CASTAVY_COMMENT_LABEL, ui::ControlKind::Static, u"Comment:", kMargin, 26, inner, 8, SS_LEFT);
        add(IDC_CASTAVY_COMMENT, ui::ControlKind::Edit, u"", kMargin, 36, inner, 14,
            static_cast<DWORD>(WS_TABSTOP | (session.CommentEnabled() ? 0 : WS_DISABLED)));
        add(IDOK, ui::ControlKind::Button, u"OK", static_cast<short>(width - 114), 55, kButtonWidth, kButtonHeight,
            WS_TABSTOP | BS_DEFPUSHBUTTON);
        add(IDCANCEL, ui::ControlKind::Button, u"Cancel", static_cast<short>(width - 57), 55, kButtonWidth,
            kButtonHeight, WS_TABSTOP);
        made.cy = 74;
        return made;
    }
    const Layout layout = LayoutFor(session);
    if (!message.empty()) add(IDC_CASTAVY_MESSAGE, ui::ControlKind::Static, message, kMargin, 7, inner, 16, SS_LEFT);
    short y = static_cast<short>(layout.treeTop + kTreeHeight + 6);
    if (session.ShowsDestination()) {
        const bool mayChange = session.MayChangeDestination();
        add(IDC_CASTAVY_DESTINATION_LABEL, ui::ControlKind::Static,
            session.TextOr(CastavyText_DestinationLabel, u"Destination Folder:"), kMargin, static_cast<short>(y + 3),
            kLabelWidth, 8, SS_LEFT);
        const short editLeft = kMargin + kLabelWidth + 3;
        add(IDC_CASTAVY_DESTINATION, ui::ControlKind::Edit, u"", editLeft, y,
            static_cast<short>(width - kMargin - kBrowseWidth - 4 - editLeft), 14,
            static_cast<DWORD>(WS_TABSTOP | (mayChange ? 0 : ES_READONLY)));
        add(IDC_CASTAVY_BROWSE, ui::ControlKind::Button, session.TextOr(CastavyText_BrowseButton, u"..."),
            static_cast<short>(width - kMargin - kBrowseWidth), y, kBrowseWidth, 14,
            static_cast<DWORD>(WS_TABSTOP | (mayChange ? 0 : WS_DISABLED)));
        y = static_cast<short>(y + 20);
    }
    if (session.ShowsOption()) {
        add(IDC_CASTAVY_OPEN_ITEMS, ui::ControlKind::CheckBox,
            session.TextOr(CastavyText_OpenCheckbox, u"Open Generated Items"), kMargin, y, inner, 10, WS_TABSTOP);
        y = static_cast<short>(y + 16);
    }
    add(IDOK, ui::ControlKind::Button, u"OK", static_cast<short>(width - 171), y, kButtonWidth, kButtonHeight,
        WS_TABSTOP | BS_DEFPUSHBUTTON);
    add(IDCANCEL, ui::ControlKind::Button, u"Cancel", static_cast<short>(width - 114), y, kButtonWidth, kButtonHeight,
        WS_TABSTOP);
    add(IDC_CASTAVY_HELP, ui::ControlKind::Button, u"Help", static_cast<short>(width - 57), y, kButtonWidth,
        kButtonHeight, WS_TABSTOP);
    made.cy = static_cast<short>(y + kButtonHeight + kMargin);
    return made;
}

FileRefWindow::FileRefWindow(const ui::DialogTemplate& dialogTemplate, DialogSession& session)
    : ui::Dialog(dialogTemplate), session_(session) {}

FileRefWindow::~FileRefWindow() {
    if (Exists()) DestroyWindow(Handle());
}

LONG FileRefWindow::Value() const { return ui::WindowValue(Handle()); }

BOOL FileRefWindow::OnInitDialog() {
    if (!session_.HasTree()) {
        SetControlText(IDC_CASTAVY_COMMENT, session_.Comment());
        return TRUE;
    }
    const Layout layout = LayoutFor(session_);
    const RECT tree =
        MapDialogUnits(RECT{kMargin, layout.treeTop, Template().cx - kMargin, layout.treeTop + kTreeHeight});
    report_ = std::make_unique<CXTPReportControl>();
    const std::vector<LONG>& columns = session_.Columns();
    for (size_t position = 0; position < columns.size(); ++position) {
        const std::u16string header = HeaderOf(session_, columns[position]);
        auto* column = new CXTPReportColumn(static_cast<int>(position), header.c_str(),
                                            IsCheckColumn(columns[position]) ? 50 : 100, TRUE, -1, FALSE);
        column->SetEditable(columns[position] == CastavyCol_ItemNumber);
        if (position == 0) column->SetTreeColumn(TRUE);
        report_->AddColumn(column);
    }
    std::vector<CXTPReportRecord*> records;
    const auto& rows = session_.Rows();
    for (size_t row = 0; row < rows.size(); ++row) {
        auto* record = new RowRecord(row);
        for (size_t position = 0; position < columns.size(); ++position) {
            CXTPReportRecordItem* cell = record->AddItem(new RowCell(*this, row, position));
            cell->SetEditable(columns[position] == CastavyCol_ItemNumber);
        }
        record->SetExpanded(TRUE);
        records.push_back(record);
        if (rows[row].parent < 0)
            report_->AddRecord(record);
        else
            records[static_cast<size_t>(rows[row].parent)]->GetChilds()->Add(record);
    }
    report_->AllowEdit(TRUE);
    report_->Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, tree, CWnd::FromHandle(Handle()), IDC_CASTAVY_TREE);
    report_->Populate();
    ShowRows();
    if (session_.ShowsDestination()) SetControlText(IDC_CASTAVY_DESTINATION, session_.Destination());
    if (session_.ShowsOption())
        CheckDlgButton(Handle(), IDC_CASTAVY_OPEN_ITEMS, session_.OptionChecked() ? BST_CHECKED : BST_UNCHECKED);
    session_.DialogShown();
    return TRUE;
}

std::u16string FileRefWindow::CellCaption(size_t row, size_t position) const {
    const auto& rows = session_.Rows();
    const auto& columns = session_.Columns();
    if (row >= rows.size() || position >= columns.size()) return {};
    const ShownRow& shown = rows[row].shown;
    const LONG column = columns[position];
    if (IsCheckColumn(column)) {
        auto check = shown.checks.find(column);
        return check != shown.checks.end() && check->second.checked ? u"\u2611" : u"\u2610";
    }
    auto text = shown.texts.find(column);
    return text != shown.texts.end() ? text->second : std::u16string();
}

void FileRefWindow::ShowRows() {
    if (!report_) return;
    std::vector<CXTPReportRecord*> pending;
    for (int i = 0; i < report_->GetRecords()->GetCount(); ++i) pending.push_back(report_->GetRecords()->GetAt(i));
    const auto& rows = session_.Rows();
    const auto& columns = session_.Columns();
    while (!pending.empty()) {
        auto* record = static_cast<RowRecord*>(pending.back());
        pending.pop_back();
        if (record->HasChildren())
            for (int i = 0; i < record->GetChilds()->GetCount(); ++i) pending.push_back(record->GetChilds()->GetAt(i));
        const ShownRow& shown = rows[record->Row()].shown;
        for (size_t position = 0; position < columns.size(); ++position) {
            CXTPReportRecordItem* cell = record->GetItem(static_cast<int>(position));
            if (!cell) continue;
            auto check = shown.checks.find(columns[position]);
            const bool disabled = check != shown.checks.end() && !check->second.enabled;
            cell->SetTextColor(disabled ? kDisabledText : XTP_REPORT_COLOR_DEFAULT);
            cell->SetBold(position == 0 && shown.chosen);
        }
    }
    report_->RedrawControl();
}

void FileRefWindow::ShowFailure(HRESULT hr) {
    std::u16string text;
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        BSTR description = nullptr;
        if (SUCCEEDED(info->GetDescription(&description))) text = com::BstrText(description);
        SysFreeString(description);
        info->Release();
    }
    if (text.empty()) text = ErrorText(hr);
    MessageBoxW(Handle(), text.c_str(), Caption().c_str(), MB_OK | MB_ICONERROR);
}

bool FileRefWindow::CheckCell(size_t row, LONG column) {
    const HRESULT hr = session_.ClickCheck(row, column, Value());
    if (FAILED(hr)) ShowFailure(hr);
    ShowRows();
    return hr == S_OK;
}

void FileRefWindow::ItemNameEdited(size_t row, const std::u16string& name) {
    const HRESULT hr = session_.NameRow(row, name);
    if (FAILED(hr)) ShowFailure(hr);
    ShowRows();
}

CXTPReportRow* FileRefWindow::ShownRowOf(size_t row) const {
    if (!report_) return nullptr;
    CXTPReportRows* shown = report_->GetRows();
    for (int i = 0; i < shown->GetCount(); ++i) {
        CXTPReportRow* candidate = shown->GetAt(i);
        auto* record = candidate ? static_cast<RowRecord*>(candidate->GetRecord()) : nullptr;
        if (record && record->Row() == row) return candidate;
    }
    return nullptr;
}

bool FileRefWindow::EditItemName(size_t row, const std::u16string& name) {
    const auto& columns = session_.Columns();
    auto found = std::find(columns.begin(), columns.end(), CastavyCol_ItemNumber);
    CXTPReportRow* shown = ShownRowOf(row);
    if (!shown || found == columns.end()) return false;
    CXTPReportColumn* column = report_->GetColumns()->Find(static_cast<int>(found - columns.begin()));
    if (!column || !report_->EditItem(shown, column)) return false;
    CWnd* editor = report_->GetInplaceEdit();
    if (!editor) return false;
    SetWindowTextW(editor->GetSafeHwnd(), name.c_str());
    report_->EndEditItem(TRUE);
    return true;
}

void FileRefWindow::OpenContextMenu(const std::vector<size_t>& rows, LONG column, POINT client) {
    HMENU menu = CreatePopupMenu();
    HRESULT hr = session_.FillContextMenu(menu, rows);
    if (FAILED(hr)) {
        ShowFailure(hr);
    } else if (GetMenuItemCount(menu) > 0) {
        POINT screen = client;
        ClientToScreen(report_->GetSafeHwnd(), &screen);
        const auto command = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON,
                                                              screen.x, screen.y, 0, Handle(), nullptr));
        if (command != 0) {
            hr = session_.RunContextCommand(command, column);
            if (FAILED(hr)) ShowFailure(hr);
            ShowRows();
        }
    }
    DestroyMenu(menu);
}

bool FileRefWindow::RunScript(LPARAM lParam) {
    auto* request = reinterpret_cast<detail::ScriptRequest*>(lParam);
    if (!request) return false;
    const size_t count = session_.Rows().size();
    auto known = [count](int row) { return row >= 0 && static_cast<size_t>(row) < count; };
    switch (request->action) {
    case detail::ScriptRequest::Action::ReadRows:
        if (!request->shownRows) return false;
        request->shownRows->clear();
        for (const auto& row : session_.Rows()) request->shownRows->push_back(row.shown);
        return true;
    case detail::ScriptRequest::Action::ClickCheck:
        return request->rows.size() == 1 && known(request->rows[0]) &&
               CheckCell(static_cast<size_t>(request->rows[0]), request->column);
    case detail::ScriptRequest::Action::TypeItemName:
        return request->rows.size() == 1 && known(request->rows[0]) &&
               EditItemName(static_cast<size_t>(request->rows[0]), request->text);
    case detail::ScriptRequest::Action::OpenContextMenu: {
        if (request->rows.empty() || !report_) return false;
        std::vector<size_t> rows;
        CXTPReportSelectedRows* selection = report_->GetSelectedRows();
        selection->Clear();
        for (int row : request->rows) {
            CXTPReportRow* shown = known(row) ? ShownRowOf(static_cast<size_t>(row)) : nullptr;
            if (!shown) return false;
            selection->Add(shown);
            rows.push_back(static_cast<size_t>(row));
        }
        const auto& columns = session_.Columns();
        auto found = std::find(columns.begin(), columns.end(), request->column);
        CXTPReportColumn* column =
            found != columns.end() ? report_->GetColumns()->Find(static_cast<int>(found - columns.begin())) : nullptr;
        const CRect cell =
            column ? report_->GetItemRect(ShownRowOf(rows[0]), column) : report_->GetRowRect(ShownRowOf(rows[0]));
        OpenContextMenu(rows, found != columns.end() ? request->column : -1,
                        POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2});
        return true;
    }
    }
    return false;
}

LRESULT FileRefWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == detail::ScriptMessage()) return RunScript(lParam) ? TRUE : FALSE;
    if (message == WM_NOTIFY && report_ && lParam) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom == report_->GetSafeHwnd() && (header->code == NM_CLICK || header->code == NM_RCLICK)) {
            const auto* notify = reinterpret_cast<const ui::ReportRowNotify*>(lParam);
            const auto& columns = session_.Columns();
            const int position = notify->column ? notify->column->GetItemIndex() : -1;
            const LONG column = position >= 0 && static_cast<size_t>(position) < columns.size()
                                    ? columns[static_cast<size_t>(position)]
                                    : -1;
            if (header->code == NM_CLICK) {
                auto* record = notify->row ? static_cast<RowRecord*>(notify->row->GetRecord()) : nullptr;
                if (record && IsCheckColumn(column)) CheckCell(record->Row(), column);
            } else {
                std::vector<size_t> rows;
                CXTPReportSelectedRows* selection = report_->GetSelectedRows();
                for (int i = 0; i < selection->GetCount(); ++i) {
                    CXTPReportRow* row = selection->GetAt(i);
                    if (auto* record = row ? static_cast<RowRecord*>(row->GetRecord()) : nullptr)
                        rows.push_back(record->Row());
                }
                if (!rows.empty()) OpenContextMenu(rows, column, notify->point);
            }
            return 0;
        }
    }
    return ui::Dialog::WindowProc(message, wParam, lParam);
}

void FileRefWindow::OnCommand(int id, int notifyCode, HWND control) {
    const LONG window = Value();
    switch (id) {
    case IDC_CASTAVY_OPEN_ITEMS: {
        if (notifyCode != BN_CLICKED) break;
        const bool checked = IsDlgButtonChecked(Handle(), id) == BST_CHECKED;
        if (HRESULT hr = session_.SetOption(checked, window); FAILED(hr)) {
            CheckDlgButton(Handle(), id, checked ? BST_UNCHECKED : BST_CHECKED);
            ShowFailure(hr);
        }
        return;
    }
    case IDC_CASTAVY_BROWSE: {
        if (notifyCode != BN_CLICKED) break;
        const HRESULT hr = session_.Browse(ControlText(IDC_CASTAVY_DESTINATION), window);
        if (hr == S_OK) SetControlText(IDC_CASTAVY_DESTINATION, session_.Destination());
        if (FAILED(hr)) ShowFailure(hr);
        return;
    }
    case IDC_CASTAVY_HELP:
        if (notifyCode != BN_CLICKED) break;
        if (HRESULT hr = session_.Help(window); FAILED(hr)) ShowFailure(hr);
        return;
    case IDOK: {
        if (!session_.HasTree()) {
            session_.SetComment(ControlText(IDC_CASTAVY_COMMENT));
            break;
        }
        if (report_ && report_->IsEditMode()) report_->EndEditItem(TRUE);
        const std::u16string typed =
            session_.ShowsDestination() ? ControlText(IDC_CASTAVY_DESTINATION) : session_.Destination();
        const HRESULT hr = session_.ConfirmOk(typed, window);
        if (session_.ShowsDestination() && !session_.DestinationRefused())
            SetControlText(IDC_CASTAVY_DESTINATION, session_.Destination());
        if (hr == S_OK) break;
        if (FAILED(hr)) {
            if (!session_.DestinationRefused()) ShowFailure(hr);
        } else if (const std::u16string text = session_.RefusalText(hr); !text.empty()) {
            MessageBoxW(Handle(), text.c_str(), Caption().c_str(), MB_OK | MB_ICONEXCLAMATION);
        }
        ShowRows();
        return;
    }
    default:
        break;
    }
    ui::Dialog::OnCommand(id, notifyCode, control);
}

}  // namespace castavy
