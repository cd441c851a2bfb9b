// The result lists of the batch utilities (IOxnResultList) and their
// positions (IOxnListPosition). A list is fixed once made; a position keeps
// its list alive and walks it from the first entry to the end. Created
// through CreateResultList (utilities.h).
#pragma once

#include "utilities.h"

#include "oxnvault/interfaces.h"

#include "com/ccom_ptr.h"
#include "com/server/com_object.h"
#include "com/server/dispatch_impl.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/support_error_info.h"
#include "com/server/thread_model.h"

#include <vector>

namespace oxnvault {

class CResultList;

class CListPosition : public CComObjectRootEx<CComSingleThreadModel>,
                      public IDispatchImpl<OxnVaultLib::IOxnListPosition>,
                      public ISupportErrorInfoImpl<&OxnVaultLib::IOxnListPosition::kIid> {
public:
    BEGIN_COM_MAP(CListPosition)
    COM_INTERFACE_ENTRY(OxnVaultLib::IOxnListPosition)
    COM_INTERFACE_ENTRY2(IDispatch, OxnVaultLib::IOxnListPosition)
    COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    HRESULT STDMETHODCALLTYPE IsAtEnd(VARIANT_BOOL* atEnd) override;

private:
    friend class CResultList;
    CComPtr<OxnVaultLib::IOxnResultList> list_;  // keeps the entries alive
    const CResultList* owner_ = nullptr;         // Not owned: list_ holds it.
    size_t next_ = 0;
    size_t count_ = 0;
};

class CResultList : public CComObjectRootEx<CComSingleThreadModel>,
                    public IDispatchImpl<OxnVaultLib::IOxnResultList>,
                    public ISupportErrorInfoImpl<&OxnVaultLib::IOxnResultList::kIid> {
public:
    BEGIN_COM_MAP(CResultList)
    COM_INTERFACE_ENTRY(OxnVaultLib::IOxnResultList)
    COM_INTERFACE_ENTRY2(IDispatch, OxnVaultLib::IOxnResultList)
    COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    HRESULT STDMETHODCALLTYPE IsEmpty(VARIANT_BOOL* empty) override;
    HRESULT STDMETHODCALLTYPE GetFirstPosition(OxnVaultLib::IOxnListPosition** position) override;
    HRESULT STDMETHODCALLTYPE GetNext(OxnVaultLib::IOxnListPosition* position, BSTR* path, LONG* fileId,
                                      LONG* folderId) override;

private:
    friend HRESULT CreateResultList(std::vector<ResultEntry> entries, OxnVaultLib::IOxnResultList** list);
    std::vector<ResultEntry> entries_;
};

}  // namespace oxnvault
