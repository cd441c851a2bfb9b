// A refresh receiver for tests: it writes each call it gets into a shared
// log ("A begin <path>", "A added <path> <kind>", ...) and answers as
// scripted. Like every receiver it destroys itself in mvFinish; `finished`
// counts those.
#pragma once

#include "explorer/data/cache_obj.h"
#include "explorer/data/item_path_iterator.h"
#include "explorer/data/refresh.h"

#include "winapi/text.h"

#include <functional>
#include <string>
#include <vector>

namespace explorer_testing {

class RecordingReceiver : public RefreshNs::RefreshItemI {
public:
    RecordingReceiver(std::string name, std::vector<std::string>& log, int* finished = nullptr)
        : name_(std::move(name)), log_(log), finished_(finished) {}

    // The answer to mbBeginObject for a path (1 when not set).
    std::function<LONG(const std::u16string& path)> beginAnswer;
    // The result of the child calls (S_OK when not set).
    std::function<HRESULT(const ItemPathIterator& record)> childResult;

    LONG mbBeginObject(const ItemPathIterator& record) override {
        const std::u16string path = record.moPath.GetString();
        Write("begin " + Utf8(path) + PreviousText(record));
        return beginAnswer ? beginAnswer(path) : 1;
    }
    void mvEndObject(const ItemPathIterator& record, BYTE reEnabled) override {
        Write("end " + Utf8(record.moPath.GetString()) + " " + std::to_string(reEnabled));
    }
    HRESULT mhChildAdded(const ItemPathIterator& record) override {
        std::string child = record.moCacheObj ? Utf8(record.moCacheObj->moInner->moName) : "-";
        Write("added " + Utf8(record.moPath.GetString()) + " " + child + " " + std::to_string(record.mlKind));
        return childResult ? childResult(record) : S_OK;
    }
    HRESULT mhChildRemoved(const ItemPathIterator& record) override {
        Write("removed " + Utf8(record.moPath.GetString()) + " " + Utf8(record.moChildName.GetString()) + " " +
              std::to_string(record.mlChildType) + " " + std::to_string(record.mlChildID) + " " +
              std::to_string(record.mlChildParentProjectID));
        return childResult ? childResult(record) : S_OK;
    }
    HRESULT mhChildrenChanged(const ItemPathIterator& record, LONG flags) override {
        Write("changed " + Utf8(record.moPath.GetString()) + " " + std::to_string(flags));
        return childResult ? childResult(record) : S_OK;
    }
    void mvVaultReset(const WCHAR* vaultName) override { Write("reset " + Utf8(vaultName)); }
    void mvMarkAllDirty() override { Write("dirty"); }
    void mvFinish() override {
        Write("finish");
        if (finished_) ++*finished_;
        delete this;
    }

private:
    static std::string Utf8(std::u16string_view text) { return winapi::ToUtf8(text); }
    static std::string PreviousText(const ItemPathIterator& record) {
        const CString* previous = record.PreviousPath();
        return previous ? " (was " + Utf8(previous->GetString()) + ")" : "";
    }
    void Write(const std::string& text) { log_.push_back(name_ + " " + text); }

    std::string name_;
    std::vector<std::string>& log_;
    int* finished_;
};

}  // namespace explorer_testing
