// Committing a tree's changes into the file it was read from, in place.
//
// The rule that keeps a commit atomic: the new content is written only into
// space the committed content does not use - free sectors, free mini sectors
// inside the mini stream, sectors past the end - and every table sector that
// changes (FAT, DIFAT, mini FAT, directory) is written anew there too. The
// header, which names where the FAT, the directory and the mini FAT begin,
// is written last, after the new content is synchronised to disk: until that
// single 512-byte write the file holds the old content whole, after it the
// new one. (A 512-byte write at offset 0 is taken as atomic, as disks write
// whole sectors and the page cache applies a write of one page whole.) So
// there is no journal and nothing to recover at open: a file is always a
// plain compound file that any reader reads.
//
// Space the old content used becomes free once the header names the new
// one, and later commits reuse it, so repeated changes do not grow the file
// without bound.
#pragma once

#include "format/tree.h"
#include "winapi/types.h"

namespace storage::format {

// Writes the changes marked in `tree` (see Element's change marks) into the
// file open as `descriptor`, whose committed content tree->Layout()
// describes, synchronises it and updates the layout and the marks. Cost: the
// bytes of the changed streams, the table and directory sectors they touch,
// two fdatasync calls; nothing proportional to the file's size. Nothing is
// written when nothing is marked.
//
// After a failure (STG_E_MEDIUMFULL, STG_E_WRITEFAULT, STG_E_READFAULT when
// an unchanged part of a stream cannot be read, STG_E_INSUFFICIENTMEMORY)
// the file's content, the layout and the marks are as they were, and the
// commit may be tried again - except when only the final synchronisation
// failed: the new content is then in place and the error says it may not be
// on disk yet.
HRESULT CommitInPlace(int descriptor, Tree& tree);

// Whether the file has so much unused space that a commit should rather
// write it anew, compactly.
bool ShouldCompact(const FileLayout& layout);

}  // namespace storage::format
