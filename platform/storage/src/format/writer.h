// Writing a Tree as a complete, compact compound file.
#pragma once

#include "format/tree.h"
#include "winapi/types.h"

#include <cstdint>

namespace storage::format {

// Writes `tree` as a whole compound file of major version 3 (512-byte
// sectors) or 4 (4096-byte sectors) into `descriptor`, from offset 0, and
// cuts the file to the written size. The file is compact: no free sectors,
// streams below 4096 bytes in the mini stream and the rest in contiguous
// regular sectors, each storage's children in a balanced red-black tree in
// the format's order, DIFAT sectors only beyond 109 FAT sectors. Nothing is
// synchronised to disk: callers that replace a file with this one call fsync
// before they rename it.
//
// Streams still unchanged from a source file are copied from it in chunks;
// nothing holds a whole stream in memory. The descriptor must not be the one
// the tree is read from (write a new file, then replace the old one).
//
// Results: S_OK; STG_E_INVALIDPARAMETER for a version other than 3 or 4;
// STG_E_MEDIUMFULL when the disk is full or the tree does not fit the
// version's limits (a version 3 stream of 4 GiB or more, more sectors than
// sector ids); STG_E_WRITEFAULT when writing fails; STG_E_READFAULT when a
// source stream cannot be read; STG_E_INSUFFICIENTMEMORY. After a failure the
// file's content is undefined.
// Cost: one pass over the tree and the stream bytes; the writes are large
// (a buffer of about 1 MiB), each one a pwrite that the write hook sees.
HRESULT WriteCompoundFile(int descriptor, const Tree& tree, uint16_t majorVersion);

}  // namespace storage::format
