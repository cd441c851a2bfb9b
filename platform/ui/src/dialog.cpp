#include "ui/dialog.h"

#include "dialog_control.h"
#include "handle_table.h"
#include "text_conversion.h"
#include "ui/device_context.h"
#include "ui/message_queue.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"
#include "ui/window_placement.h"
#include "ui/window_styles.h"
#include "winapi/errors.h"

#include <QApplication>
#include <QDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPushButton>

namespace ui {
namespace {

// The dialog's widget. Enter and Escape become the dialog's commands (the
// title bar's close button is a WM_CLOSE, as for every window); only the
// dialog's code closes it.
class DialogWidget : public QDialog {
public:
    DialogWidget(QWidget* owner, int defaultId) : QDialog(owner), defaultId_(defaultId) {}
    HWND hwnd = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Command(defaultId_);
            break;
        case Qt::Key_Escape:
            Command(IDCANCEL);
            break;
        default:
            QDialog::keyPressEvent(event);
            return;
        }
        event->accept();
    }

private:
    void Command(int id) {
        if (IsWindow(hwnd)) SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    }
    int defaultId_;
};

// "MS Shell Dlg" and faces this machine lacks become the desktop's font;
// a size below the desktop's is raised to it, so dialogs read as well as
// the rest of the desktop (the layout follows, being in dialog units).
QFont DialogFont(const DialogTemplate& dialogTemplate) {
    QFont font = QApplication::font();
    QString face = detail::ToQString(dialogTemplate.fontFace);
    if (!face.isEmpty() && QFontDatabase::hasFamily(face)) font.setFamily(face);
    if (dialogTemplate.fontPointSize > font.pointSize()) font.setPointSize(dialogTemplate.fontPointSize);
    return font;
}

int MulDiv(int value, int numerator, int denominator) {
    return static_cast<int>((static_cast<long long>(value) * numerator + denominator / 2) / denominator);
}

}  // namespace

Dialog::Dialog(const DialogTemplate& dialogTemplate) : template_(dialogTemplate) {}

Dialog::~Dialog() {
    // While the derived parts still exist, so WM_DESTROY reaches them.
    if (Exists()) DestroyWindow(Handle());
}

HWND Dialog::CreateWindowAndControls(HWND owner, bool modal) {
    if (Exists() || !detail::WidgetsAvailable()) return nullptr;
    QWidget* ownerWidget = nullptr;
    if (owner) {
        Window* ownerWindow = detail::WindowOrError(owner);
        if (!ownerWindow || !ownerWindow->Widget()) return nullptr;
        ownerWidget = ownerWindow->Widget();
    }
    int defaultId = IDOK;
    for (const auto& control : template_.controls)
        if (control.kind == ControlKind::Button && (control.style & BS_DEFPUSHBUTTON)) defaultId = control.id;

    auto* widget = new DialogWidget(ownerWidget, defaultId);
    HWND hwnd = Attach(widget, owner, false, u"#32770");
    if (!hwnd) return nullptr;
    widget->hwnd = hwnd;
    widget->setWindowTitle(detail::ToQString(template_.caption));
    widget->setFont(DialogFont(template_));
    QFontMetrics metrics(widget->font());
    // The base units as the system has always measured them: half the
    // average width of the 52 letters (rounded) and the font's height.
    int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseUnitX_ = (letters / 26 + 1) / 2;
    baseUnitY_ = metrics.height();
    RECT client = MapDialogUnits(RECT{0, 0, template_.cx, template_.cy});
    widget->setFixedSize(client.right, client.bottom);

    modal_ = modal;
    ended_ = false;
    running_ = false;
    result_ = 0;
    controls_.clear();
    for (const auto& entry : template_.controls) {
        RECT pixels = MapDialogUnits(RECT{entry.x, entry.y, entry.x + entry.cx, entry.y + entry.cy});
        auto control = detail::DialogControl::Create(
            entry, hwnd, widget,
            QRect(pixels.left, pixels.top, pixels.right - pixels.left, pixels.bottom - pixels.top));
        if (!control) {
            DestroyWindow(hwnd);
            return nullptr;
        }
        controls_.push_back(std::move(control));
    }
    CenterWindow(hwnd, owner);
    SendMessageW(hwnd, WM_INITDIALOG, 0, 0);
    // The colours the initialised dialog gives its controls (WM_CTLCOLOR).
    for (const auto& control : controls_) {
        if (!IsWindow(hwnd)) break;
        static_cast<detail::DialogControl&>(*control).ApplyDialogColours();
    }
    return IsWindow(hwnd) ? hwnd : nullptr;
}

HWND Dialog::Create(HWND owner) { return CreateWindowAndControls(owner, false); }

INT_PTR Dialog::DoModal(HWND owner) {
    HWND hwnd = CreateWindowAndControls(owner, true);
    if (!hwnd) return -1;
    INT_PTR result = ended_ ? result_ : CurrentPrompter().RunModalDialog(*this);
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
    return result;
}

RECT Dialog::MapDialogUnits(const RECT& units) const {
    return RECT{MulDiv(units.left, baseUnitX_, 4), MulDiv(units.top, baseUnitY_, 8), MulDiv(units.right, baseUnitX_, 4),
                MulDiv(units.bottom, baseUnitY_, 8)};
}

Window* Dialog::Control(int controlId) const {
    for (const auto& control : controls_)
        if (static_cast<const detail::DialogControl&>(*control).Id() == controlId && control->Exists())
            return control.get();
    return nullptr;
}

HWND Dialog::GetDlgItem(int controlId) const {
    Window* control = Control(controlId);
    return control ? control->Handle() : nullptr;
}

int Dialog::DialogId() const { return template_.id; }
std::string Dialog::DialogName() const { return template_.name; }
std::u16string Dialog::Caption() const { return Text(); }

std::u16string Dialog::ControlText(int controlId) const {
    Window* control = Control(controlId);
    return control ? control->Text() : std::u16string();
}

bool Dialog::SetControlText(int controlId, std::u16string_view text) {
    Window* control = Control(controlId);
    if (!control) return false;
    control->SetText(text);
    return true;
}

bool Dialog::PressButton(int controlId) {
    Window* control = Control(controlId);
    auto* button = control ? qobject_cast<QAbstractButton*>(control->Widget()) : nullptr;
    if (!button || !button->isEnabled() || button->isHidden()) return false;
    button->click();
    return true;
}

void Dialog::EndDialog(INT_PTR result) {
    result_ = result;
    ended_ = true;
    auto* widget = static_cast<QDialog*>(Widget());
    if (!widget) return;
    if (running_)
        widget->done(0);  // leaves ExecShown's loop
    else if (!modal_)
        widget->hide();
}

INT_PTR Dialog::ExecShown() {
    auto* widget = static_cast<QDialog*>(Widget());
    if (ended_ || !widget) return result_;
    running_ = true;
    HWND hwnd = Handle();
    widget->exec();
    if (IsWindow(hwnd)) running_ = false;
    // Left without EndDialog (the window was destroyed): not confirmed.
    return ended_ ? result_ : IDCANCEL;
}

LRESULT Dialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_ERASEBKGND: {
        // The dialog's background is the brush WM_CTLCOLORDLG answers (a
        // hollow one leaves it as it is); 0 leaves Qt's background.
        auto brush = reinterpret_cast<HBRUSH>(
            SendMessageW(Handle(), WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(Handle())));
        if (!brush || !Exists()) return Window::WindowProc(message, wParam, lParam);
        RECT client{};
        GetClientRect(Handle(), &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
        return 1;
    }
    case WM_CLOSE:
        // As the system's dialogs: the close button is a Cancel command.
        SendMessageW(Handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return 0;
    default:
        return Window::WindowProc(message, wParam, lParam);
    }
}

BOOL Dialog::OnInitDialog() { return TRUE; }

void Dialog::OnCommand(int id, int, HWND) {
    if (modal_ && (id == IDOK || id == IDCANCEL)) EndDialog(id);
}

}  // namespace ui

namespace {

ui::Dialog* DialogOrError(HWND hwnd) {
    auto* dialog = dynamic_cast<ui::Dialog*>(ui::detail::WindowOrError(hwnd));
    if (!dialog && IsWindow(hwnd)) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return dialog;
}

}  // namespace

HWND GetDlgItem(HWND dialog, int controlId) {
    ui::Dialog* window = DialogOrError(dialog);
    return window ? window->GetDlgItem(controlId) : nullptr;
}

int GetDlgCtrlID(HWND control) {
    ui::Window* window = ui::detail::WindowOrError(control);
    if (auto* dialogControl = dynamic_cast<ui::detail::DialogControl*>(window)) return dialogControl->Id();
    // Other child windows carry their id as GWL_ID.
    return window && window->IsChild() ? GetWindowLongW(control, GWL_ID) : 0;
}

BOOL SetDlgItemTextW(HWND dialog, int controlId, LPCWSTR text) {
    ui::Dialog* window = DialogOrError(dialog);
    return window && window->SetControlText(controlId, text ? std::u16string_view(text) : std::u16string_view());
}

UINT GetDlgItemTextW(HWND dialog, int controlId, LPWSTR buffer, int size) {
    ui::Dialog* window = DialogOrError(dialog);
    std::u16string text = window ? window->ControlText(controlId) : std::u16string();
    if (!window && buffer && size > 0) buffer[0] = u'\0';
    return static_cast<UINT>(ui::detail::CopyToBuffer(text, buffer, size));
}

UINT IsDlgButtonChecked(HWND dialog, int controlId) {
    HWND control = GetDlgItem(dialog, controlId);
    return control ? static_cast<UINT>(SendMessageW(control, BM_GETCHECK, 0, 0)) : 0;
}

BOOL CheckDlgButton(HWND dialog, int controlId, UINT check) {
    HWND control = GetDlgItem(dialog, controlId);
    if (!control) return FALSE;
    SendMessageW(control, BM_SETCHECK, check, 0);
    return TRUE;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    ui::Dialog* window = DialogOrError(dialog);
    if (!window) return FALSE;
    window->EndDialog(result);
    return TRUE;
}

BOOL MapDialogRect(HWND dialog, LPRECT rect) {
    ui::Dialog* window = DialogOrError(dialog);
    if (!window || !rect) return FALSE;
    *rect = window->MapDialogUnits(*rect);
    return TRUE;
}
