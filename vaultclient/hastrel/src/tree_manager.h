// CXRefTreeManager (CLSID_XRefTreeManager): the session of a caller's trees
// - its vault connection, user and view, and the source the trees read the
// vault through - and the counter ids a tree handed back for the next tree
// to take (IXRefTreeManagerSerials). The ids nobody takes go back to the
// vault when the manager goes.
//
// Apartment-threaded: created and called on the caller's thread.
#pragma once

#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/unknown.h"
#include "hastrel/interfaces.h"
#include "hastrel/tree_source.h"
#include "vennacle/sp_mgr.h"

#include <memory>
#include <vector>

namespace hastrel {

// One started session. The source may use the connection, so it goes
// first.
struct TreeSession {
    SpMgrPtr connection;
    LONG userId = 0;
    GUID viewId{};
    std::shared_ptr<TreeSource> source;

    ~TreeSession() { source.reset(); }
};

// The tree manager as this component's trees reach it (in-process only, never
// across the component boundary).
struct ITreeManagerInternal : IUnknown {
    COM_INTERFACE_ID("E8DA6C68-3446-4526-A8AF-571228FF851A");
    // The session, or null before Start.
    virtual std::shared_ptr<TreeSession> Session() = 0;
    // The counter ids handed in for reuse; the manager forgets them.
    virtual std::vector<LONG> TakeReusableSerials() = 0;

protected:
    ~ITreeManagerInternal() = default;
};

class CXRefTreeManager : public CComObjectRootEx<CComSingleThreadModel>,
                         public HastrelLib::IXRefTreeManager,
                         public HastrelLib::IXRefTreeManagerSerials,
                         public ITreeManagerInternal {
public:
    BEGIN_COM_MAP(CXRefTreeManager)
    COM_INTERFACE_ENTRY(HastrelLib::IXRefTreeManager)
    COM_INTERFACE_ENTRY(HastrelLib::IXRefTreeManagerSerials)
    COM_INTERFACE_ENTRY(ITreeManagerInternal)
    END_COM_MAP()

    void SetSourceFactory(TreeSourceFactory factory) { factory_ = std::move(factory); }

    // IXRefTreeManager (hastrel/interfaces.h). The factory's failure is
    // Start's; E_UNEXPECTED without a factory.
    HRESULT STDMETHODCALLTYPE Start(SpMgr* poConnection, LONG lUserId, GUID oViewId) override;

    // IXRefTreeManagerSerials
    HRESULT STDMETHODCALLTYPE ReuseSerials(SAFEARRAY* poSerials) override;

    // ITreeManagerInternal
    std::shared_ptr<TreeSession> Session() override { return session_; }
    std::vector<LONG> TakeReusableSerials() override;

protected:
    CXRefTreeManager() = default;
    ~CXRefTreeManager() = default;
    // Gives the ids nobody took back to the vault.
    void FinalRelease();

private:
    TreeSourceFactory factory_;
    std::shared_ptr<TreeSession> session_;  // null before Start
    std::vector<LONG> reusable_;            // each id once
};

}  // namespace hastrel
