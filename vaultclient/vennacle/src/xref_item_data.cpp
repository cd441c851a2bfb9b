#include "vennacle/xref_item_data.h"

#include "com/task_memory.h"

#include <cstring>
#include <new>

namespace {

// Records of this layer are task memory, zeroed, so that a block the caller
// zeroed by hand is a valid empty record as well.
void* NewZeroedBlock(std::size_t size) {
    void* block = CoTaskMemAlloc(size);
    if (!block) throw std::bad_alloc();
    std::memset(block, 0, size);
    return block;
}

}  // namespace

void* XRefItemVarData::operator new(std::size_t size) { return NewZeroedBlock(size); }
void XRefItemVarData::operator delete(void* block) noexcept { CoTaskMemFree(block); }

void* XRefItemDocData::operator new(std::size_t size) { return NewZeroedBlock(size); }
void XRefItemDocData::operator delete(void* block) noexcept { CoTaskMemFree(block); }

XRefItemDocData::~XRefItemDocData() {
    SysFreeString(mbsItemName);
    SysFreeString(mbsConfigName);
    if (mpoVarData) {
        for (XRefItemVarData* var : *mpoVarData) delete var;
        delete mpoVarData;
    }
}
