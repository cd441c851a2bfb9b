// Structured storage: the interfaces of a compound file's elements - storages
// (folders) holding streams (byte sequences) and further storages - with the
// modes, flags and records their callers pass.
//
// The objects behind these interfaces (compound_file.h makes them) are
// apartment objects: one thread calls them all, as the system does; they
// take no locks of their own.
//
// Element names are 1 to 31 UTF-16 code units without '/', '\\', ':' or
// '!' (STG_E_INVALIDNAME, also when only looking a name up); lookup ignores
// case by the format's upper-case comparison, and an element keeps the
// spelling it was created with. Elements below the root are opened
// STGM_SHARE_EXCLUSIVE (STG_E_INVALIDFLAG otherwise), once at a time
// (STG_E_ACCESSDENIED while open), with no more access than their storage
// (STG_E_ACCESSDENIED). An open element, or a storage with an open element
// below it, cannot be destroyed or replaced (STG_E_ACCESSDENIED). After the
// root's Revert, elements opened before answer STG_E_REVERTED.
#pragma once

#include "com/unknown.h"
#include "winapi/types.h"

// --- Access and sharing modes (grfMode) --------------------------------------
// Access: the low two bits.
#define STGM_READ 0x00000000u
#define STGM_WRITE 0x00000001u
#define STGM_READWRITE 0x00000002u
// Sharing: what other openers of the same element may do.
#define STGM_SHARE_DENY_NONE 0x00000040u
#define STGM_SHARE_DENY_READ 0x00000030u
#define STGM_SHARE_DENY_WRITE 0x00000020u
#define STGM_SHARE_EXCLUSIVE 0x00000010u
#define STGM_PRIORITY 0x00040000u
// Creation: replace an existing element (CREATE), keep its contents in a new
// one (CONVERT), or fail when it exists (FAILIFTHERE, the default).
#define STGM_CREATE 0x00001000u
#define STGM_CONVERT 0x00020000u
#define STGM_FAILIFTHERE 0x00000000u
// Transactions: changes reach the file at once (DIRECT) or at Commit.
#define STGM_DIRECT 0x00000000u
#define STGM_TRANSACTED 0x00010000u
#define STGM_NOSCRATCH 0x00100000u
#define STGM_NOSNAPSHOT 0x00200000u
#define STGM_SIMPLE 0x08000000u
#define STGM_DIRECT_SWMR 0x00400000u
#define STGM_DELETEONRELEASE 0x04000000u

// --- Element kinds (STATSTG::type) --------------------------------------------
#define STGTY_STORAGE 1
#define STGTY_STREAM 2
#define STGTY_LOCKBYTES 3
#define STGTY_PROPERTY 4

// --- IStream::Seek origins ----------------------------------------------------
#define STREAM_SEEK_SET 0
#define STREAM_SEEK_CUR 1
#define STREAM_SEEK_END 2

// --- Stat flags -----------------------------------------------------------------
#define STATFLAG_DEFAULT 0
#define STATFLAG_NONAME 1

// --- Commit flags ---------------------------------------------------------------
#define STGC_DEFAULT 0
#define STGC_OVERWRITE 1
#define STGC_ONLYIFCURRENT 2
#define STGC_DANGEROUSLYCOMMITMERELYTODISKCACHE 4

// --- IStorage::MoveElementTo flags ------------------------------------------------
#define STGMOVE_MOVE 0
#define STGMOVE_COPY 1

// --- File formats (StgCreateStorageEx, StgOpenStorageEx) -----------------------------
#define STGFMT_STORAGE 0
#define STGFMT_FILE 3
#define STGFMT_ANY 4
#define STGFMT_DOCFILE 5

// The description of an element that Stat and IEnumSTATSTG::Next give.
// pwcsName is task memory (CoTaskMemFree), null with STATFLAG_NONAME.
struct STATSTG {
    LPOLESTR pwcsName;
    DWORD type;  // STGTY_*
    ULARGE_INTEGER cbSize;
    FILETIME mtime;
    FILETIME ctime;
    FILETIME atime;
    DWORD grfMode;  // the mode of the open element (Stat), else 0
    DWORD grfLocksSupported;
    CLSID clsid;
    DWORD grfStateBits;
    DWORD reserved;
};

// Options of a new compound file: version 1, and ulSectorSize 512 (the
// format's version 3) or 4096 (version 4). No template file.
struct STGOPTIONS {
    USHORT usVersion;
    USHORT reserved;
    ULONG ulSectorSize;
    const WCHAR* pwcsTemplateFile;
};

// A list of element names ending with a null pointer (names to leave out).
typedef LPOLESTR* SNB;

struct ISequentialStream : IUnknown {
    COM_INTERFACE_ID("0C733A30-2A1C-11CE-ADE5-00AA0044773D");
    // Reads up to `size` bytes from the current position; fewer at the end
    // of the stream, with S_OK. `read` may be null.
    virtual HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) = 0;
    // Writes at the current position, growing the stream as needed.
    virtual HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG size, ULONG* written) = 0;

protected:
    ~ISequentialStream() = default;
};

// Seek: a position below 0 is STG_E_INVALIDFUNCTION; past the end is
// allowed, and a write there fills the gap with zeros. Clone: the same
// bytes, a seek pointer of its own. Commit writes a direct file (Revert has
// nothing to undo); in a transacted file both are the root's business.
// LockRegion and UnlockRegion: STG_E_INVALIDFUNCTION (the root locks the
// whole file).
struct IStream : ISequentialStream {
    COM_INTERFACE_ID("0000000C-0000-0000-C000-000000000046");
    virtual HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER newSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read,
                                             ULARGE_INTEGER* written) = 0;
    virtual HRESULT STDMETHODCALLTYPE Commit(DWORD commitFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Revert() = 0;
    virtual HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD lockType) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD lockType) = 0;
    virtual HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD statFlag) = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IStream** clone) = 0;

protected:
    ~IStream() = default;
};

struct IEnumSTATSTG : IUnknown {
    COM_INTERFACE_ID("0000000D-0000-0000-C000-000000000046");
    // S_FALSE when fewer than `count` were left.
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, STATSTG* elements, ULONG* fetched) = 0;
    // S_FALSE when fewer than `count` were left to skip.
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumSTATSTG** clone) = 0;

protected:
    ~IEnumSTATSTG() = default;
};

// CreateStream / CreateStorage: STG_E_FILEALREADYEXISTS for a taken name
// unless the mode has STGM_CREATE, which replaces the element whatever its
// kind. Open*: STG_E_FILENOTFOUND when no element of that kind has the name.
// DestroyElement removes a storage with everything below it. EnumElements:
// a snapshot in the format's order (shorter names first). CopyTo and
// MoveElementTo (STGMOVE_MOVE, STGMOVE_COPY) work into any IStorage, never
// into the element itself or below it (STG_E_ACCESSDENIED). Commit and
// Revert: see compound_file.h.
struct IStorage : IUnknown {
    COM_INTERFACE_ID("0000000B-0000-0000-C000-000000000046");
    virtual HRESULT STDMETHODCALLTYPE CreateStream(const OLECHAR* name, DWORD mode, DWORD reserved1, DWORD reserved2,
                                                   IStream** stream) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenStream(const OLECHAR* name, void* reserved1, DWORD mode, DWORD reserved2,
                                                 IStream** stream) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateStorage(const OLECHAR* name, DWORD mode, DWORD reserved1, DWORD reserved2,
                                                    IStorage** storage) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenStorage(const OLECHAR* name, IStorage* priority, DWORD mode, SNB exclude,
                                                  DWORD reserved, IStorage** storage) = 0;
    virtual HRESULT STDMETHODCALLTYPE CopyTo(DWORD excludedIidCount, const IID* excludedIids, SNB exclude,
                                             IStorage* target) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveElementTo(const OLECHAR* name, IStorage* target, const OLECHAR* newName,
                                                    DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Commit(DWORD commitFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Revert() = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumElements(DWORD reserved1, void* reserved2, DWORD reserved3,
                                                   IEnumSTATSTG** enumerator) = 0;
    virtual HRESULT STDMETHODCALLTYPE DestroyElement(const OLECHAR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE RenameElement(const OLECHAR* oldName, const OLECHAR* newName) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetElementTimes(const OLECHAR* name, const FILETIME* created,
                                                      const FILETIME* accessed, const FILETIME* modified) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetClass(REFCLSID clsid) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetStateBits(DWORD stateBits, DWORD mask) = 0;
    virtual HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD statFlag) = 0;

protected:
    ~IStorage() = default;
};

typedef IStream* LPSTREAM;
typedef IStorage* LPSTORAGE;
typedef IEnumSTATSTG* LPENUMSTATSTG;

inline constexpr IID IID_ISequentialStream = ISequentialStream::kIid;
inline constexpr IID IID_IStream = IStream::kIid;
inline constexpr IID IID_IStorage = IStorage::kIid;
inline constexpr IID IID_IEnumSTATSTG = IEnumSTATSTG::kIid;
