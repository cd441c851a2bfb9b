// The toolkit's skin manager: the application's look, loaded from a styles
// folder as a Qt style sheet and applied to every window of the process.
//
// A skin file "<name>.<ext>" is read from "<name>.qss" beside it when that
// exists, else from the file itself, which must then be style sheet text.
// A missing or unreadable skin keeps the default look.
#pragma once

#include "winapi/types.h"

#include <string>

// Parts of the windows the skin applies to (SetApplyOptions).
#define xtpSkinApplyMetrics 1
#define xtpSkinApplyFrame 2
#define xtpSkinApplyColors 4

class CXTPSkinManager {
public:
    // Which parts take the skin. Qt draws frames and metrics itself, so
    // only xtpSkinApplyColors matters: without it a loaded skin is kept
    // but not applied.
    void SetApplyOptions(DWORD options);
    DWORD GetApplyOptions() const { return options_; }

    // Loads the skin at `path` (the system's path form; relative to the
    // working folder) and applies it. `iniFileName` (a variant of the skin)
    // is accepted and not used. FALSE when no style sheet could be read;
    // the look is then unchanged.
    BOOL LoadSkin(LPCWSTR path, LPCWSTR iniFileName = nullptr);
    // Drops the loaded skin; with `unload` the default look returns at
    // once.
    void RemoveAll(BOOL unload = TRUE);

    // The style sheet in force (UTF-8), empty when none.
    const std::string& GetStyleSheet() const { return sheet_; }

private:
    void Apply() const;

    DWORD options_ = xtpSkinApplyMetrics | xtpSkinApplyFrame | xtpSkinApplyColors;
    std::string sheet_;
};

// The process's skin manager.
CXTPSkinManager* XTPSkinManager();
