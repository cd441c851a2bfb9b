// CImageList: the framework's shell over an HIMAGELIST (ui/image_list.h).
// It owns the list it created or attached and destroys it with itself; the
// system's own image lists (ImageListXP, IconImageList) derive from it.
#pragma once

#include "ui/image_list.h"

class CImageList {
public:
    CImageList() = default;
    virtual ~CImageList();
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    // Makes the list (ImageList_Create); FALSE when the object holds one
    // already or the list cannot be made.
    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    // Takes ownership of `list`; FALSE when the object holds one already.
    BOOL Attach(HIMAGELIST list);
    // Gives up ownership and returns the list.
    HIMAGELIST Detach();
    // Destroys the list; FALSE when there was none.
    BOOL DeleteImageList();

    HIMAGELIST GetSafeHandle() const { return m_hImageList; }
    operator HIMAGELIST() const { return m_hImageList; }

    int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
    // The icon's index, or -1.
    int Add(HICON icon) { return ImageList_AddIcon(m_hImageList, icon); }
    int Replace(int index, HICON icon) { return ImageList_ReplaceIcon(m_hImageList, index, icon); }
    BOOL Remove(int index) { return ImageList_Remove(m_hImageList, index); }
    // A new icon of image `index`, which the caller destroys.
    HICON ExtractIcon(int index) { return ImageList_GetIcon(m_hImageList, index, ILD_NORMAL); }

    HIMAGELIST m_hImageList = nullptr;
};
