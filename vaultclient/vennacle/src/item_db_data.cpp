#include "item_db_block.h"

#include "com/task_memory.h"

#include <cstring>
#include <new>

void* ItemDbData::operator new(std::size_t size) {
    void* block = CoTaskMemAlloc(size);
    if (!block) throw std::bad_alloc();
    std::memset(block, 0, size);
    return block;
}

void ItemDbData::operator delete(void* block) noexcept { CoTaskMemFree(block); }

namespace vennacle {

ItemDbData* NewItemDbData(const ItemDbTexts& texts) {
    const std::u16string* const sources[] = {&texts.filename,   &texts.path,  &texts.configName, &texts.lockedBy,
                                             &texts.lockedPath, &texts.state, &texts.domain,     &texts.alternateName};
    std::size_t textUnits = 0;
    for (const std::u16string* text : sources) textUnits += text->size() + 1;

    void* block = CoTaskMemAlloc(sizeof(ItemDbData) + textUnits * sizeof(char16_t));
    if (!block) throw std::bad_alloc();
    std::memset(block, 0, sizeof(ItemDbData));
    ItemDbData* record = ::new (block) ItemDbData();

    // Each text null-terminated behind the record, in the order of `sources`.
    char16_t* at = reinterpret_cast<char16_t*>(static_cast<char*>(block) + sizeof(ItemDbData));
    SpStr* const targets[] = {&record->moFilename,   &record->moPath,  &record->moConfigName, &record->moLockedBy,
                              &record->moLockedPath, &record->moState, &record->moDomain,     &record->moAlternateName};
    for (std::size_t i = 0; i < std::size(sources); ++i) {
        const std::u16string& text = *sources[i];
        std::memcpy(at, text.data(), text.size() * sizeof(char16_t));
        at[text.size()] = u'\0';
        *targets[i] = SpStr::Borrow(text.empty() ? nullptr : at, static_cast<UINT>(text.size()));
        at += text.size() + 1;
    }
    return record;
}

}  // namespace vennacle
