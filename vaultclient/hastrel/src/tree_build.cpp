#include "tree_build.h"

#include "bellquist/item_names.h"
#include "com/bstr.h"
#include "common/com_errors.h"
#include "common/error_codes.h"
#include "winapi/text.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <tuple>

namespace hastrel {

namespace {

using namespace HastrelLib;

void Check(HRESULT hr) {
    if (FAILED(hr)) gvRaiseFailedCall(hr, u"The vault could not be read for the cross-reference tree.");
}

std::u16string Number(LONG value) { return winapi::ToUtf16(std::to_string(value)); }

// A node before its item is made: what the build learned of it.
struct Place {
    NodeData data;
    std::vector<size_t> children;  // indexes into the places
    bool needsName = false;
};

class Builder {
public:
    Builder(TreeSource& source, LONG options) : source_(source), options_(options) {}

    void Run(const SelectionEntry* entries, LONG count, std::vector<LONG> reusable, BuiltTree& tree,
             std::vector<SerialNoInfo>& held) {
        // Until the names are reached the reusable ids stay the tree's.
        held.clear();
        for (LONG id : reusable) held.push_back(SerialNoInfo{id, 0});

        for (LONG i = 0; i < count; ++i) AddRootsOf(entries[i]);
        for (size_t root : roots_) {
            std::vector<LONG> path;
            AddChildren(root, path, 0);
        }
        std::vector<SourceItem> items;
        Check(source_.GetItems(items));
        if (options_ & kTreeOptionItemNames) ProposeNames();
        AssignCounters(reusable, held);
        MakeItems(tree);
        tree.items = std::move(items);
    }

private:
    std::shared_ptr<const SourceDocument> Document(LONG documentId) {
        auto found = documents_.find(documentId);
        if (found != documents_.end()) return found->second;
        auto document = std::make_shared<SourceDocument>();
        HRESULT hr = source_.GetDocument(documentId, *document);
        Check(hr);
        std::shared_ptr<const SourceDocument> result;
        if (hr == S_OK) result = std::move(document);
        documents_.emplace(documentId, result);
        return result;
    }

    // The configuration of `document` named `name`, as the tree's option
    // word lets it count: its id and name, or -1 and "".
    std::pair<LONG, std::u16string> Configuration(const SourceDocument& document, std::u16string_view name) const {
        if ((options_ & kTreeOptionConfigurations) && !name.empty())
            for (const SourceConfiguration& configuration : document.mvConfigurations)
                if (winapi::EqualsIgnoreCase(configuration.moName, name))
                    return {configuration.mlConfigID, configuration.moName};
        return {-1, u""};
    }

    void AddRoot(LONG documentId, std::u16string_view configName, std::u16string_view itemName, LONG itemFolderId) {
        std::shared_ptr<const SourceDocument> document = Document(documentId);
        if (!document) gvRaiseComError(E_OXN_FILE_NOT_FOUND, u"A document of the selection is not in the vault.");
        auto [configWord, configuration] = Configuration(*document, configName);
        for (size_t root : roots_)
            if (places_[root].data.document->mlDocumentID == documentId && places_[root].data.configWord == configWord)
                return;
        Place place;
        place.data.document = std::move(document);
        place.data.configWord = configWord;
        place.data.configName = std::move(configuration);
        place.data.itemFolderId = itemFolderId;
        place.data.nameA = itemName;
        place.data.key = Number(static_cast<LONG>(roots_.size()));
        place.data.flags = kNodeFlagRoot;
        roots_.push_back(places_.size());
        places_.push_back(std::move(place));
    }

    void AddRootsOf(const SelectionEntry& entry) {
        const std::u16string_view itemName = com::BstrView(entry.mbsItemName);
        if (entry.mlKind == kSelectionDocument) {
            AddRoot(entry.mlDocumentID, com::BstrView(entry.mbsConfiguration), itemName, entry.mlItemFolderID);
        } else if (entry.mlKind == kSelectionProject) {
            std::vector<LONG> documentIds;
            Check(source_.GetFolderDocuments(entry.mlProjectID, documentIds));
            for (LONG documentId : documentIds) AddRoot(documentId, u"", u"", entry.mlItemFolderID);
        }
    }

    // The children of the place at `index`: one per referenced document (in
    // a configuration, of a kind), in the order of the references, leaving
    // out documents on the place's own path.
    void AddChildren(size_t index, std::vector<LONG>& path, int depth) {
        if (!(options_ & kTreeOptionReferences)) return;
        if ((options_ & kTreeOptionDirectOnly) && depth > 0) return;
        const LONG documentId = places_[index].data.document->mlDocumentID;
        path.push_back(documentId);
        std::vector<SourceReference> references;
        Check(source_.GetReferences(documentId, references));

        using Key = std::tuple<LONG, LONG, bool>;
        std::map<Key, size_t> byKey;  // -> index into places_
        std::vector<size_t> children;
        for (const SourceReference& reference : references) {
            if (std::find(path.begin(), path.end(), reference.mlChildID) != path.end()) continue;
            std::shared_ptr<const SourceDocument> child = Document(reference.mlChildID);
            if (!child) continue;  // a reference to a document the vault no longer has
            auto [configWord, configuration] = Configuration(*child, reference.moChildConfiguration);
            const Key key{reference.mlChildID, configWord, reference.mbStatic};
            auto found = byKey.find(key);
            if (found != byKey.end()) {
                ++places_[found->second].data.quantity;
                continue;
            }
            Place place;
            place.data.document = std::move(child);
            place.data.configWord = configWord;
            place.data.configName = std::move(configuration);
            place.data.isStatic = reference.mbStatic;
            place.data.parentDocumentId = documentId;
            place.data.key = places_[index].data.key + u"/" + Number(static_cast<LONG>(children.size()));
            byKey.emplace(key, places_.size());
            children.push_back(places_.size());
            places_.push_back(std::move(place));
        }
        places_[index].children = children;
        if (!children.empty()) places_[index].data.flags |= kNodeFlagHasChildren;
        for (size_t child : children) AddChildren(child, path, depth + 1);
        path.pop_back();
    }

    // Name B from the items that link a place's document; a place without
    // one and without a name of the selection needs a new name.
    void ProposeNames() {
        for (Place& place : places_) {
            place.data.itemNames = true;
            std::vector<std::u16string> linking;
            Check(source_.GetLinkingItems(place.data.document->mlDocumentID, place.data.configWord, linking));
            if (!linking.empty()) {
                place.data.nameB = linking.front();
                place.data.flags |= kNodeFlagExistingItem;
            } else if (place.data.nameA.empty()) {
                place.needsName = true;
            }
        }
    }

    void AssignCounters(const std::vector<LONG>& reusable, std::vector<SerialNoInfo>& held) {
        LONG needed = 0;
        for (const Place& place : places_) needed += place.needsName ? 1 : 0;
        if (reusable.empty() && needed == 0) return;

        std::vector<SourceName> names;
        if (!reusable.empty()) Check(source_.GetReservedCounters(reusable, names));
        // Ids no longer reserved are not the tree's any more.
        held.clear();
        for (const SourceName& name : names) held.push_back(SerialNoInfo{name.mlCounterID, 0});
        if (names.size() > static_cast<size_t>(needed)) {
            std::vector<LONG> leftover;
            for (size_t i = static_cast<size_t>(needed); i < names.size(); ++i)
                leftover.push_back(names[i].mlCounterID);
            Check(source_.FreeCounters(leftover));
            names.resize(static_cast<size_t>(needed));
            held.resize(names.size());
        }
        if (names.size() < static_cast<size_t>(needed)) {
            std::vector<SourceName> fresh;
            Check(source_.ReserveCounters(needed - static_cast<LONG>(names.size()), fresh));
            for (const SourceName& name : fresh) held.push_back(SerialNoInfo{name.mlCounterID, 0});
            if (fresh.size() != static_cast<size_t>(needed) - names.size())
                gvRaiseComError(E_UNEXPECTED, u"The vault reserved another number of counter ids than asked.");
            names.insert(names.end(), fresh.begin(), fresh.end());
        }
        held.clear();
        size_t next = 0;
        for (Place& place : places_) {
            if (!place.needsName) continue;
            const SourceName& name = names[next++];
            place.data.nameA = name.moName + std::u16string(BellquistLib::kItemExtension);
            place.data.serial = SerialNoInfo{name.mlCounterID, place.data.document->mlDocumentID};
            held.push_back(place.data.serial);
        }
    }

    void MakeItems(BuiltTree& tree) {
        const bool counts = (options_ & kTreeOptionCounts) != 0;
        std::vector<NodeRef> items(places_.size());
        for (size_t i = 0; i < places_.size(); ++i) {
            if (counts) places_[i].data.flags |= kNodeFlagCountValid;
            items[i] = CXRefTreeItem::Create(places_[i].data);
        }
        for (size_t i = 0; i < places_.size(); ++i)
            for (size_t child : places_[i].children) items[i]->AddChild(items[child]);
        // The nodes of one document under one parent know each other.
        GroupSiblings(roots_, items);
        for (const Place& place : places_) GroupSiblings(place.children, items);
        for (size_t root : roots_) {
            tree.roots.push_back(items[root]);
            AddDepthFirst(root, items, tree.nodes);
        }
    }

    void GroupSiblings(const std::vector<size_t>& siblings, const std::vector<NodeRef>& items) {
        std::map<LONG, std::shared_ptr<NodeSiblings>> byDocument;
        for (size_t index : siblings) {
            std::shared_ptr<NodeSiblings>& group = byDocument[places_[index].data.document->mlDocumentID];
            if (!group) group = std::make_shared<NodeSiblings>();
            group->nodes.push_back(items[index].get());
            items[index]->SetSiblings(group);
        }
    }

    void AddDepthFirst(size_t index, const std::vector<NodeRef>& items, std::vector<NodeRef>& nodes) {
        nodes.push_back(items[index]);
        for (size_t child : places_[index].children) AddDepthFirst(child, items, nodes);
    }

    TreeSource& source_;
    const LONG options_;
    std::map<LONG, std::shared_ptr<const SourceDocument>> documents_;  // null: not in the vault
    std::vector<Place> places_;
    std::vector<size_t> roots_;
};

}  // namespace

void BuildTreeNodes(TreeSource& source, LONG options, const SelectionEntry* entries, LONG count,
                    std::vector<LONG> reusable, BuiltTree& tree, std::vector<SerialNoInfo>& held) {
    Builder(source, options).Run(entries, count, std::move(reusable), tree, held);
}

}  // namespace hastrel
