// CItmLinkManager (coclass ItmLinkManager): the child links of one item or
// item folder. It keeps the link table (itm_link_state.h), validates every
// change by the link rules (itm_link_rules.h), and for an item writes each
// change made through the object-based methods (AddLink2, AddLinks2,
// RemoveLink2, RemoveLinks2, SwitchLink, SwitchLinks) through to the item
// cache, marking the item changed there: inside a local transaction through
// the transaction's cache interface, outside in a lock scope of its own per
// change. A folder's link manager has no cache file and writes nothing.
//
// It takes part in local transactions: BeginLocalTransaction saves a copy
// of the whole state, Rollback restores it (added, removed and switched
// links alike), Commit drops it.
//
// The owner holds its link manager; the link manager keeps only a copy of
// the owner's identity and name, never a reference to it.
//
// Implemented by concept: itm_link_manager.cpp (creation, queries, the
// private interface), itm_link_manager_changes.cpp (adding and removing),
// itm_link_manager_switch.cpp (switches), itm_link_manager_transaction.cpp.
#pragma once

#include "itemstore/itm_link_manager_private.h"
#include "itemstore/itm_link_state.h"
#include "common/ref_ptr.h"

#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "com/server/co_class.h"
#include "com/server/dispatch_impl.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/thread_model.h"

#include <span>

class CItemCacheFile;
class CItemCacheFileI;
class OwnerCache;

class CItmLinkManager : public CComObjectRootEx<CComSingleThreadModel>,
                        public CComCoClass<CItmLinkManager, &BellquistLib::CLSID_ItmLinkManager>,
                        public IDispatchImpl<BellquistLib::IItmLinkManager>,
                        public IPrivateItmLinkManager,
                        public BellquistLib::ILocalTransaction {
public:
    BEGIN_COM_MAP(CItmLinkManager)
    COM_INTERFACE_ENTRY(BellquistLib::IItmLinkManager)
    COM_INTERFACE_ENTRY2(IDispatch, BellquistLib::IItmLinkManager)
    COM_INTERFACE_ENTRY(IPrivateItmLinkManager)
    COM_INTERFACE_ENTRY(BellquistLib::ILocalTransaction)
    END_COM_MAP()

    // --- Creation (by the owner's load) --------------------------------------
    // The owner's identity (through its properties) and name, and the
    // has-unloaded-children flag. E_OXN_NULL_VALUE for a null owner; the
    // failure of its Name.
    HRESULT mhInitForFolder(BellquistLib::IItmObject* owner, VARIANT_BOOL hasChildren);
    // As for a folder, and keeps `cacheFile` to write the links through.
    // E_OXN_NULL_VALUE for a null owner or cache file.
    HRESULT mhInitForItem(BellquistLib::IItmObject* owner, const RefPtr<CItemCacheFile>& cacheFile,
                          VARIANT_BOOL hasChildren);

    // --- IItmLinkManager -------------------------------------------------------
    // LinkType_All: every link; LinkType_Dynamic: 1 with a dynamic link, else
    // 0; any other type: the links of that current type. E_POINTER.
    HRESULT STDMETHODCALLTYPE GetLinkCount(BellquistLib::ItmLinkType linkType, LONG* count) override;
    HRESULT STDMETHODCALLTYPE HasDynamicLink(VARIANT_BOOL* hasDynamicLink) override;
    HRESULT STDMETHODCALLTYPE HasUnloadedChildren(VARIANT_BOOL* hasUnloadedChildren) override;
    // S_FALSE when the flag has that value already.
    HRESULT STDMETHODCALLTYPE SetHasUnloadedChildren(VARIANT_BOOL hasUnloadedChildren) override;
    // The current operation / type of the object's link; 0 when it has none.
    // E_OXN_NULL_VALUE for a null argument.
    HRESULT STDMETHODCALLTYPE GetLinkOperation(BellquistLib::IItmObject* object,
                                               BellquistLib::ItmLinkOperation* operation) override;
    HRESULT STDMETHODCALLTYPE GetLinkType(BellquistLib::IItmObject* object, BellquistLib::ItmLinkType* type) override;
    // A new array of the links' identities in table order; a null array when
    // there are no links. E_POINTER.
    HRESULT STDMETHODCALLTYPE GetLinksID(SAFEARRAY** ids) override;
    // A new array of the links of the current type `linkType` (all for
    // LinkType_All), possibly empty. E_ITEM_INVALID_LINK_TYPE for
    // LinkType_Undefined.
    HRESULT STDMETHODCALLTYPE GetLinks(BellquistLib::ItmLinkType linkType, SAFEARRAY** links) override;
    // Adds one link to the table: E_OXN_NULL_VALUE,
    // E_ITEM_INVALID_LINK_OPERATION unless LinkOp_None or LinkOp_New, nothing
    // for LinkType_Files, then the link rules and E_ITEM_LINK_DUPLICATED for a
    // link already there.
    HRESULT STDMETHODCALLTYPE AddLink(BellquistLib::ItmLink* link) override;
    // AddLink of the object's link with `operation` (when not 0), then the
    // object's record is written to the cache and the owner touched.
    HRESULT STDMETHODCALLTYPE AddLink2(BellquistLib::IItmObject* object,
                                       BellquistLib::ItmLinkOperation operation) override;
    // Checks the whole array first (operations None, New or Switch; the link
    // rules; at most one dynamic link) and adds nothing on a failure; then
    // adds each link, returning the first insertion failure.
    HRESULT STDMETHODCALLTYPE AddLinks(SAFEARRAY* links) override;
    // AddLinks of the objects' links with `operation` (when not 0); on S_OK
    // the children are added to the owner's cached children list, as the
    // table got them, and the owner is touched.
    HRESULT STDMETHODCALLTYPE AddLinks2(SAFEARRAY* objects, BellquistLib::ItmLinkOperation operation) override;
    // S_OK (nothing) without links; E_INVALIDARG for null;
    // E_ITEM_INVALID_ITEM_TYPE for kinds 0 and 2; E_ITEM_INVALID_OBJECT for a
    // negative id; S_FALSE when absent.
    HRESULT STDMETHODCALLTYPE RemoveLink(BellquistLib::ItmUniqueID* id) override;
    // The object's link leaves the table; its cached child is erased from the
    // owner's list and the owner touched.
    HRESULT STDMETHODCALLTYPE RemoveLink2(BellquistLib::IItmObject* object) override;
    // RemoveLink for each element in order (absence ignored); the first
    // failed check ends it, removals before it stay.
    HRESULT STDMETHODCALLTYPE RemoveLinks(SAFEARRAY* ids) override;
    // The objects' links leave the table; their cached children are marked
    // LinkOp_Remove and the owner touched.
    HRESULT STDMETHODCALLTYPE RemoveLinks2(SAFEARRAY* objects) override;
    // Switches one file link between dynamic and static: the table, the
    // object's link type and the cache. E_ITEM_INVALID_SOURCE for what is not a
    // linked file, E_ITEM_MANY_DYN_LINKS when the owner would have two dynamic
    // links.
    HRESULT STDMETHODCALLTYPE SwitchLink(BellquistLib::IItmObject* object) override;
    // Switches several: at most one becomes dynamic and at most one static,
    // and never so that two dynamic links result (E_ITEM_MANY_DYN_LINKS,
    // nothing changed); moving the dynamic link from one file to another is
    // allowed.
    HRESULT STDMETHODCALLTYPE SwitchLinks(SAFEARRAY* objects) override;
    HRESULT STDMETHODCALLTYPE IsDirty(VARIANT_BOOL* isDirty) override;
    // The first link's kind, id and configuration (-1 unless a file or BOM);
    // any out may be null. S_FALSE without links.
    HRESULT STDMETHODCALLTYPE GetFirstChildID(BellquistLib::ItmObjectType* type, LONG* id, LONG* configID) override;
    // The link after (type, id, 0, *configID or -1), as GetFirstChildID.
    // S_FALSE when that key is absent or last.
    HRESULT STDMETHODCALLTYPE GetNextChildID(BellquistLib::ItmObjectType currentType, LONG currentID,
                                             BellquistLib::ItmObjectType* type, LONG* id, LONG* configID) override;
    // -1 when a link is dirty; else the owner's attached version in the item
    // cache, -2 when it cannot be read. E_OXN_NULL_VALUE for a null out.
    HRESULT STDMETHODCALLTYPE GetLocalVersion(LONG* version) override;
    // The owner's name (its cache key) becomes the object's Name.
    HRESULT STDMETHODCALLTYPE SetParentName(BellquistLib::IItmObject* parent) override;

    // --- IPrivateItmLinkManager ------------------------------------------------
    HRESULT STDMETHODCALLTYPE AddLinkPtrs(BellquistLib::ItmLink** links, LONG count) override;
    HRESULT STDMETHODCALLTYPE NoOperation() override;
    HRESULT STDMETHODCALLTYPE HasLink(BellquistLib::ItmObjectData* data, VARIANT_BOOL* hasLink) override;
    HRESULT STDMETHODCALLTYPE ClearLinks() override;
    HRESULT STDMETHODCALLTYPE EraseLink(BellquistLib::IItmObject* object) override;

    // --- ILocalTransaction -------------------------------------------------------
    // E_FAIL when in a transaction already; takes the manager's cache
    // interface (its failure returned) and saves a copy of the state.
    HRESULT STDMETHODCALLTYPE BeginLocalTransaction(BellquistLib::ILocalTransactionMgr* manager) override;
    // Drop / restore the saved state and let go of the cache interface.
    // E_FAIL outside a transaction.
    HRESULT STDMETHODCALLTYPE Commit() override;
    HRESULT STDMETHODCALLTYPE Rollback() override;
    HRESULT STDMETHODCALLTYPE InTransaction(VARIANT_BOOL* inTransaction) override;

protected:
    CItmLinkManager();
    ~CItmLinkManager();

private:
    HRESULT mhInit(BellquistLib::IItmObject* owner, VARIANT_BOOL hasChildren);
    // The table checks of RemoveLink: E_ITEM_INVALID_ITEM_TYPE for kinds 0 and
    // 2, E_ITEM_INVALID_OBJECT for a negative id.
    static HRESULT mhCheckRemoval(const BellquistLib::ItmUniqueID& id);
    // The first-pass checks of AddLinks over `links`.
    HRESULT mhCheckLinks(std::span<const BellquistLib::ItmLink> links) const;
    // Inserts each (checked) link; the first failure.
    HRESULT mhInsertLinks(std::span<const BellquistLib::ItmLink> links);
    // The checks and removals of RemoveLinks over `ids`.
    HRESULT mhRemoveLinks(std::span<const BellquistLib::ItmUniqueID> ids);
    // What an addition answers when the owner has no cache file to write to:
    // E_ITEM_INVALID_OBJECT for an item, S_OK for a folder.
    HRESULT mhWithoutCacheFile() const;
    // Switches the link to the file `object` between dynamic and static:
    // in the link table (and its dynamic-link record), in the object's own
    // link type, and in the owner's cached children list.
    HRESULT mhSwitch(BellquistLib::IItmObject* object, const BellquistLib::ItmUniqueID& key);
    // The cache of the owner for one change or read; only with a cache file.
    OwnerCache mhOwnerCache(int mode);

    LinkState moCurrent;
    LinkState moSaved;                       // while in a transaction
    RefPtr<CItemCacheFile> mpoCacheFile;     // an item's; null for a folder's
    RefPtr<CItemCacheFileI> mpoTransaction;  // the transaction's cache interface
    bool mbInTransaction = false;
};
