// What the outside item operations share: the set-up ItmInitOperation gives
// them (the item server's IVaultUtils, its callback object and whether to
// run silently), and the calls they make back on that callback object -
// IItmCallBack::SetProcess for each object, IConfirmReplace before a local
// file that holds the user's work is replaced, ITavroskFeedback for the
// problems of a run.
#pragma once

#include "bellquist/manager_interfaces.h"
#include "bellquist/operation_interfaces.h"
#include "com/ccom_ptr.h"
#include "com/variant.h"
#include "winapi/types.h"

#include <string>
#include <string_view>
#include <vector>

namespace itemops {

class OperationSetup {
public:
    // Keeps `utils` and `callback` (may be null: nothing is reported then).
    // `param`: VT_EMPTY, or VT_I4 ItemOperationsLib::kOperationSilent for a
    // silent run, which asks and shows nothing. E_POINTER for null `utils`;
    // E_INVALIDARG for another parameter (the set-up before stays).
    HRESULT Init(BellquistLib::IVaultUtils* utils, BellquistLib::IItmCallBack* callback, const VARIANT& param);

    bool Ready() const { return utils_ != nullptr; }
    BellquistLib::IVaultUtils& Utils() const { return *utils_; }
    bool Silent() const { return silent_; }

    // Tells the callback how the object went (its answer is not needed).
    void Report(BellquistLib::ItmObjectType type, LONG id, LONG projectId, std::u16string_view name,
                std::u16string_view path, bool processed) const;

    enum class Replace { kYes, kNo, kCancel };
    // Whether the local file `path` may be replaced: the callback's
    // IConfirmReplace. Silent, or a callback without it: kNo, the file is
    // kept. A failing question raises its failure.
    Replace AskReplace(const std::u16string& path) const;

    // Shows `text` with the `problems` (one a line) as an error message
    // through the callback's ITavroskFeedback; nothing when silent or
    // without it.
    void ShowProblems(const std::u16string& text, const std::vector<std::u16string>& problems) const;

private:
    CComPtr<BellquistLib::IVaultUtils> utils_;
    CComPtr<BellquistLib::IItmCallBack> callback_;
    bool silent_ = false;
};

// The version a get asks for: VT_EMPTY (or VT_I4 -1) for the latest (0),
// else a number above 0. False for anything else.
bool ReadAskedVersion(const VARIANT& param, LONG& version);

}  // namespace itemops
