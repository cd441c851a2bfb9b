#include "clipboard_formats.h"

#include "text_conversion.h"
#include "winapi/errors.h"

#include <QMimeData>
#include <QUrl>

#include <cstring>
#include <map>

namespace ui::detail {

namespace {

const QString kText = QStringLiteral("text/plain");
const QString kUriList = QStringLiteral("text/uri-list");
const QString kCopiedFiles = QStringLiteral("x-special/gnome-copied-files");
const QString kRegisteredPrefix = QStringLiteral("application/x-ui-format.");

// Registered names by their case-folded form; ids count up from 0xC000.
struct FormatRegistry {
    std::map<QString, UINT> idsByName;
    std::vector<QString> names;  // names[id - 0xC000], as first registered
};

FormatRegistry& Registry() {
    static FormatRegistry registry;
    return registry;
}

// The MIME type in `data` for a registered format: another program may
// spell the name in another case.
QString OfferedRegisteredType(const QMimeData* data, UINT format) {
    const QString name = FormatName(format);
    if (name.isEmpty()) return {};
    const QString wanted = (kRegisteredPrefix + name).toCaseFolded();
    for (const QString& type : data->formats())
        if (type.toCaseFolded() == wanted) return type;
    return {};
}

std::vector<std::u16string> LocalFiles(const QList<QUrl>& urls) {
    std::vector<std::u16string> paths;
    for (const QUrl& url : urls)
        if (url.isLocalFile()) paths.push_back(FromQString(url.toLocalFile()));
    return paths;
}

// Files a file manager copied or cut: "copy" or "cut", then one URI a line.
std::vector<std::u16string> CopiedFiles(const QMimeData* data) {
    const QList<QByteArray> lines = data->data(kCopiedFiles).split('\n');
    QList<QUrl> urls;
    for (qsizetype i = 1; i < lines.size(); ++i)
        if (!lines[i].trimmed().isEmpty()) urls.push_back(QUrl::fromEncoded(lines[i].trimmed()));
    return LocalFiles(urls);
}

std::vector<std::u16string> OfferedFiles(const QMimeData* data) {
    if (data->hasFormat(kUriList)) return LocalFiles(data->urls());
    if (data->hasFormat(kCopiedFiles)) return CopiedFiles(data);
    return {};
}

HGLOBAL BlockOf(const void* bytes, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) return nullptr;
    if (size) {
        std::memcpy(GlobalLock(block), bytes, size);
        GlobalUnlock(block);
    }
    return block;
}

// The bytes of a block, or nothing for an invalid one.
bool BlockBytes(HGLOBAL block, QByteArray& bytes) {
    if (!block) return false;
    SetLastError(ERROR_SUCCESS);
    const SIZE_T size = GlobalSize(block);
    if (size == 0 && GetLastError() == ERROR_INVALID_HANDLE) return false;
    const void* memory = GlobalLock(block);
    if (!memory && size) return false;
    bytes = QByteArray(static_cast<const char*>(memory), static_cast<qsizetype>(size));
    GlobalUnlock(block);
    return true;
}

}  // namespace

QString FormatName(UINT format) {
    const FormatRegistry& registry = Registry();
    if (format < UI_FIRST_REGISTERED_FORMAT || format - UI_FIRST_REGISTERED_FORMAT >= registry.names.size()) return {};
    return registry.names[format - UI_FIRST_REGISTERED_FORMAT];
}

QString MimeTypeOfFormat(UINT format) {
    const QString name = FormatName(format);
    return name.isEmpty() ? QString() : kRegisteredPrefix + name;
}

bool MimeOffers(const QMimeData* data, UINT format) {
    if (!data) return false;
    switch (format) {
    case CF_UNICODETEXT:
        return data->hasText();
    case CF_HDROP:
        return !OfferedFiles(data).empty();
    default:
        return !OfferedRegisteredType(data, format).isEmpty();
    }
}

HGLOBAL BlockFromMime(const QMimeData* data, UINT format) {
    if (!MimeOffers(data, format)) return nullptr;
    switch (format) {
    case CF_UNICODETEXT: {
        const std::u16string text = FromQString(data->text());
        return BlockOf(text.c_str(), (text.size() + 1) * sizeof(char16_t));
    }
    case CF_HDROP:
        return MakeFileListBlock(OfferedFiles(data));
    default: {
        const QByteArray bytes = data->data(OfferedRegisteredType(data, format));
        return BlockOf(bytes.constData(), static_cast<size_t>(bytes.size()));
    }
    }
}

bool PutBlockInMime(QMimeData& data, UINT format, HGLOBAL block, bool clipboard) {
    QByteArray bytes;
    if (format != CF_UNICODETEXT && format != CF_HDROP && MimeTypeOfFormat(format).isEmpty()) return false;
    if (!BlockBytes(block, bytes)) return false;
    switch (format) {
    case CF_UNICODETEXT: {
        // Up to the first null, within the block.
        const auto* units = reinterpret_cast<const char16_t*>(bytes.constData());
        const size_t count = static_cast<size_t>(bytes.size()) / sizeof(char16_t);
        size_t length = 0;
        while (length < count && units[length]) ++length;
        data.setText(ToQString(std::u16string_view(units, length)));
        return true;
    }
    case CF_HDROP: {
        QList<QUrl> urls;
        for (const std::u16string& path : ReadFileListBlock(block))
            urls.push_back(QUrl::fromLocalFile(ToQString(path)));
        data.setUrls(urls);
        if (clipboard) {
            QByteArray copied("copy");
            for (const QUrl& url : urls) copied += '\n' + url.toEncoded();
            data.setData(kCopiedFiles, copied);
        }
        return true;
    }
    default:
        data.setData(MimeTypeOfFormat(format), bytes);
        return true;
    }
}

HGLOBAL MakeFileListBlock(const std::vector<std::u16string>& paths, POINT point) {
    size_t units = 1;
    for (const std::u16string& path : paths) units += path.size() + 1;
    const size_t size = sizeof(DROPFILES) + units * sizeof(char16_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!block) return nullptr;
    auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
    DROPFILES head{};
    head.pFiles = sizeof(DROPFILES);
    head.pt = point;
    head.fWide = TRUE;
    std::memcpy(bytes, &head, sizeof head);
    auto* text = reinterpret_cast<char16_t*>(bytes + sizeof(DROPFILES));
    for (const std::u16string& path : paths) {
        std::memcpy(text, path.c_str(), (path.size() + 1) * sizeof(char16_t));
        text += path.size() + 1;
    }
    GlobalUnlock(block);
    return block;
}

std::vector<std::u16string> ReadFileListBlock(HGLOBAL block) {
    QByteArray bytes;
    if (!BlockBytes(block, bytes) || static_cast<size_t>(bytes.size()) < sizeof(DROPFILES)) return {};
    DROPFILES head;
    std::memcpy(&head, bytes.constData(), sizeof head);
    if (head.pFiles < sizeof(DROPFILES) || head.pFiles > static_cast<DWORD>(bytes.size())) return {};
    std::vector<std::u16string> paths;
    if (head.fWide) {
        const size_t count = (static_cast<size_t>(bytes.size()) - head.pFiles) / sizeof(char16_t);
        std::u16string units(count, u'\0');
        std::memcpy(units.data(), bytes.constData() + head.pFiles, count * sizeof(char16_t));
        size_t start = 0;
        // Each path ends at its null; an empty path (two nulls) ends the list,
        // and so does the end of the block.
        while (start < units.size() && units[start]) {
            const size_t end = units.find(u'\0', start);
            paths.push_back(units.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start));
            if (end == std::u16string::npos) break;
            start = end + 1;
        }
    } else {
        QList<QByteArray> names = bytes.mid(head.pFiles).split('\0');
        for (const QByteArray& name : names) {
            if (name.isEmpty()) break;
            paths.push_back(FromQString(QString::fromLocal8Bit(name)));
        }
    }
    return paths;
}

UINT RegisterFormat(const QString& name) {
    FormatRegistry& registry = Registry();
    const QString key = name.toCaseFolded();
    if (auto found = registry.idsByName.find(key); found != registry.idsByName.end()) return found->second;
    if (registry.names.size() > UI_LAST_REGISTERED_FORMAT - UI_FIRST_REGISTERED_FORMAT) return 0;
    const UINT id = UI_FIRST_REGISTERED_FORMAT + static_cast<UINT>(registry.names.size());
    registry.names.push_back(name);
    registry.idsByName.emplace(key, id);
    return id;
}

}  // namespace ui::detail
