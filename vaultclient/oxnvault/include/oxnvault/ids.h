// Identities of the vault's public interface: its type library (under which
// the selection record is described), the class of its progress object, and
// the values its utilities take.
#pragma once

#include "com/unknown.h"
#include "winapi/types.h"

namespace OxnVaultLib {

inline constexpr GUID LIBID_OxnVaultLib = com::MakeGuid("5FA2C692-8393-4F31-9BDB-05E6F807D0D3");
inline constexpr WORD kLibraryMajorVersion = 5;
inline constexpr WORD kLibraryMinorVersion = 23;

// The vault object (IOxnVault5, then Open): created by CLSID in any context.
inline constexpr CLSID CLSID_OxnVault = com::MakeGuid("AE784C6C-0155-11D3-B24B-0000F879F93B");

// The progress object: created by CLSID (any context), then OleRun, then
// asked for IOxnProgress.
inline constexpr CLSID CLSID_OxnProgress = com::MakeGuid("EFFFB317-6FFD-11D3-9642-0004AC962A49");

// IOxnVault11::CreateUtility's kinds.
inline constexpr LONG kUtilityBatchGet = 12;
inline constexpr LONG kUtilityBatchDelete = 20;
inline constexpr LONG kUtilityBatchChangeState = 22;

// IOxnBatchGet::BuildTree's flags.
inline constexpr LONG kTreeGetLatest = 0x301;     // latest (or the added version) of the selection
inline constexpr LONG kTreeCheckOut = 0x303;      // as kTreeGetLatest, and lock each file
inline constexpr LONG kTreeRefreshLocal = 0x901;  // latest of every file with a local copy in the view

// Result lists of the utilities (GetResultList's kind).
inline constexpr LONG kListDone = 4;
inline constexpr LONG kListProblems = 8;

// The phase kinds IOxnGetOpCallback's BeginPhase, Step and EndPhase receive.
// Kinds 2 and 3 are the per-file phases of a run; kind 1 the building of the
// file tree.
inline constexpr LONG kPhaseTree = 1;
inline constexpr LONG kPhaseFiles = 2;
inline constexpr LONG kPhaseFileBytes = 3;

}  // namespace OxnVaultLib
