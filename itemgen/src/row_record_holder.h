// A row record a tree item handed out (IXRefItmItem's row record), freed as
// its contract says when the scope ends: the string, then the record.
#pragma once

#include "com/bstr.h"
#include "com/task_memory.h"
#include "hastrel/records.h"

namespace coravent {

struct RowRecordHolder {
    HastrelLib::XRefRowRecord* record = nullptr;
    RowRecordHolder() = default;
    RowRecordHolder(const RowRecordHolder&) = delete;
    RowRecordHolder& operator=(const RowRecordHolder&) = delete;
    ~RowRecordHolder() {
        if (!record) return;
        SysFreeString(record->mbsName);
        CoTaskMemFree(record);
    }
};

}  // namespace coravent
