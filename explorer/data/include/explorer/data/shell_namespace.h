// Owners of shell-namespace objects, for handing a file to the shell (its
// Properties): the shell's allocator, an item id list freed with it, and a
// shell item bound to its folder. They release every shell object with the
// right allocator and reference count.
//
// This platform has no shell namespace (no desktop folder, no shell folders
// to bind), so binding a ShellItem always fails and the explorer's callers
// show nothing; the allocator and the item id list are the task memory's.
#pragma once

#include "com/task_memory.h"
#include "com/unknown.h"
#include "winapi/shell_folders.h"
#include "winapi/types.h"

// The shell's allocator as an object of its own: every call fetches the
// shell allocator (SHGetMalloc) when it has none yet and forwards to it.
class ShellMalloc : public IMalloc {
public:
    ShellMalloc() noexcept = default;
    // Releases the allocator held.
    virtual ~ShellMalloc();
    ShellMalloc(const ShellMalloc&) = delete;
    ShellMalloc& operator=(const ShellMalloc&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    void* STDMETHODCALLTYPE Alloc(SIZE_T size) override;
    void* STDMETHODCALLTYPE Realloc(void* block, SIZE_T size) override;
    void STDMETHODCALLTYPE Free(void* block) override;
    SIZE_T STDMETHODCALLTYPE GetSize(void* block) override;
    int STDMETHODCALLTYPE DidAlloc(void* block) override;
    void STDMETHODCALLTYPE HeapMinimize() override;

private:
    // The shell's allocator; null when it cannot be had (every call then
    // answers as a failure: E_FAIL, 0, null, -1, or nothing).
    IMalloc* mpoShell();

    IMalloc* mpoMalloc = nullptr;  // Owned reference, fetched on first use.
};

// An owned item id list, freed through the process-wide shell allocator
// (fetched once, kept for the process's life).
class ItemIdList {
public:
    // Takes `pidl` over (null: empty).
    explicit ItemIdList(LPITEMIDLIST pidl = nullptr) noexcept : mpoPidl(pidl) {}
    ~ItemIdList() { Free(); }
    ItemIdList(const ItemIdList&) = delete;
    ItemIdList& operator=(const ItemIdList&) = delete;

    // Frees the list held, if any; an empty list asks for nothing.
    void Free();
    LPITEMIDLIST Get() const noexcept { return mpoPidl; }
    bool IsEmpty() const noexcept { return mpoPidl == nullptr; }

private:
    LPITEMIDLIST mpoPidl;
};

// A shell item bound to its shell folder. Where the shell has a namespace
// the item holds its id list relative to its parent, the parent and its own
// shell folder; here nothing can be bound, so an item never holds any.
class ShellItem {
public:
    ShellItem() noexcept = default;
    virtual ~ShellItem() = default;
    ShellItem(const ShellItem&) = delete;
    ShellItem& operator=(const ShellItem&) = delete;

    // Binds the item to the folder `pidl` names below `parent` (below the
    // desktop when null); false leaves the item empty. Always false on this
    // platform: there is no desktop folder to start from, and so no bound
    // parent either.
    bool mbBindToFolder(const ShellItem* parent, LPCITEMIDLIST pidl);
};

// A shell item that is a folder.
class ShellFolder : public ShellItem {};
