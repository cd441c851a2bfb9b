#include "explorer/data/shell_namespace.h"

#include "com/hresults.h"

// ShellMalloc

ShellMalloc::~ShellMalloc() {
    if (mpoMalloc != nullptr) mpoMalloc->Release();
}

IMalloc* ShellMalloc::mpoShell() {
    if (mpoMalloc == nullptr && FAILED(SHGetMalloc(&mpoMalloc))) mpoMalloc = nullptr;
    return mpoMalloc;
}

HRESULT ShellMalloc::QueryInterface(REFIID riid, void** object) {
    IMalloc* shell = mpoShell();
    return shell != nullptr ? shell->QueryInterface(riid, object) : E_FAIL;
}

ULONG ShellMalloc::AddRef() {
    IMalloc* shell = mpoShell();
    return shell != nullptr ? shell->AddRef() : 0;
}

ULONG ShellMalloc::Release() {
    IMalloc* shell = mpoShell();
    return shell != nullptr ? shell->Release() : 0;
}

void* ShellMalloc::Alloc(SIZE_T size) {
    IMalloc* shell = mpoShell();
    return shell != nullptr ? shell->Alloc(size) : nullptr;
}

void* ShellMalloc::Realloc(void* block, SIZE_T size) {
    IMalloc* shell = mpoShell();
    return shell != nullptr ? shell->Realloc(block, size) : nullptr;
}

void ShellMalloc::Free(void* block) {
    if (IMalloc* shell = mpoShell()) shell->Free(block);
}

SIZE_T ShellMalloc::GetSize(void* block) {
    IMalloc* shell = mpoShell();
    return shell != nullptr ? shell->GetSize(block) : 0;
}

int ShellMalloc::DidAlloc(void* block) {
    IMalloc* shell = mpoShell();
    return shell != nullptr ? shell->DidAlloc(block) : -1;
}

void ShellMalloc::HeapMinimize() {
    if (IMalloc* shell = mpoShell()) shell->HeapMinimize();
}

// ItemIdList

namespace {

// The process-wide shell allocator, fetched at first use and kept.
IMalloc* ProcessShellMalloc() {
    static IMalloc* const malloc = [] {
        IMalloc* shell = nullptr;
        return SUCCEEDED(SHGetMalloc(&shell)) ? shell : nullptr;
    }();
    return malloc;
}

}  // namespace

void ItemIdList::Free() {
    if (mpoPidl == nullptr) return;
    if (IMalloc* malloc = ProcessShellMalloc()) malloc->Free(mpoPidl);
    mpoPidl = nullptr;
}

// ShellItem

bool ShellItem::mbBindToFolder(const ShellItem* parent, LPCITEMIDLIST pidl) {
    // Binding starts from the parent's shell folder, or from the desktop
    // folder without a parent; neither exists on this platform.
    static_cast<void>(parent);
    static_cast<void>(pidl);
    return false;
}
