#include "dialog_control.h"

#include "colour_conversion.h"
#include "gdi_object_internal.h"
#include "text_conversion.h"
#include "window_state.h"
#include "ui/device_context.h"
#include "ui/gdi_objects.h"
#include "ui/message_queue.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace ui::detail {
namespace {

std::u16string ClassNameOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::Static:
        return u"Static";
    case ControlKind::Edit:
        return u"Edit";
    case ControlKind::Button:
        return u"Button";
    case ControlKind::ProgressBar:
        return u"msctls_progress32";
    case ControlKind::CheckBox:
        return u"Button";
    }
    return {};
}

QWidget* MakeWidget(const ui::DialogControl& entry, QWidget* parent) {
    QString text = ToQString(entry.text);
    switch (entry.kind) {
    case ControlKind::Static: {
        auto* label = new QLabel(text, parent);
        Qt::Alignment horizontal = (entry.style & 3) == SS_CENTER  ? Qt::AlignHCenter
                                   : (entry.style & 3) == SS_RIGHT ? Qt::AlignRight
                                                                   : Qt::AlignLeft;
        label->setAlignment(horizontal | Qt::AlignTop);
        label->setTextFormat(Qt::PlainText);
        return label;
    }
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(text, parent);
        if (entry.style & ES_PASSWORD) edit->setEchoMode(QLineEdit::Password);
        edit->setReadOnly((entry.style & ES_READONLY) != 0);
        return edit;
    }
    case ControlKind::Button: {
        auto* button = new QPushButton(text, parent);
        // Enter is the dialog's: it sends the default button's command.
        button->setAutoDefault(false);
        button->setDefault((entry.style & BS_DEFPUSHBUTTON) != 0);
        return button;
    }
    case ControlKind::ProgressBar: {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        return bar;
    }
    case ControlKind::CheckBox:
        return new QCheckBox(text, parent);
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<DialogControl> DialogControl::Create(const ui::DialogControl& entry, HWND dialog, QWidget* dialogWidget,
                                                     const QRect& pixels) {
    std::unique_ptr<DialogControl> control(new DialogControl(entry.id, entry.kind));
    QWidget* widget = MakeWidget(entry, dialogWidget);
    widget->setGeometry(pixels);
    widget->setEnabled((entry.style & WS_DISABLED) == 0);
    HWND hwnd = control->Attach(widget, dialog, true, ClassNameOf(entry.kind));
    if (!hwnd) return nullptr;
    if (WindowState* state = StateOf(hwnd)) {
        state->style |= entry.style;
        state->id = entry.id;
    }
    // Handlers find the dialog through its handle, so a destroyed dialog
    // (or control) is simply not called.
    WPARAM id = static_cast<WORD>(entry.id);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        QObject::connect(button, &QAbstractButton::clicked, [dialog, hwnd, id] {
            if (IsWindow(hwnd))
                SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(hwnd));
        });
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        QObject::connect(edit, &QLineEdit::textChanged, [dialog, hwnd, id] {
            if (IsWindow(hwnd))
                SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(hwnd));
        });
    }
    if (entry.kind == ControlKind::ProgressBar) control->ShowProgress();
    return control;
}

std::u16string DialogControl::Text() const {
    QWidget* widget = Widget();
    if (auto* label = qobject_cast<QLabel*>(widget)) return FromQString(label->text());
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return FromQString(edit->text());
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return FromQString(button->text());
    return Window::Text();
}

void DialogControl::SetText(std::u16string_view text) {
    QWidget* widget = Widget();
    QString value = ToQString(text);
    if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(value);
    else if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->setText(value);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(value);
    else
        Window::SetText(text);
}

void DialogControl::ShowProgress() {
    auto* bar = qobject_cast<QProgressBar*>(Widget());
    if (!bar) return;
    if (high_ > low_) {
        bar->setRange(low_, high_);
        bar->setValue(position_);
    } else {
        bar->setRange(0, 1);
        bar->setValue(0);
    }
}

void DialogControl::ApplyDialogColours() {
    HWND self = Handle();
    QWidget* widget = Widget();
    if (!widget || kind_ == ControlKind::ProgressBar) return;
    UINT message = WM_CTLCOLORSTATIC;
    if (kind_ == ControlKind::Button || kind_ == ControlKind::CheckBox) message = WM_CTLCOLORBTN;
    auto* edit = qobject_cast<QLineEdit*>(widget);
    if (edit && !edit->isReadOnly() && edit->isEnabled()) message = WM_CTLCOLOREDIT;

    HDC dc = CreateCompatibleDC(nullptr);
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(Parent(), message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(self)));
    QColor text = ToQColor(GetTextColor(dc));
    DeleteDC(dc);
    if (!IsWindow(self)) return;

    QPalette palette;  // no roles set: the control's own colours
    bool fill = false;
    if (brush) {
        const GdiObject* object = GdiObjectOf(brush);
        bool hollow = !object || object->kind != GdiKind::Brush || object->brush.style() == Qt::NoBrush;
        QColor background = hollow ? QColor(Qt::transparent) : object->brush.color();
        palette = widget->palette();
        QPalette::ColorRole backgroundRole = QPalette::Window, textRole = QPalette::WindowText;
        if (edit) {
            backgroundRole = QPalette::Base;
            textRole = QPalette::Text;
        } else if (kind_ == ControlKind::Button || kind_ == ControlKind::CheckBox) {
            backgroundRole = QPalette::Button;
            textRole = QPalette::ButtonText;
        }
        palette.setColor(backgroundRole, background);
        palette.setColor(textRole, text);
        fill = !hollow && !edit && kind_ != ControlKind::Button && kind_ != ControlKind::CheckBox;
    }
    // Unchanged colours change nothing, so asking before each paint does
    // not paint again.
    if (palette != widget->palette() || palette.resolveMask() != widget->palette().resolveMask())
        widget->setPalette(palette);
    if (widget->autoFillBackground() != fill) widget->setAutoFillBackground(fill);
}

LRESULT DialogControl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The dialog may change the colours at any time; they show at the
    // next paint.
    if (message == WM_ERASEBKGND) ApplyDialogColours();
    if (kind_ == ControlKind::CheckBox && (message == BM_GETCHECK || message == BM_SETCHECK)) {
        auto* box = qobject_cast<QCheckBox*>(Widget());
        if (!box) return 0;
        if (message == BM_GETCHECK) return box->isChecked() ? BST_CHECKED : BST_UNCHECKED;
        box->setChecked(wParam == BST_CHECKED);
        return 0;
    }
    if (kind_ != ControlKind::ProgressBar) return Window::WindowProc(message, wParam, lParam);
    LONG previous = position_;
    auto setPosition = [&](LONG position) {
        position_ = high_ > low_ ? std::clamp(position, low_, high_) : low_;
        ShowProgress();
        return static_cast<LRESULT>(previous);
    };
    auto setRange = [&](LONG low, LONG high) {
        LRESULT old = MAKELRESULT(low_, high_);
        low_ = low;
        high_ = high;
        setPosition(position_);
        return old;
    };
    switch (message) {
    case PBM_SETRANGE:
        return setRange(LOWORD(lParam), HIWORD(lParam));
    case PBM_SETRANGE32:
        return setRange(static_cast<LONG>(wParam), static_cast<LONG>(lParam));
    case PBM_SETPOS:
        return setPosition(static_cast<LONG>(wParam));
    case PBM_GETRANGE:
        return wParam ? low_ : high_;
    case PBM_GETPOS:
        return position_;
    default:
        return Window::WindowProc(message, wParam, lParam);
    }
}

}  // namespace ui::detail
