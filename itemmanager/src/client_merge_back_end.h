// The client back end as the merge sees it: the tree fetch and the folder
// listing merge the client library's records through it.
#pragma once

#include "proxy_tavrosk_api.h"

#include "itemstore/merge.h"

#include "tavrosk/client_interfaces.h"

#include <string_view>
#include <utility>

class CClientMergeBackEnd final : public MergeNs::IMergeBackEnd {
public:
    explicit CClientMergeBackEnd(CProxyTavroskAPI& backEnd) : backEnd_(backEnd) {}

    HRESULT mhCreateItmObject(BellquistLib::ItmObjectData* record, BellquistLib::IItmObject** object,
                              RefPtr<CItemCacheFile> cacheFile, BellquistLib::IItmObject* source,
                              IUnknown* connection) override {
        return backEnd_.mhCreateItmObject(record, object, std::move(cacheFile), source, connection);
    }
    RefPtr<CItemCacheFile> mpoGetCacheFile() override { return backEnd_.mpoGetCacheFile(); }
    IUnknown* mpoGetClientObject() override { return backEnd_.mpoGetClient(); }
    std::u16string_view moGetViewPath() override {
        const _bstr_t& path = backEnd_.moGetViewPath();
        const OLECHAR* text = path;
        return text ? std::u16string_view(text, path.length()) : std::u16string_view();
    }
    GUID moGetViewGUID() override { return backEnd_.moGetViewGUID(); }

private:
    CProxyTavroskAPI& backEnd_;
};
