// CStorage: IStorage over a storage element of a compound file - the root
// storage of an open file, or a storage opened below it.
//
// A storage holds its document (compound_document.h), not its parent: an
// element stays usable after the storage it was opened from is released.
// Elements below the root belong to the root's transaction; after the root's
// Revert they answer STG_E_REVERTED.
#pragma once

#include "com/server/com_object.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "element_access.h"
#include "storage/storage.h"

#include <memory>
#include <string_view>

namespace storage {

class CStorage : public CComObjectRootEx<CComSingleThreadModel>, public IStorage, public IElementAccess {
public:
    BEGIN_COM_MAP(CStorage)
    COM_INTERFACE_ENTRY(IStorage)
    COM_INTERFACE_ENTRY(IElementAccess)
    END_COM_MAP()

    // A storage object holding one reference, for `element` (opened in
    // `mode`, and counted as open in the document) or, with a null element,
    // for the root storage.
    static HRESULT Make(std::shared_ptr<CompoundDocument> document, format::Element* element, DWORD mode,
                        IStorage** storage);

    void FinalRelease();

    // IStorage
    HRESULT STDMETHODCALLTYPE CreateStream(const OLECHAR* name, DWORD mode, DWORD reserved1, DWORD reserved2,
                                           IStream** stream) override;
    HRESULT STDMETHODCALLTYPE OpenStream(const OLECHAR* name, void* reserved1, DWORD mode, DWORD reserved2,
                                         IStream** stream) override;
    HRESULT STDMETHODCALLTYPE CreateStorage(const OLECHAR* name, DWORD mode, DWORD reserved1, DWORD reserved2,
                                            IStorage** storage) override;
    HRESULT STDMETHODCALLTYPE OpenStorage(const OLECHAR* name, IStorage* priority, DWORD mode, SNB exclude,
                                          DWORD reserved, IStorage** storage) override;
    HRESULT STDMETHODCALLTYPE CopyTo(DWORD excludedIidCount, const IID* excludedIids, SNB exclude,
                                     IStorage* target) override;
    HRESULT STDMETHODCALLTYPE MoveElementTo(const OLECHAR* name, IStorage* target, const OLECHAR* newName,
                                            DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD commitFlags) override;
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE EnumElements(DWORD reserved1, void* reserved2, DWORD reserved3,
                                           IEnumSTATSTG** enumerator) override;
    HRESULT STDMETHODCALLTYPE DestroyElement(const OLECHAR* name) override;
    HRESULT STDMETHODCALLTYPE RenameElement(const OLECHAR* oldName, const OLECHAR* newName) override;
    HRESULT STDMETHODCALLTYPE SetElementTimes(const OLECHAR* name, const FILETIME* created, const FILETIME* accessed,
                                              const FILETIME* modified) override;
    HRESULT STDMETHODCALLTYPE SetClass(REFCLSID clsid) override;
    HRESULT STDMETHODCALLTYPE SetStateBits(DWORD stateBits, DWORD mask) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD statFlag) override;

    // IElementAccess
    CompoundDocument* OwningDocument() override { return document_.get(); }
    format::Element* ValidElement() override { return Current(); }

protected:
    CStorage() = default;
    ~CStorage() = default;

private:
    bool IsRoot() const { return element_ == nullptr; }
    // The element, or null when a Revert of the root made it invalid.
    format::Element* Current();
    // The child named `name` (checked as an element name first: *hr is
    // STG_E_INVALIDNAME for a bad one); null with STG_E_FILENOTFOUND when
    // there is none.
    format::Element* FindChild(format::Element& self, const OLECHAR* name, HRESULT* hr);
    // Creates the child, replacing an existing one under STGM_CREATE.
    HRESULT CreateChild(format::Element& self, const OLECHAR* name, bool stream, DWORD mode, format::Element** created);
    // Whether `target` is an element of this file at or below `source`:
    // copying `source` into it would never end.
    bool IsWithin(IUnknown* target, const format::Element& source);

    std::shared_ptr<CompoundDocument> document_;
    format::Element* element_ = nullptr;  // Not owned (the document's tree); null for the root.
    DWORD mode_ = 0;
    uint64_t generation_ = 0;  // The document's generation when opened.
};

}  // namespace storage
