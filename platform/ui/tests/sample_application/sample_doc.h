// CSampleDoc: a drawing - a list of named, coloured items - shown by the
// frames' split views and their outline panes.
//
// The document takes the commands that change its data (Cut, Paste, Add
// Item, Clear Items) and tells its views with UpdateAllViews.
#pragma once

#include "ui/framework/document.h"
#include "ui/window_types.h"

#include "com/cstring.h"

#include <optional>
#include <vector>

struct CSampleItem {
    CString m_strName;
    COLORREF m_crColour;
    bool m_bSelected = false;
};

class CSampleDoc : public CDocument {
    DECLARE_DYNCREATE(CSampleDoc)
public:
    CSampleDoc();
    ~CSampleDoc() override;

    const std::vector<CSampleItem>& GetItems() const { return m_items; }
    // Adds an item named after its place ("Item 4") and tells the views.
    void AddItem();
    // Selects every item; `pSender` has shown it already.
    void SelectAll(CView* pSender);

    BOOL OnNewDocument() override;
    void DeleteContents() override;

protected:
    afx_msg void OnEditCut();
    afx_msg void OnUpdateEditCut(CCmdUI* pCmdUI);
    afx_msg void OnEditPaste();
    afx_msg void OnUpdateEditPaste(CCmdUI* pCmdUI);
    afx_msg void OnItemAdd();
    afx_msg void OnItemClear();
    afx_msg void OnUpdateItemClear(CCmdUI* pCmdUI);
    DECLARE_MESSAGE_MAP()

private:
    std::vector<CSampleItem> m_items;
    std::optional<CSampleItem> m_cutItem;  // what Paste puts back
    int m_nNextItem = 1;
};
