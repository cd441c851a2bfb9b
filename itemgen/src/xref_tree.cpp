// The tree handler's reference tree: built over the selection, attached to
// the tree manager (with the previous tree's counter ids while the operation
// still holds them), then given its initial marks.
#include "xref_tree_handler.h"

#include "com/ccom_bstr.h"
#include "com/method_boundary.h"
#include "com/runnable.h"
#include "com/runtime.h"
#include "common/com_errors.h"
#include "hastrel/ids.h"
#include "hastrel/interfaces.h"

namespace coravent {

using namespace HastrelLib;

namespace {

// Every context a class may be served from (in-process, handler, local, remote).
constexpr DWORD kAnyContext = 23;

}  // namespace

HRESULT CXRefTreeHandler::CreateXRefTree(SAFEARRAY* poSerials, bool* pbSerialsTaken) {
    if (pbSerialsTaken) *pbSerialsTaken = false;
    return com::Boundary([&]() -> HRESULT {
        // Folder items alone need no tree.
        if (moSelection.empty()) return moFolderItems.empty() ? E_INVALIDARG : S_OK;

        // The previous tree's ids are handed on for reuse only while they are
        // still this operation's: once given back, another may hold them.
        if (mbTreeIdsReturned) poSerials = nullptr;
        mpoTree = nullptr;
        mbTreeIdsReturned = false;

        CComPtr<IUnknown> created;
        HRESULT hr =
            CoCreateInstance(CLSID_XRefTree, nullptr, kAnyContext, IID_IUnknown, reinterpret_cast<void**>(&created));
        if (SUCCEEDED(hr)) hr = OleRun(created);
        CComPtr<IXRefTree> tree;
        if (SUCCEEDED(hr)) hr = created->QueryInterface(IXRefTree::kIid, reinterpret_cast<void**>(&tree));
        if (FAILED(hr)) return hr;

        CComQIPtr<IXRefTreeManagerSerials> manager(mpoTreeManager);
        if (!manager) return E_POINTER;
        // The tree is the handler's from here on: ids its build reserves are
        // found through it even when the build fails.
        mpoTree = tree;
        if (hr = tree->SetManager(manager); FAILED(hr)) return hr;
        if (poSerials) {
            if (hr = manager->ReuseSerials(poSerials); FAILED(hr))
                gvRaiseFailedCall(hr, u"The tree manager did not take the counter ids back.");
            if (pbSerialsTaken) *pbSerialsTaken = true;
        }
        if (hr = tree->SetOptions(mlTreeOptions); FAILED(hr)) return hr;
        CComBSTR empty(u"");
        if (hr = tree->Build(mlTreeFlag, static_cast<LONG>(moSelection.size()), moSelection.data(), empty); FAILED(hr))
            gvRaiseFailedCall(hr, u"The reference tree could not be built.");

        switch (meTreeCreationType) {
        case CoraventLib::TreeCreationType_RetrieveFiles:
            return SetRetrieveFilesMarks();
        case CoraventLib::TreeCreationType_ItemGeneration:
            return SetItemGenerationMarks();
        default:
            return S_OK;
        }
    });
}

}  // namespace coravent
