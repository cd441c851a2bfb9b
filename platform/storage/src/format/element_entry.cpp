#include "format/element_entry.h"

namespace storage::format {

void DescribeElement(const Element& element, DirectoryEntry* entry) {
    const bool root = element.Type() == ElementType::Root;
    entry->SetName(root ? std::u16string_view(u"Root Entry") : std::u16string_view(element.Name()));
    entry->type = static_cast<uint8_t>(element.Type());
    if (element.IsStream()) {
        entry->clsid = GUID{};
        entry->stateBits = 0;
        entry->creationTime = 0;
        entry->modifiedTime = 0;
        return;
    }
    entry->clsid = element.Clsid();
    entry->stateBits = element.StateBits();
    entry->creationTime = root ? 0 : element.CreationTime();
    entry->modifiedTime = element.ModifiedTime();
}

}  // namespace storage::format
