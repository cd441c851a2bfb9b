// The first state of the dialog's check columns on a new tree: in an
// item-generation tree every node starts as a new or an existing item, and a
// document used more than once cannot be chosen; in an add-files tree the
// files the item links already cannot be chosen and the selected files
// start checked.
#include "bellquist/enums.h"
#include "castavy/ids.h"
#include "castavy/interfaces.h"
#include "castavy/records.h"
#include "com/ccom_bstr.h"
#include "com/ccom_ptr.h"
#include "com/method_boundary.h"
#include "com/safearray.h"
#include "com/owned_safearray.h"
#include "com/task_memory.h"
#include "com/variant.h"
#include "common/com_errors.h"
#include "common/error_catalogue.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "hastrel/ids.h"
#include "hastrel/interfaces.h"
#include "hastrel/records.h"
#include "row_record_holder.h"
#include "xref_tree_handler.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace coravent {

using namespace CASTAVYLib;
using namespace HastrelLib;

namespace {

VARIANT_BOOL Bool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

void Check(HRESULT hr, const WCHAR* description) {
    if (FAILED(hr)) gvRaiseFailedCall(hr, description);
}

// The configuration word of a tree item (its property 4); false when it
// cannot be read.
bool ReadConfigWord(IUnknown* poItem, LONG& lWord) {
    CComQIPtr<IFileRefItem3> properties(poItem);
    if (!properties) return false;
    VARIANT value;
    VariantInit(&value);
    HRESULT hr = properties->GetProperty(kPropertyConfiguration, nullptr, &value);
    if (SUCCEEDED(hr)) hr = VariantChangeType(&value, &value, 0, VT_I4);
    if (SUCCEEDED(hr)) lWord = value.lVal;
    VariantClear(&value);
    return SUCCEEDED(hr);
}

LONG ConfigWordOrZero(IUnknown* poItem) {
    LONG word = 0;
    return ReadConfigWord(poItem, word) ? word : 0;
}

// The identity of a tree item (its IUnknown), for the set of items marked.
// The tree holds its items while they are marked, so the pointer stays
// valid without a reference.
IUnknown* Identity(IUnknown* poItem) {
    IUnknown* identity = nullptr;
    if (FAILED(poItem->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity))) || !identity) return poItem;
    identity->Release();
    return identity;
}

}  // namespace

// ---- Item-generation tree ----

HRESULT CXRefTreeHandler::SetItemGenerationMarks() {
    return com::Boundary([&]() -> HRESULT {
        CComQIPtr<IXRefTreeItems> treeItems(mpoTree);
        if (!treeItems) return E_POINTER;
        VARIANT_BOOL existingSwitch = VARIANT_FALSE;
        if (HRESULT hr = treeItems->GetExistingItemSwitch(&existingSwitch); FAILED(hr)) return hr;

        std::vector<CComPtr<IUnknown>> nodes;
        std::vector<SerialNoInfo> serials;
        std::vector<std::u16string> names;
        moGetSelected(mpoTree, static_cast<IterateFlag>(0), {}, nodes, serials, names);

        // Each node starts as the tree proposes it: a new item, or the item
        // that links its document; its children follow it, not linked.
        std::map<LONG, LONG> counts;  // document id -> uses in the tree
        for (const CComPtr<IUnknown>& node : nodes) {
            CComQIPtr<IXRefItmItem> itmItem(node);
            CComQIPtr<IXRefColumns> columns(node);
            CComQIPtr<IXRefNode> nodeData(node);
            if (!itmItem || !columns || !nodeData) return E_POINTER;
            bool generate = false;
            {
                RowRecordHolder record;
                Check(itmItem->GetRowRecord(&record.record), u"Could not read a row of the reference tree.");
                generate = record.record && record.record->mlNewItem == 1;
            }
            Check(columns->SetValue(CastavyCol_CreateItem, Bool(generate)), u"Could not mark a row.");
            Check(columns->SetValue(CastavyCol_Link, Bool(generate)), u"Could not mark a row.");
            Check(columns->SetValue(CastavyCol_ExistingItem, Bool(!generate)), u"Could not mark a row.");
            Check(columns->SetEnabled(CastavyCol_ExistingItem, existingSwitch), u"Could not mark a row.");

            if (CComQIPtr<IXRefNodeChildren> children(node); children) {
                LONG word = ConfigWordOrZero(node);
                Check(children->StartChildren(word), u"Could not read the children of a row.");
                for (;;) {
                    CComPtr<IUnknown> child;
                    if (children->NextChild(word, &child) != S_OK || !child) break;
                    if (CComQIPtr<IXRefNode> childNode(child); !childNode) continue;
                    CComQIPtr<IXRefColumns> childColumns(child);
                    if (!childColumns) return E_POINTER;
                    Check(childColumns->SetValue(CastavyCol_CreateItem, Bool(generate)), u"Could not mark a row.");
                    Check(childColumns->SetValue(CastavyCol_Link, VARIANT_FALSE), u"Could not mark a row.");
                    Check(childColumns->SetValue(CastavyCol_ExistingItem, Bool(!generate)), u"Could not mark a row.");
                }
            }

            LONG flags = 0;
            Check(nodeData->GetFlags(&flags), u"Could not read a row of the reference tree.");
            if (flags & kNodeFlagCountValid) {
                LONG documentId = 0, count = 0;
                Check(nodeData->GetDocumentID(&documentId), u"Could not read a row of the reference tree.");
                Check(nodeData->GetCount(&count), u"Could not read a row of the reference tree.");
                counts[documentId] += count;
            }
        }

        // A document used more than once cannot become one item of its own.
        for (const CComPtr<IUnknown>& node : nodes) {
            CComQIPtr<IXRefNode> nodeData(node);
            LONG documentId = 0;
            Check(nodeData->GetDocumentID(&documentId), u"Could not read a row of the reference tree.");
            auto found = counts.find(documentId);
            if (found == counts.end() || found->second == 1) continue;
            CComQIPtr<IXRefColumns> columns(node);
            for (LONG column : {CastavyCol_CreateItem, CastavyCol_Link, CastavyCol_ExistingItem}) {
                Check(columns->SetValue(column, VARIANT_FALSE), u"Could not mark a row.");
                Check(columns->SetEnabled(column, VARIANT_FALSE), u"Could not mark a row.");
            }
        }
        return S_OK;
    });
}

// ---- Add-files tree ----

HRESULT CXRefTreeHandler::SetRetrieveFilesMarks() {
    return com::Boundary([&]() -> HRESULT {
        if (!mpoTree) gvRaiseComError(E_POINTER, u"No reference tree is built.");
        if (CComQIPtr<IXRefColumnState> state(mpoTree); state) {
            com::OwnedSafeArray columns(SafeArrayCreateVector(VT_I4, 0, 2));
            if (!columns) return E_OUTOFMEMORY;
            LONG ids[] = {CastavyCol_AddFile, CastavyCol_Link};
            for (LONG index = 0; index < 2; ++index)
                Check(SafeArrayPutElement(columns.get(), &index, &ids[index]), u"Could not fill a column array.");
            if (HRESULT hr = state->SetColumnsState(columns.get(), kColumnStateCleared, 7); FAILED(hr)) return hr;
        }

        CComPtr<IUnknown> rootsObject;
        Check(mpoTree->GetRoots(&rootsObject), u"Could not read the roots of the reference tree.");
        CComQIPtr<IFileRefElement> roots(rootsObject);
        if (!roots) return E_POINTER;

        std::vector<const SelectionEntry*> workingCopy;
        for (const SelectionEntry& entry : moSelection) workingCopy.push_back(&entry);

        // Each root in the configuration it shows...
        std::vector<CComPtr<IUnknown>> collected;
        for (;;) {
            LONG more = 0;
            Check(roots->HasItem(&more), u"Could not read the roots of the reference tree.");
            if (!more) break;
            CComPtr<IUnknown> root;
            Check(roots->GetItem(&root), u"Could not read the roots of the reference tree.");
            if (!root) break;
            collected.push_back(root);
            if (CComQIPtr<IFileRefConfigurations> configurations(root); configurations) {
                CComBSTR none(u"");
                LONG word = 0, configurationState = 0;
                HRESULT hr = configurations->FindConfiguration(none, &word, &configurationState);
                Check(hr, u"Could not read the configurations of a root.");
                if (hr != S_FALSE) {
                    std::set<std::pair<IUnknown*, LONG>> marked;
                    if (hr = MarkRetrieveFilesNode(root, word, workingCopy, marked); FAILED(hr)) return hr;
                }
            }
        }

        // ...then in each configuration the tree uses.
        for (const CComPtr<IUnknown>& root : collected) {
            std::set<std::pair<IUnknown*, LONG>> marked;
            LONG word = 0;
            if (ReadConfigWord(root, word) && word == -1) {
                if (HRESULT hr = MarkRetrieveFilesNode(root, -1, workingCopy, marked); FAILED(hr)) return hr;
                continue;
            }
            CComQIPtr<IFileRefConfigurations> configurations(root);
            if (!configurations) continue;
            SAFEARRAY* read = nullptr;
            const HRESULT readHr = configurations->GetConfigurations(&read);
            com::OwnedSafeArray entries(read);
            Check(readHr, u"Could not read the configurations of a root.");
            if (!entries) continue;
            // The items are marked after the array is read: marking may
            // reach the same items' configurations again.
            std::vector<std::pair<CComPtr<IUnknown>, LONG>> targets;
            {
                RecordArray<FileRefConfiguration> records(entries.get());
                for (const FileRefConfiguration* entry = records.mpoBegin(); entry != records.mpoEnd(); ++entry) {
                    if (entry->state == -1 || !entry->item) continue;
                    if (CComQIPtr<IXRefNode> node(entry->item); !node) continue;
                    targets.emplace_back(entry->item, entry->configurationWord);
                }
            }
            for (const auto& [item, configurationWord] : targets)
                if (HRESULT hr = MarkRetrieveFilesNode(item, configurationWord, workingCopy, marked); FAILED(hr))
                    return hr;
        }
        return S_OK;
    });
}

HRESULT CXRefTreeHandler::MarkRetrieveFilesNode(IUnknown* poNode, LONG lConfigWord,
                                                std::vector<const SelectionEntry*>& oWorkingCopy,
                                                std::set<std::pair<IUnknown*, LONG>>& oMarked) {
    if (!poNode) return E_POINTER;
    return com::Boundary([&]() -> HRESULT {
        // Files that reference each other would be marked without end.
        if (!oMarked.emplace(Identity(poNode), lConfigWord).second) return S_OK;

        CComQIPtr<IXRefNode> node(poNode);
        if (!node) return E_POINTER;
        LONG documentId = 0, folderId = 0;
        Check(node->GetDocumentID(&documentId), u"Could not read a row of the reference tree.");
        Check(node->GetFolderID(&folderId), u"Could not read a row of the reference tree.");
        const bool byConfiguration = (mlTreeOptions & kTreeOptionConfigurations) != 0;
        const LONG configId = byConfiguration ? ConfigWordOrZero(poNode) : 0;
        const bool linked =
            std::any_of(moCurrentLinks.begin(), moCurrentLinks.end(), [&](const CoraventLib::ItmLink& link) {
                return link.meObjectType == BellquistLib::ItmObjectType_File && link.mlObjectID == documentId &&
                       (!byConfiguration || link.mlConfigID == configId);
            });

        CComQIPtr<IXRefColumns> columns(poNode);
        if (!columns) gvRaiseComError(E_ITEM_INVALID_OBJECT, ErrorText(E_ITEM_INVALID_OBJECT).c_str());
        Check(columns->SetEnabled(CastavyCol_AddFile, Bool(!linked)), u"Could not mark a row.");
        Check(columns->SetEnabled(CastavyCol_Link, Bool(!linked)), u"Could not mark a row.");
        if (linked) {
            CComQIPtr<IXRefTreeItem> treeItem(poNode);
            if (!treeItem) return E_POINTER;
            Check(treeItem->SetMark(kMarkLinkedFile), u"Could not mark a row.");
        }

        // A file of the selection starts checked once: its first row takes
        // the entry.
        for (auto entry = oWorkingCopy.begin(); entry != oWorkingCopy.end();) {
            if ((*entry)->mlDocumentID != documentId || (*entry)->mlProjectID != folderId) {
                ++entry;
                continue;
            }
            Check(columns->SetValue(CastavyCol_AddFile, Bool(!linked)), u"Could not mark a row.");
            entry = linked ? entry + 1 : oWorkingCopy.erase(entry);
        }

        CComQIPtr<IFileRefItem> item(poNode);
        if (!item) return S_OK;
        const LONG window = static_cast<LONG>(mhParentWnd);
        if (HRESULT hr = item->StartChildren(lConfigWord, window); FAILED(hr)) return hr;
        for (;;) {
            CComPtr<IFileRefItem> child;
            if (item->NextChild(lConfigWord, window, &child) != S_OK || !child) break;
            if (HRESULT hr = MarkRetrieveFilesNode(child, ConfigWordOrZero(child), oWorkingCopy, oMarked); FAILED(hr))
                return hr;
        }
        return S_OK;
    });
}

}  // namespace coravent
