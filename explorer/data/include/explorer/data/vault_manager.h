// CVaultManager: the vaults of the machine, one CVaultNode per vault view
// found in the registry and on disk, keyed by the view's GUID. One per
// process, built once at the first document and shared by the others.
#pragma once

#include "explorer/data/vault_node.h"

#include "common/ref_obj.h"
#include "common/ref_ptr.h"

#include "winapi/types.h"

#include <map>
#include <string>

// Orders view GUIDs by their registry-format text ("{0A...}" before "{A0...}"),
// not by their bytes.
struct GuidTextLess {
    bool operator()(const GUID& a, const GUID& b) const;
};

class CVaultManager : public RefObj {
public:
    using VaultMap = std::map<GUID, RefPtr<CVaultNode>, GuidTextLess>;

    CVaultManager() = default;

    // Builds the list once; vaults that cannot be read are left out.
    void LoadVaults();
    bool IsVaultLoggedIn(const GUID& viewId) const;
    RefPtr<CVaultNode> FindVaultNode(const GUID& viewId) const;
    // Case-sensitive; the first in map order.
    RefPtr<CVaultNode> FindVaultNodeByName(const std::u16string& name) const;
    // The first node whose root path is a case-insensitive prefix of `path`.
    RefPtr<CVaultNode> FindVaultByPath(const std::u16string& path) const;

    const VaultMap& Vaults() const noexcept { return moVaults; }
    LONG mlLoaded = 0;

protected:
    // Destroys each node's cache before the node: the cache holds its node.
    ~CVaultManager() override;

private:
    VaultMap moVaults;
};
