// CDocument: the data behind one or more views.
//
// Plain data: the document keeps its views in order (AddView, RemoveView,
// GetFirstViewPosition/GetNextView) and tells them of changes
// synchronously (UpdateAllViews). When its last view goes
// (OnChangedViewList) it closes itself: a document with m_bAutoDelete
// deletes itself then. The documents of this system are never saved, so
// SaveModified always allows closing.
#pragma once

#include "ui/framework/cmd_target.h"
#include "winapi/types.h"  // POSITION

#include "com/cstring.h"

#include <vector>

class CDocTemplate;
class CFrameWnd;
class CView;

class CDocument : public CCmdTarget {
    DECLARE_DYNAMIC(CDocument)
public:
    CDocument();
    // Leaves the template's list.
    ~CDocument() override;

    const CString& GetTitle() const { return m_strTitle; }
    virtual void SetTitle(LPCTSTR lpszTitle);
    const CString& GetPathName() const { return m_strPathName; }
    virtual void SetPathName(LPCTSTR lpszPathName, BOOL bAddToMRU = TRUE);
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }

    virtual BOOL IsModified() { return m_bModified; }
    virtual void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified; }

    // The views in the order they joined (OnChangedViewList may reorder).
    void AddView(CView* pView);
    void RemoveView(CView* pView);
    virtual POSITION GetFirstViewPosition() const;
    // The view at `rPosition`; moves it to the next one (null after the last).
    virtual CView* GetNextView(POSITION& rPosition) const;
    // Calls OnUpdate of every view but `pSender`, in view order, now.
    void UpdateAllViews(CView* pSender, LPARAM lHint = 0L, CObject* pHint = nullptr);

    // A view joined or left; closes the document when none is left.
    virtual void OnChangedViewList();
    // Empties the document's data; the default has none.
    virtual void DeleteContents();
    // A new, empty document: DeleteContents, not modified. TRUE on success.
    virtual BOOL OnNewDocument();
    // The document from a file; the default empties it and takes the path.
    virtual BOOL OnOpenDocument(LPCTSTR lpszPathName);
    // Destroys the frames of its views, empties it, and deletes it when
    // m_bAutoDelete is set.
    virtual void OnCloseDocument();
    // TRUE: closing may go on (nothing is ever modified and unsaved here).
    virtual BOOL SaveModified();
    virtual BOOL CanCloseFrame(CFrameWnd* pFrame);

    // Own map, then the template's.
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

    BOOL m_bAutoDelete = TRUE;

protected:
    // ID_FILE_CLOSE: closes the document when SaveModified allows it.
    afx_msg void OnFileClose();
    DECLARE_MESSAGE_MAP()

    CString m_strTitle;
    CString m_strPathName;
    CDocTemplate* m_pDocTemplate = nullptr;  // Not owned.
    BOOL m_bModified = FALSE;

private:
    friend class CDocTemplate;
    std::vector<CView*> views_;  // Not owned.
};
