// SpItems: the counter-id procedures (generation is in item_generation.cpp).
#include "vennacle/sp_items.h"

#include "vennacle/counters.h"
#include "vennacle/sp_query.h"
#include "vaultdb/transaction.h"

#include <vector>

using namespace vennacle;

HRESULT SpItems::mhGenerateItemIDs(LONG count, Lst<SpStr>& names, Lst<LONG>& counterIds) {
    if (count < 0) return E_INVALIDARG;
    std::vector<Counter> reserved;
    const HRESULT hr = SpBoundary([&] {
        vaultdb::Transaction transaction(moDatabase);
        if (HRESULT begun = transaction.Begin(); FAILED(begun)) SpRaise(begun);
        for (LONG i = 0; i < count; ++i) reserved.push_back(ReserveCounter(moDatabase));
        if (HRESULT committed = transaction.Commit(); FAILED(committed)) SpRaise(committed);
    });
    if (FAILED(hr)) return hr;
    return SpBoundary([&] {
        for (const Counter& counter : reserved) {
            names.AddTail(SpStr(counter.moName));
            counterIds.AddTail(counter.mlID);
        }
    });
}

HRESULT SpItems::mhPushBackCounterIDs(LONG count, const SerialNoInfo* serials) {
    if (count < 0) return E_INVALIDARG;
    if (count == 0) return S_OK;
    if (!serials) return E_POINTER;
    return SpBoundary([&] {
        vaultdb::Transaction transaction(moDatabase);
        if (HRESULT begun = transaction.Begin(); FAILED(begun)) SpRaise(begun);
        for (LONG i = 0; i < count; ++i) FreeReservedCounter(moDatabase, serials[i].mlCounterID);
        if (HRESULT committed = transaction.Commit(); FAILED(committed)) SpRaise(committed);
    });
}
