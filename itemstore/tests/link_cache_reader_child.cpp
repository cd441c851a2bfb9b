// Helper process of the link manager tests: reads back what a link manager
// wrote through to the item cache.
//   link_cache_reader_child <file> <item name>
//       prints one line "child <id>/<config>/<link type>/<link operation>"
//       per stored child of the item, in list order, then "dirty <flag>";
//       then loads an item of that name with a link manager over the file
//       and prints "local <version>" (its local version as the link manager
//       computes it). Exit 0; 2 when the cache cannot be read.
#include "itemstore/item_cache_file.h"
#include "itemstore/item_cache_lock.h"
#include "itemstore/itm_item_class.h"

#include "bellquist/records.h"
#include "com/bstr.h"
#include "com/server/com_object.h"
#include "testsupport/child_process.h"

#include <string>

namespace {

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 64;
    RefPtr<CItemCacheFile> file(new CItemCacheFile(Wide(argv[1])));
    const std::u16string name = Wide(argv[2]);
    {
        CItemCacheLock lock(file, kCacheLockDirect);
        ChildList children;
        uint32_t dirty = 0;
        if (FAILED(file->mhReadChildren(lock, name, children)) || FAILED(file->mhGetItemDirty(lock, name, dirty)))
            return 2;
        for (const RefPtr<ChildWithLink>& child : children) {
            testsupport::Announce("child " + std::to_string(child->mlObjectID) + "/" +
                                  std::to_string(child->mlConfigID) + "/" + std::to_string(child->meLinkType) + "/" +
                                  std::to_string(child->meLinkOperation));
        }
        testsupport::Announce("dirty " + std::to_string(dirty));
    }

    BellquistLib::ItmObjectData record{};
    record.meObjectType = BellquistLib::ItmObjectType_Item;
    record.mlObjectID = 41;
    record.moFilename = SysAllocString(name.c_str());
    CComObject<CItmItem>* item = nullptr;
    if (FAILED(CComObject<CItmItem>::CreateInstance(&item))) return 2;
    item->AddRef();
    LONG version = 0;
    if (FAILED(item->mhLoadWithLinkManager(&record, nullptr, file)) || FAILED(item->get_LocalVersion(&version)))
        return 2;
    testsupport::Announce("local " + std::to_string(version));
    item->Release();
    SysFreeString(record.moFilename);
    return 0;
}
