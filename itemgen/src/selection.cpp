// The tree handler's selection: the items the caller wants generated, taken
// as selection entries of the reference tree, as items of a folder alone, and
// as the variable values to write on the items.
#include "xref_tree_handler.h"

#include "bellquist/item_names.h"
#include "com/bstr.h"
#include "com/method_boundary.h"
#include "com/variant.h"
#include "common/com_errors.h"
#include "common/record_array.h"
#include "hastrel/records.h"
#include "vennacle/xref_item_data.h"
#include "winapi/shell_paths.h"
#include "winapi/text.h"

#include <new>
#include <utility>

namespace coravent {

using CoraventLib::ItemData;
using CoraventLib::ItemVariableData;

BSTR gbsItemFileName(const std::u16string& name) {
    if (name.empty()) return nullptr;
    std::u16string fileName = name;
    if (lstrcmpiW(PathFindExtensionW(name.c_str()), std::u16string(BellquistLib::kItemExtension).c_str()) != 0)
        fileName += BellquistLib::kItemExtension;
    BSTR copy = SysAllocStringLen(fileName.data(), static_cast<UINT>(fileName.size()));
    if (!copy) throw std::bad_alloc();
    return copy;
}

namespace {

// The variable's id from a VARIANT that is not a name: integer types by
// value, anything else converted.
HRESULT VariableId(const VARIANT& value, LONG& id) {
    switch (value.vt) {
    case VT_I1:
        id = value.cVal;
        return S_OK;
    case VT_UI1:
        id = value.bVal;
        return S_OK;
    case VT_I2:
        id = value.iVal;
        return S_OK;
    case VT_UI2:
        id = value.uiVal;
        return S_OK;
    case VT_I4:
    case VT_INT:
        id = value.lVal;
        return S_OK;
    case VT_UI4:
    case VT_UINT:
        id = static_cast<LONG>(value.ulVal);
        return S_OK;
    case VT_I8:
    case VT_UI8:
        id = static_cast<LONG>(value.llVal);  // the low 32 bits
        return S_OK;
    default: {
        VARIANT converted;
        VariantInit(&converted);
        if (HRESULT hr = VariantChangeType(&converted, &value, 0, VT_I4); FAILED(hr)) return hr;
        id = converted.lVal;
        return S_OK;
    }
    }
}

}  // namespace

HRESULT CXRefTreeHandler::MakeVarData(const ItemVariableData& oVar, XRefItemVarData** ppoVarData) {
    if (!ppoVarData) return E_POINTER;
    *ppoVarData = nullptr;
    return com::Boundary([&]() -> HRESULT {
        std::unique_ptr<XRefItemVarData> value(new XRefItemVarData());
        if (oVar.moVarIdOrName.vt == VT_BSTR) {
            value->moVarName = com::BstrView(oVar.moVarIdOrName.bstrVal);
        } else if (HRESULT hr = VariableId(oVar.moVarIdOrName, value->mlVarID); FAILED(hr)) {
            return hr;
        }
        if (oVar.moValue.vt == VT_DATE) {
            value->mdValue = oVar.moValue.date;
        } else {
            VARIANT text;
            VariantInit(&text);
            if (HRESULT hr = VariantCopy(&text, &oVar.moValue); FAILED(hr)) return hr;
            if (text.vt != VT_BSTR) {
                if (HRESULT hr = VariantChangeType(&text, &text, 0, VT_BSTR); FAILED(hr)) {
                    VariantClear(&text);
                    return hr;
                }
            }
            try {
                value->moValue = com::BstrView(text.bstrVal);
            } catch (...) {
                VariantClear(&text);
                throw;
            }
            VariantClear(&text);
        }
        *ppoVarData = value.release();
        return S_OK;
    });
}

HRESULT CXRefTreeHandler::AddSelection(SAFEARRAY* poItems) {
    if (!poItems) return E_POINTER;
    return com::Boundary([&]() -> HRESULT {
        RecordArray<ItemData> items(poItems);
        for (const ItemData* item = items.mpoBegin(); item != items.mpoEnd(); ++item) {
            const bool named = SysStringLen(item->mbsItemName) >= 1;
            const std::u16string configName(com::BstrView(item->mbsFileCfg));

            OwnedVarList values;
            if (item->mpoVarData || item->mbStaticLink == VARIANT_TRUE) {
                if (item->mlProjectID != 0 && item->mlDocumentID == 0) return E_INVALIDARG;
                VarDataKey key{item->mlDocumentID, configName};
                if (item->mlDocumentID == 0 || !moVarData.contains(key)) {
                    values.reset(new std::vector<XRefItemVarData*>());
                    if (item->mpoVarData) {
                        RecordArray<ItemVariableData> variables(item->mpoVarData);
                        for (const ItemVariableData* variable = variables.mpoBegin(); variable != variables.mpoEnd();
                             ++variable) {
                            XRefItemVarData* value = nullptr;
                            if (HRESULT hr = MakeVarData(*variable, &value); FAILED(hr)) return hr;
                            try {
                                values->push_back(value);
                            } catch (...) {
                                delete value;
                                throw;
                            }
                        }
                    }
                    if (item->mlDocumentID > 0) {
                        VarDataEntry entry;
                        entry.mpoVarData = std::move(values);
                        entry.mbStaticLink = item->mbStaticLink == VARIANT_TRUE;
                        entry.mbItemNamed = named;
                        moVarData.emplace(std::move(key), std::move(entry));
                    }
                }
            }

            // An item without document and folder is an item of its
            // destination folder alone; it has no place in the tree.
            if (item->mlDocumentID <= 0 && item->mlProjectID <= 0) {
                auto folderItem = std::make_unique<FolderItemEntry>();
                folderItem->moName = com::BstrView(item->mbsItemName);
                folderItem->mlItemFolderID = item->mlItemFolderID;
                folderItem->mpoVarData = std::move(values);
                moFolderItems.push_back(std::move(folderItem));
                continue;
            }

            HastrelLib::SelectionEntry entry{};
            entry.mlKind = item->mlDocumentID > 0 ? HastrelLib::kSelectionDocument : HastrelLib::kSelectionProject;
            entry.mlDocumentID = item->mlDocumentID;
            entry.moReserved.vt = VT_INT;
            entry.moReserved.intVal = 0;
            entry.mlProjectID = item->mlProjectID;
            entry.mlItemFolderID = item->mlItemFolderID;
            // The entry owns its strings from here on (freed with the handler).
            moSelection.reserve(moSelection.size() + 1);
            if (item->mbsFileCfg) {
                entry.mbsConfiguration = SysAllocStringLen(item->mbsFileCfg, SysStringLen(item->mbsFileCfg));
                if (!entry.mbsConfiguration) return E_OUTOFMEMORY;
            }
            try {
                entry.mbsItemName = gbsItemFileName(std::u16string(com::BstrView(item->mbsItemName)));
            } catch (...) {
                SysFreeString(entry.mbsConfiguration);
                throw;
            }
            moSelection.push_back(entry);
        }
        return S_OK;
    });
}

}  // namespace coravent
