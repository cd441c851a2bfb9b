#include "ui/clipboard.h"

#include "clipboard_formats.h"
#include "handle_table.h"
#include "text_conversion.h"
#include "ui/message_queue.h"
#include "ui/window_functions.h"
#include "winapi/errors.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

using namespace ui::detail;

namespace {

// The clipboard between OpenClipboard and CloseClipboard.
struct OpenState {
    bool open = false;
    HWND owner = nullptr;
    // New contents since EmptyClipboard, published at CloseClipboard.
    std::unique_ptr<QMimeData> pending;
    std::map<UINT, HGLOBAL> given;  // blocks SetClipboardData took; owned
    std::map<UINT, HGLOBAL> read;   // blocks GetClipboardData handed out; owned
};

OpenState& Clipboard() {
    static OpenState state;
    return state;
}

QClipboard* SystemClipboard() {
    if (!WidgetsAvailable()) return nullptr;
    return QGuiApplication::clipboard();
}

// What GetClipboardData and IsClipboardFormatAvailable read now.
const QMimeData* CurrentData() {
    OpenState& state = Clipboard();
    if (state.pending) return state.pending.get();
    QClipboard* clipboard = SystemClipboard();
    return clipboard ? clipboard->mimeData() : nullptr;
}

void FreeBlocks(std::map<UINT, HGLOBAL>& blocks) {
    for (auto& [format, block] : blocks) GlobalFree(block);
    blocks.clear();
}

// The windows registered by SetClipboardViewer, told of every change.
class ClipboardViewers : public QObject {
public:
    explicit ClipboardViewers(QClipboard* clipboard) : QObject(clipboard) {
        connect(clipboard, &QClipboard::dataChanged, this, &ClipboardViewers::Notify);
    }

    void Add(HWND hwnd) {
        if (std::find(windows_.begin(), windows_.end(), hwnd) == windows_.end()) windows_.push_back(hwnd);
    }
    bool Remove(HWND hwnd) {
        auto found = std::find(windows_.begin(), windows_.end(), hwnd);
        if (found == windows_.end()) return false;
        windows_.erase(found);
        return true;
    }

private:
    void Notify() {
        // A destroyed window drops out; a viewer may register or unregister
        // others while it is told, so walk a copy.
        std::erase_if(windows_, [](HWND hwnd) { return !IsWindow(hwnd); });
        const std::vector<HWND> windows = windows_;
        for (HWND hwnd : windows)
            if (IsWindow(hwnd)) SendMessageW(hwnd, WM_DRAWCLIPBOARD, 0, 0);
    }

    std::vector<HWND> windows_;  // handles are never reused
};

QPointer<ClipboardViewers>& Viewers() {
    static QPointer<ClipboardViewers> viewers;
    return viewers;
}

// Lets a window take files dropped from a file manager: WM_DROPFILES with a
// CF_HDROP block whose point is the drop's client point.
class FileDropFilter : public QObject {
public:
    FileDropFilter(QWidget* widget, HWND hwnd) : QObject(widget), hwnd_(hwnd) {
        setObjectName(QStringLiteral("ui-file-drop"));
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (!MimeOffers(drag->mimeData(), CF_HDROP)) return false;
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (!MimeOffers(drop->mimeData(), CF_HDROP)) return false;
            const QPoint point = drop->position().toPoint();
            HGLOBAL block = BlockFromMime(drop->mimeData(), CF_HDROP);
            if (!block) return false;
            auto* head = static_cast<DROPFILES*>(GlobalLock(block));
            head->pt = POINT{point.x(), point.y()};
            GlobalUnlock(block);
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            // The window frees the block with DragFinish.
            SendMessageW(hwnd_, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
        }
    }

private:
    HWND hwnd_;
};

}  // namespace

UINT WINAPI RegisterClipboardFormatW(LPCWSTR name) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return RegisterFormat(ToQString(name));
}

int WINAPI GetClipboardFormatNameW(UINT format, LPWSTR buffer, int size) {
    const QString name = FormatName(format);
    if (name.isEmpty() || !buffer || size <= 0) return 0;
    return CopyToBuffer(FromQString(name), buffer, size);
}

BOOL WINAPI OpenClipboard(HWND owner) {
    OpenState& state = Clipboard();
    if (state.open) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (owner && !IsWindow(owner)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!SystemClipboard()) return FALSE;
    state.open = true;
    state.owner = owner;
    return TRUE;
}

BOOL WINAPI CloseClipboard() {
    OpenState& state = Clipboard();
    if (!state.open) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return FALSE;
    }
    state.open = false;
    state.owner = nullptr;
    FreeBlocks(state.read);
    FreeBlocks(state.given);
    if (state.pending) {
        // The clipboard owns the data from here; viewers are told now.
        if (QClipboard* clipboard = SystemClipboard()) clipboard->setMimeData(state.pending.release());
        state.pending.reset();
    }
    return TRUE;
}

BOOL WINAPI EmptyClipboard() {
    OpenState& state = Clipboard();
    if (!state.open) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return FALSE;
    }
    FreeBlocks(state.read);
    FreeBlocks(state.given);
    state.pending = std::make_unique<QMimeData>();
    return TRUE;
}

HANDLE WINAPI SetClipboardData(UINT format, HANDLE data) {
    OpenState& state = Clipboard();
    if (!state.open) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return nullptr;
    }
    if (!data) {  // rendering on request is not offered
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!state.pending) state.pending = std::make_unique<QMimeData>();
    if (!PutBlockInMime(*state.pending, format, data, true)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (auto old = state.given.find(format); old != state.given.end() && old->second != data) GlobalFree(old->second);
    state.given[format] = data;
    if (auto old = state.read.find(format); old != state.read.end()) {
        GlobalFree(old->second);
        state.read.erase(old);
    }
    return data;
}

HANDLE WINAPI GetClipboardData(UINT format) {
    OpenState& state = Clipboard();
    if (!state.open) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return nullptr;
    }
    if (auto given = state.given.find(format); given != state.given.end()) return given->second;
    if (auto read = state.read.find(format); read != state.read.end()) return read->second;
    HGLOBAL block = BlockFromMime(CurrentData(), format);
    if (block) state.read[format] = block;
    return block;
}

BOOL WINAPI IsClipboardFormatAvailable(UINT format) { return MimeOffers(CurrentData(), format) ? TRUE : FALSE; }

UINT WINAPI DragQueryFileW(HDROP drop, UINT index, LPWSTR buffer, UINT size) {
    const std::vector<std::u16string> paths = ReadFileListBlock(reinterpret_cast<HGLOBAL>(drop));
    if (index == 0xFFFFFFFF) return static_cast<UINT>(paths.size());
    if (index >= paths.size()) return 0;
    const std::u16string& path = paths[index];
    if (!buffer) return static_cast<UINT>(path.size());
    if (size == 0) return 0;
    const size_t copied = std::min<size_t>(path.size(), size - 1);
    std::copy_n(path.begin(), copied, buffer);
    buffer[copied] = u'\0';
    return static_cast<UINT>(copied);
}

void WINAPI DragFinish(HDROP drop) { GlobalFree(reinterpret_cast<HGLOBAL>(drop)); }

void WINAPI DragAcceptFiles(HWND window, BOOL accept) {
    ui::Window* target = WindowOrError(window);
    if (!target || !target->Widget()) return;
    QWidget* widget = target->Widget();
    auto* filter = widget->findChild<FileDropFilter*>(QStringLiteral("ui-file-drop"), Qt::FindDirectChildrenOnly);
    if (accept && !filter) {
        widget->installEventFilter(new FileDropFilter(widget, window));
        widget->setAcceptDrops(true);
    } else if (!accept && filter) {
        delete filter;
        widget->setAcceptDrops(false);
    } else if (!accept) {
        widget->setAcceptDrops(false);
    }
}

HWND WINAPI SetClipboardViewer(HWND window) {
    if (!WindowOrError(window)) return nullptr;
    QClipboard* clipboard = SystemClipboard();
    if (!clipboard) return nullptr;
    QPointer<ClipboardViewers>& viewers = Viewers();
    if (!viewers) viewers = new ClipboardViewers(clipboard);
    viewers->Add(window);
    SetLastError(ERROR_SUCCESS);
    return nullptr;
}

BOOL WINAPI ChangeClipboardChain(HWND remove, HWND /*next*/) {
    QPointer<ClipboardViewers>& viewers = Viewers();
    return viewers && viewers->Remove(remove) ? TRUE : FALSE;
}
