// Stand-ins for local servers: classes that other programs serve on the
// platform, served here by code the process links.
#include "local_server_stand_ins.h"

#include <mutex>
#include <vector>

namespace {

struct StandIn {
    CLSID clsid;
    com::LocalServerStandIn make;
};

struct StandIns {
    std::mutex lock;
    std::vector<StandIn> entries;
};

StandIns& Registered() {
    static StandIns* standIns = new StandIns;  // still used while static objects are destroyed
    return *standIns;
}

}  // namespace

namespace com {

void RegisterLocalServerStandIn(REFCLSID clsid, LocalServerStandIn makeClassObject) {
    StandIns& standIns = Registered();
    std::lock_guard guard(standIns.lock);
    std::erase_if(standIns.entries, [&](const StandIn& entry) { return entry.clsid == clsid; });
    if (makeClassObject) standIns.entries.push_back({clsid, makeClassObject});
}

namespace detail {

LocalServerStandIn FindLocalServerStandIn(REFCLSID clsid) {
    StandIns& standIns = Registered();
    std::lock_guard guard(standIns.lock);
    for (const StandIn& entry : standIns.entries)
        if (entry.clsid == clsid) return entry.make;
    return nullptr;
}

}  // namespace detail
}  // namespace com
