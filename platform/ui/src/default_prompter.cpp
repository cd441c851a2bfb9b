#include "default_prompter.h"

#include "handle_table.h"
#include "menu_widgets.h"
#include "text_conversion.h"
#include "ui/message_box.h"
#include "ui/window.h"

#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QWidget>

namespace ui::detail {
namespace {

QMessageBox::Icon IconOf(UINT style) {
    switch (style & MB_ICONMASK) {
    case MB_ICONHAND:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONASTERISK:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButton QtButtonOf(int id) {
    switch (id) {
    case IDOK:
        return QMessageBox::Ok;
    case IDCANCEL:
        return QMessageBox::Cancel;
    case IDABORT:
        return QMessageBox::Abort;
    case IDRETRY:
        return QMessageBox::Retry;
    case IDIGNORE:
        return QMessageBox::Ignore;
    case IDYES:
        return QMessageBox::Yes;
    case IDNO:
        return QMessageBox::No;
    default:
        return QMessageBox::NoButton;
    }
}

}  // namespace

QString FileDialogFilter(std::u16string_view filter) {
    // "Description|patterns|...||": the pairs up to the empty entry.
    QStringList parts = ToQString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
        QString patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        // Qt takes the patterns from the last parentheses of each entry.
        filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

int DefaultPrompter::AskMessageBox(const MessageBoxQuestion& question) {
    Window* owner = LookupWindow(question.owner);
    QMessageBox box(IconOf(question.style), ToQString(question.caption), ToQString(question.text),
                    QMessageBox::NoButton, owner ? owner->Widget() : nullptr);
    MessageBoxButtons buttons = ButtonsOf(question.style);
    int defaultIndex = static_cast<int>((question.style & MB_DEFMASK) >> 8);
    for (int i = 0; i < buttons.count; ++i) {
        QMessageBox::StandardButton button = QtButtonOf(buttons.ids[i]);
        box.addButton(button);
        if (i == defaultIndex) box.setDefaultButton(button);
    }
    // Escape answers Cancel when the set has it, else the only button of
    // an OK box, as the system's message boxes do; otherwise it does nothing.
    for (int i = 0; i < buttons.count; ++i)
        if (buttons.ids[i] == IDCANCEL || buttons.count == 1) box.setEscapeButton(QtButtonOf(buttons.ids[i]));
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (int i = 0; i < buttons.count; ++i)
        if (clicked && box.standardButton(clicked) == QtButtonOf(buttons.ids[i])) return buttons.ids[i];
    return buttons.count == 1 ? buttons.ids[0] : IDCANCEL;
}

INT_PTR DefaultPrompter::RunModalDialog(PromptedDialog& dialog) { return dialog.ExecShown(); }

UINT DefaultPrompter::ChoosePopupMenuCommand(const PopupMenuQuestion& question) {
    Window* owner = LookupWindow(question.owner);
    QMenu menu(owner ? owner->Widget() : nullptr);
    BindMenu(&menu, question.menu, question.owner, CommandDelivery::Return);
    // A submenu's command is reported by every menu up the chain; the first
    // report is the chosen one.
    UINT chosen = 0;
    QObject::connect(&menu, &QMenu::triggered, &menu, [&chosen](QAction* action) {
        if (!chosen) chosen = CommandOf(action);
    });
    QAction* action = menu.exec(QPoint(question.point.x, question.point.y));
    return chosen ? chosen : CommandOf(action);
}

std::optional<std::u16string> DefaultPrompter::ChooseFile(const FileQuestion& question) {
    Window* owner = LookupWindow(question.owner);
    QFileDialog dialog(owner ? owner->Widget() : nullptr, ToQString(question.title), ToQString(question.initialFolder),
                       FileDialogFilter(question.filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return FromQString(dialog.selectedFiles().front());
}

}  // namespace ui::detail
