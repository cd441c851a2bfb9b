// Clipboard formats as MIME data: the one place where the layer's blocks
// (HGLOBAL) and Qt's QMimeData meet.
//
//   CF_UNICODETEXT   text/plain (a null-terminated UTF-16 block)
//   CF_HDROP         text/uri-list of local files (a DROPFILES block); on the
//                    clipboard also x-special/gnome-copied-files, which file
//                    managers read to paste files, and read from it too
//   registered       application/x-ui-format.<name>, the block's bytes
#pragma once

#include "ui/clipboard.h"

#include <QString>

#include <string>
#include <vector>

class QMimeData;

namespace ui::detail {

// The id of a registered format (RegisterClipboardFormatW); 0 when the
// range is used up.
UINT RegisterFormat(const QString& name);
// The name a format was first registered with; empty for other ids.
QString FormatName(UINT format);
// The MIME type of a registered format; empty for other ids.
QString MimeTypeOfFormat(UINT format);

bool MimeOffers(const QMimeData* data, UINT format);
// A new moveable block with the format's data; null when not offered.
HGLOBAL BlockFromMime(const QMimeData* data, UINT format);
// Adds the block's data (not taken) to `data` as `format`. `clipboard` also
// writes what file managers read from the clipboard. False for a format the
// layer cannot carry or an invalid block.
bool PutBlockInMime(QMimeData& data, UINT format, HGLOBAL block, bool clipboard);

// A CF_HDROP block (moveable) of `paths`; the caller owns it.
HGLOBAL MakeFileListBlock(const std::vector<std::u16string>& paths, POINT point = {0, 0});
// The paths of a CF_HDROP block; empty for an invalid block.
std::vector<std::u16string> ReadFileListBlock(HGLOBAL block);

}  // namespace ui::detail
