// CStream: IStream over a stream element of a compound file, with its own
// seek pointer (clones share the element and have pointers of their own).
//
// Reads and writes go to the document's tree in memory; they reach the file
// when the document commits (compound_document.h).
#pragma once

#include "com/server/com_object.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "element_access.h"
#include "storage/storage.h"

#include <memory>

namespace storage {

class CStream : public CComObjectRootEx<CComSingleThreadModel>, public IStream, public IElementAccess {
public:
    BEGIN_COM_MAP(CStream)
    COM_INTERFACE_ENTRY(IStream)
    COM_INTERFACE_ENTRY2(ISequentialStream, IStream)
    COM_INTERFACE_ENTRY(IElementAccess)
    END_COM_MAP()

    // A stream object holding one reference for `element`, opened in `mode`
    // with its seek pointer at `position`; counted as open in the document.
    static HRESULT Make(std::shared_ptr<CompoundDocument> document, format::Element* element, DWORD mode,
                        uint64_t position, IStream** stream);

    void FinalRelease();

    // ISequentialStream
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) override;
    HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG size, ULONG* written) override;
    // IStream
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER newSize) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD commitFlags) override;
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD lockType) override;
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD lockType) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD statFlag) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override;

    // IElementAccess
    CompoundDocument* OwningDocument() override { return document_.get(); }
    format::Element* ValidElement() override { return Current(); }

protected:
    CStream() = default;
    ~CStream() = default;

private:
    // The element, or null when a Revert of the root made it invalid.
    format::Element* Current();

    std::shared_ptr<CompoundDocument> document_;
    format::Element* element_ = nullptr;  // Not owned (the document's tree).
    DWORD mode_ = 0;
    uint64_t generation_ = 0;  // The document's generation when opened.
    uint64_t position_ = 0;
};

}  // namespace storage
