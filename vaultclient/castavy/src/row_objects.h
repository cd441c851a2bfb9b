// The small objects the dialog hands its command object: an element that
// holds one tree item (for IFileRefCmd3::GetRowItem) and the list of the
// rows a context menu was opened over (for IXRefTreeListCtrlCallback), with
// its enumeration.
#pragma once

#include "castavy/interfaces.h"
#include "com/ccom_ptr.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"

#include <vector>

namespace castavy {

// An element holding one tree item (or none).
class CItemElement : public CComObjectRootEx<CComSingleThreadModel>, public CASTAVYLib::IFileRefElement {
public:
    BEGIN_COM_MAP(CItemElement)
    COM_INTERFACE_ENTRY(CASTAVYLib::IFileRefElement)
    END_COM_MAP()

    // A new element (one reference for the caller) holding `item`.
    static HRESULT Create(IUnknown* item, CASTAVYLib::IFileRefElement** element);

    // IFileRefElement: 1 while an item is held; the item, a new reference
    // each time (E_POINTER for a null out-argument, S_FALSE and null when
    // none is held).
    HRESULT STDMETHODCALLTYPE HasItem(LONG* plHas) override;
    HRESULT STDMETHODCALLTYPE GetItem(IUnknown** ppoItem) override;

protected:
    CItemElement() = default;
    ~CItemElement() = default;

private:
    CComPtr<IUnknown> item_;
};

// The rows of a context menu, in the tree's order.
class CRowList : public CComObjectRootEx<CComSingleThreadModel>, public CASTAVYLib::IFileRefItemList {
public:
    BEGIN_COM_MAP(CRowList)
    COM_INTERFACE_ENTRY(CASTAVYLib::IFileRefItemList)
    END_COM_MAP()

    // A new list (one reference for the caller) of `rows`.
    static HRESULT Create(std::vector<CComPtr<IUnknown>> rows, CASTAVYLib::IFileRefItemList** list);

    // IFileRefItemList. E_POINTER for a null out-argument.
    HRESULT STDMETHODCALLTYPE GetCount(LONG* plCount, LONG lColumn, LONG lReserved) override;
    HRESULT STDMETHODCALLTYPE GetEnum(CASTAVYLib::IFileRefItemEnum** ppoEnum) override;

protected:
    CRowList() = default;
    ~CRowList() = default;

private:
    std::vector<CComPtr<IUnknown>> rows_;
};

// An enumeration of a row list's rows (it keeps its own copy).
class CRowEnum : public CComObjectRootEx<CComSingleThreadModel>, public CASTAVYLib::IFileRefItemEnum {
public:
    BEGIN_COM_MAP(CRowEnum)
    COM_INTERFACE_ENTRY(CASTAVYLib::IFileRefItemEnum)
    END_COM_MAP()

    static HRESULT Create(std::vector<CComPtr<IUnknown>> rows, CASTAVYLib::IFileRefItemEnum** enumeration);

    // IFileRefItemEnum. E_POINTER for a null out-argument.
    HRESULT STDMETHODCALLTYPE Next(IUnknown** ppoRow) override;

protected:
    CRowEnum() = default;
    ~CRowEnum() = default;

private:
    std::vector<CComPtr<IUnknown>> rows_;
    size_t next_ = 0;
};

}  // namespace castavy
