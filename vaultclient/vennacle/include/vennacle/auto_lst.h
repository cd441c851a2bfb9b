// AutoLst<Lst<T*>>: a list of records that owns them. Its end frees every
// record still in it with `delete`, which each record type of this layer
// routes to task memory (destructor and operator delete for XRefItemDocData,
// CoTaskMemFree of the one block for ItemDbData).
#pragma once

#include "common/lst.h"

template <class L>
class AutoLst : public L {
public:
    AutoLst() = default;
    ~AutoLst() override { DeleteAll(); }

    // Frees every record and empties the list.
    void DeleteAll() noexcept {
        while (!this->IsEmpty()) delete this->RemoveHead();
    }
};
