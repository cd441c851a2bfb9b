// MergeNs::CMerge: the collected links into the objects' link managers, and
// the report of the links a link manager refused.
#include "itemstore/merge.h"

#include "merge_data.h"

#include "bellquist/enums.h"
#include "bellquist/ids.h"
#include "com/com_error.h"
#include "com/error_info.h"
#include "common/record_array.h"
#include "winapi/text.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>

using namespace BellquistLib;

namespace MergeNs {

namespace {

// AddLinks of `links` through a new record array of the item server's
// ItmLink records. Raises when the array cannot be made.
HRESULT AddLinks(IItmLinkManager* manager, std::span<const ItmLink> links) {
    RecordArray<ItmLink> array;
    array.mvCreate(static_cast<ULONG>(links.size()), LIBID_BellquistLib, kLibraryMajorVersion, kLibraryMinorVersion);
    std::copy(links.begin(), links.end(), array.mpoBegin());
    return manager->AddLinks(array.mpoGetArray());
}

// Puts an error info with `description` into the thread's slot.
void SetErrorDescription(const std::u16string& description) {
    ICreateErrorInfo* create = nullptr;
    if (FAILED(CreateErrorInfo(&create))) return;
    IErrorInfo* errorInfo = nullptr;
    if (SUCCEEDED(create->SetDescription(description.c_str())) &&
        SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&errorInfo)))) {
        SetErrorInfo(0, errorInfo);
        errorInfo->Release();
    }
    create->Release();
}

}  // namespace

void CMerge::mvAddLinksToObjects(int mode) {
    if (mode == 0) {
        for (const auto& [key, data] : moObjects) {
            if (key[0] == ItmObjectType_Item) mvAddLinks(key, *data);
        }
    }
    for (const auto& [key, data] : moFolders) mvAddLinks(key, *data);
}

// A link manager checks the whole array before it adds anything, so one
// link that breaks its rules (a wrong link type, a second dynamic link)
// would cost the object all its links. When the whole array is refused, the
// links are offered one at a time in their order: every link that passes is
// added, and each refused one is kept for the report. Offered one by one,
// the first dynamic link wins and a later one is refused.
void CMerge::mvAddLinks(const ObjectKey& key, ItemData& data) {
    if (data.moLinks.empty()) return;
    CComPtr<IItmLinkManager> manager;
    if (FAILED(data.moObject->get_LinkManager(&manager)) || !manager) return;
    try {
        if (SUCCEEDED(AddLinks(manager, data.moLinks))) return;
        for (const ItmLink& link : data.moLinks) {
            HRESULT hr = AddLinks(manager, std::span<const ItmLink>(&link, 1));
            if (FAILED(hr)) moRefusedLinks.push_back(RefusedLink{key, link, hr});
        }
    } catch (const _com_error&) {
        // No record array: this object gets no links; the merge goes on.
    } catch (const std::bad_alloc&) {}
}

void CMerge::mvReportRefusedLinks() const {
    if (moRefusedLinks.empty()) return;
    try {
        std::string text;
        for (const RefusedLink& refused : moRefusedLinks) {
            char line[200];
            std::snprintf(line, sizeof line,
                          "%sThe link from object %d of type %d to object %d of type %d (configuration %d) was "
                          "refused (0x%08X).",
                          text.empty() ? "" : " ", refused.moParent[1], refused.moParent[0],
                          static_cast<int>(refused.moLink.mlObjectID), static_cast<int>(refused.moLink.meObjectType),
                          static_cast<int>(refused.moLink.mlConfigID), static_cast<unsigned>(refused.mhResult));
            text += line;
        }
        text += " The other links were added.";
        SetErrorDescription(winapi::ToUtf16(text));
    } catch (const std::bad_alloc&) {}
}

}  // namespace MergeNs
