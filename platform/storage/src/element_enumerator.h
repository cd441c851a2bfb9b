// CEnumSTATSTG: the elements of a storage as they were when EnumElements
// was called (later changes do not show), in the format's order of names.
#pragma once

#include "com/server/com_object.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "format/element.h"
#include "storage/storage.h"

#include <memory>
#include <vector>

namespace storage {

class CEnumSTATSTG : public CComObjectRootEx<CComSingleThreadModel>, public IEnumSTATSTG {
public:
    BEGIN_COM_MAP(CEnumSTATSTG)
    COM_INTERFACE_ENTRY(IEnumSTATSTG)
    END_COM_MAP()

    // An enumerator holding one reference, over the children of `storage`.
    static HRESULT Make(const format::Element& storage, IEnumSTATSTG** enumerator);

    HRESULT STDMETHODCALLTYPE Next(ULONG count, STATSTG* elements, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumSTATSTG** clone) override;

protected:
    CEnumSTATSTG() = default;
    ~CEnumSTATSTG() = default;

private:
    // Records without names; Next gives each its name in task memory.
    struct Entry {
        std::u16string name;
        STATSTG stat;
    };
    using Snapshot = std::vector<Entry>;

    static HRESULT MakeOver(std::shared_ptr<const Snapshot> entries, size_t position, IEnumSTATSTG** enumerator);

    std::shared_ptr<const Snapshot> entries_;  // Shared with clones.
    size_t position_ = 0;
};

}  // namespace storage
