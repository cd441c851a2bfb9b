// CTreeNode: the node of one row of the explorer's views, holding the row's
// cached object. Held through RefPtr<CTreeNode> by report records,
// selection snapshots, drag payloads and the views.
#pragma once

#include "explorer/data/cache_obj.h"

#include "common/ref_obj.h"
#include "common/ref_ptr.h"

#include "com/cstring.h"
#include "ui/framework/object.h"

class CReportRecord;

class CTreeNode : public CObject, public RefObj {
public:
    // Takes the cached object over (`object` is left empty).
    explicit CTreeNode(RefPtr<CCacheObj>&& object);

    // The row's text: the live name (the cached one for id 0); an item's
    // without its ".<item>" extension.
    CString GetDisplayName() const;

    RefPtr<CCacheObj> moCacheObj;
    CReportRecord* mpoLastRecord = nullptr;  // Not owned: the record last built for the node.

protected:
    ~CTreeNode() override = default;
};
