// Loading a compound file into a Tree. Everything the tree relies on is
// checked before the tree is handed out, so that a damaged or hostile file
// gives an error code, never a crash, a hang or a huge allocation.
#pragma once

#include "format/file.h"
#include "format/tree.h"
#include "winapi/types.h"

#include <memory>

namespace storage::format {

// S_OK when the file begins with the compound-file signature, S_FALSE when
// it does not or is shorter than it, STG_E_READFAULT when it cannot be read.
HRESULT ProbeSignature(const File& file);

// Reads the compound file open on `file` (version 3 or 4) into *tree.
//
// Checked on loading: the header (signature, byte order, versions, sector
// sizes matching the version, mini sector size, cutoff, counts), the DIFAT
// chain, the FAT and mini FAT, the directory chain, and every stream's chain:
// ids in range, no cycle, no sector (or mini sector) used by two chains,
// every chain at least as long as its stream's size (a longer one is
// tolerated), sizes within the file. The directory trees are walked with an
// explicit stack, each entry reachable at most once. Tolerated: sibling trees
// in the wrong order or with wrong colours (lookups never rely on the order
// in the file), garbage in the high 32 bits of version 3 stream sizes,
// unallocated entries anywhere, a file whose last sector is cut short (the
// missing bytes read as zeros).
//
// Stream contents are not read: the tree's streams read them from `file` on
// demand and keep it open (shared) while any of them does.
//
// Results: S_OK; STG_E_FILEALREADYEXISTS when the file is not a compound file
// (no signature, or shorter than a header); STG_E_DOCFILECORRUPT for any
// damage; STG_E_READFAULT when reading fails; STG_E_INSUFFICIENTMEMORY.
// Cost: O(file size / sector size + directory entries) time and memory; no
// stream content is read.
HRESULT ReadCompoundFile(std::shared_ptr<const File> file, std::unique_ptr<Tree>* tree);

}  // namespace storage::format
