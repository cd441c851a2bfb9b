#include "explorer/data/vault_manager.h"

#include "explorer/data/cache.h"
#include "vault_listing.h"
#include "vault_shell_roots.h"

#include "common/desktop_ini.h"
#include "common/lst.h"
#include "common/settings_light.h"

#include "com/bstr.h"
#include "com/com_error.h"
#include "com/guid_strings.h"
#include "winapi/text.h"

#include <memory>
#include <string_view>
#include <utility>

namespace {

// The registry form StringFromGUID2 writes: braces, upper-case digits.
std::u16string_view GuidText(const GUID& guid, WCHAR (&buffer)[39]) {
    const int written = StringFromGUID2(guid, buffer, 39);
    return std::u16string_view(buffer, written > 0 ? static_cast<size_t>(written - 1) : 0);
}

// Destroys the node's cache first: the cache holds the node, so neither
// would go otherwise.
void gvDestroyCache(CVaultNode& node) { delete std::exchange(node.mpoCache, nullptr); }

}  // namespace

bool GuidTextLess::operator()(const GUID& a, const GUID& b) const {
    WCHAR left[39];
    WCHAR right[39];
    return GuidText(a, left) < GuidText(b, right);
}

CVaultManager::~CVaultManager() {
    for (auto& [viewId, node] : moVaults) gvDestroyCache(*node);
}

void CVaultManager::LoadVaults() {
    if (mlLoaded == 1) return;
    SettingsLight settings;
    Lst<_bstr_t> names;
    EnumVaultShellRoots(settings, names);
    while (!names.IsEmpty()) {
        const _bstr_t entry = names.RemoveHead();
        const std::u16string name = com::BstrText(static_cast<OLECHAR*>(entry));
        if (!gbIsVaultListed(settings, name.c_str())) continue;

        // The view folder as registered, not folded to lower case: names on
        // disk are case-sensitive here, so only the comparisons with the
        // root path ignore case (FindVaultByPath).
        std::u16string root = settings.goGetViewRoot(name.c_str());
        if (root.empty()) continue;
        GUID viewId{};
        GUID vaultId{};
        if (!GetDesktopIniGuid(root.c_str(), kDesktopIniViewId, viewId) ||
            !GetDesktopIniGuid(root.c_str(), kDesktopIniVaultId, vaultId))
            continue;

        RefPtr<CVaultNode> node(new CVaultNode(viewId, vaultId, name, std::move(root)));
        std::unique_ptr<CCache> cache(new CCache(node));
        try {
            node->SetCache(cache.get());
        } catch (const _com_error&) {
            // Without its root folder (the item server missing or failing)
            // the vault cannot be shown: it is left out, as a vault that
            // cannot be read is.
            node->mpoCache = nullptr;
            continue;
        }
        cache.release();  // the node's now, destroyed by this manager

        auto [slot, inserted] = moVaults.try_emplace(viewId, node);
        if (!inserted) {
            // A second vault of the same view: the later one takes the slot.
            RefPtr<CVaultNode> earlier = std::exchange(slot->second, node);
            gvDestroyCache(*earlier);
        }
    }
    mlLoaded = 1;
}

bool CVaultManager::IsVaultLoggedIn(const GUID& viewId) const {
    const auto found = moVaults.find(viewId);
    return found != moVaults.end() && found->second->mbLoggedIn && found->second->mpoItmManager;
}

RefPtr<CVaultNode> CVaultManager::FindVaultNode(const GUID& viewId) const {
    const auto found = moVaults.find(viewId);
    return found != moVaults.end() ? found->second : RefPtr<CVaultNode>();
}

RefPtr<CVaultNode> CVaultManager::FindVaultNodeByName(const std::u16string& name) const {
    for (const auto& [viewId, node] : moVaults)
        if (node->moName == name) return node;
    return {};
}

RefPtr<CVaultNode> CVaultManager::FindVaultByPath(const std::u16string& path) const {
    for (const auto& [viewId, node] : moVaults) {
        const std::u16string& root = node->moRootPath;
        if (path.size() >= root.size() &&
            winapi::EqualsIgnoreCase(std::u16string_view(path).substr(0, root.size()), root))
            return node;
    }
    return {};
}
