// The toolkit's image manager: icons kept by command id for the controls
// that have no custom icon of their own.
#pragma once

#include "ui/window_types.h"

class CXTPImageManager {
public:
    // Keeps a copy of `icon`'s image as the image of command `id` (the icon
    // stays the caller's). FALSE for a null icon.
    BOOL SetIcon(HICON icon, UINT id);
    BOOL HasIcon(UINT id) const;
    int GetCount() const;
    // Drops every kept image; controls show theirs until the bars are
    // redrawn.
    void RemoveAll();
};

// The process's image manager.
CXTPImageManager* XTPImageManager();
