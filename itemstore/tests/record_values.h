// Record values for the codec tests, with the stored form of a record built
// by hand from the layout (not by the codec).
#pragma once

#include "itemstore/item_object.h"
#include "common/ref_ptr.h"

#include "memory_stream.h"

#include <gtest/gtest.h>

#include <string>

struct RecordValues {
    int32_t objectId, parentProjectId, attachedVersion, configId, objectType;
    double date;
    std::u16string name, path;
    int32_t dirty, linkType, linkOperation, initialLinkType, initialLinkOperation;
};

template <class Record>
inline RefPtr<Record> MakeRecord(const RecordValues& v) {
    RefPtr<Record> record(new Record);
    record->mlObjectID = v.objectId;
    record->mlParentProjectID = v.parentProjectId;
    record->mlAttachedVersion = v.attachedVersion;
    record->mlConfigID = v.configId;
    record->meObjectType = v.objectType;
    record->mdModifiedDate = v.date;
    record->mvSetFileName(v.name);
    record->mvSetPath(v.path);
    record->mlDirty = v.dirty;
    record->meLinkType = v.linkType;
    record->meLinkOperation = v.linkOperation;
    record->meInitialLinkType = v.initialLinkType;
    record->meInitialLinkOperation = v.initialLinkOperation;
    record->moLockViewID = GUID{0x11223344, 0x5566, 0x7788, {1, 2, 3, 4, 5, 6, 7, 8}};
    return record;
}

// The stored form, built by hand from the layout.
inline std::string RecordBytes(const RecordValues& v) {
    return Le32(1) + Le32(2 * (v.name.size() + 1)) + Le32(2 * (v.path.size() + 1)) + Le32(v.objectId) +
           Le32(v.parentProjectId) + Le32(v.attachedVersion) + Le32(v.configId) + Le32(v.objectType) +
           LeDouble(v.date) + Utf16Le(v.name) + Utf16Le(v.path) + Le32(v.dirty) + Le32(v.linkType) +
           Le32(v.linkOperation) + Le32(v.initialLinkType) + Le32(v.initialLinkOperation);
}

inline void ExpectSameRecord(const RecordValues& v, const ItemObject& record) {
    EXPECT_EQ(v.objectId, record.mlObjectID);
    EXPECT_EQ(v.parentProjectId, record.mlParentProjectID);
    EXPECT_EQ(v.attachedVersion, record.mlAttachedVersion);
    EXPECT_EQ(v.configId, record.mlConfigID);
    EXPECT_EQ(v.objectType, record.meObjectType);
    EXPECT_EQ(v.date, record.mdModifiedDate);
    EXPECT_EQ(v.name, record.moFileName());
    EXPECT_EQ(v.path, record.moPath());
    EXPECT_EQ(v.dirty, record.mlDirty);
    EXPECT_EQ(v.linkType, record.meLinkType);
    EXPECT_EQ(v.linkOperation, record.meLinkOperation);
    EXPECT_EQ(v.initialLinkType, record.meInitialLinkType);
    EXPECT_EQ(v.initialLinkOperation, record.meInitialLinkOperation);
}
