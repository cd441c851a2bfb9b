// CDocTemplate and CMultiDocTemplate: how documents, their frames and
// their first views are made, from run-time classes and one resource id.
//
// The resource id names the frame's menu and icon and the document string
// "window title\ndocument name\nnew-file name\nfilter\nextension\n
// registry id\nregistry name". A multi-document template keeps every open
// document; each has its own frame(s). Templates are owned by the
// application once added (CWinApp::AddDocTemplate).
#pragma once

#include "ui/framework/cmd_target.h"
#include "winapi/types.h"  // POSITION

#include "com/cstring.h"

#include <vector>

class CDocument;
class CFrameWnd;

class CDocTemplate : public CCmdTarget {
    DECLARE_DYNAMIC(CDocTemplate)
public:
    enum DocStringIndex {
        windowTitle,
        docName,
        fileNewName,
        filterName,
        filterExt,
        regFileTypeId,
        regFileTypeName,
    };

    ~CDocTemplate() override;

    // One part of the document string; FALSE (and empty) when it is missing.
    virtual BOOL GetDocString(CString& rString, DocStringIndex index) const;

    virtual POSITION GetFirstDocPosition() const = 0;
    virtual CDocument* GetNextDoc(POSITION& rPos) const = 0;
    virtual void AddDocument(CDocument* pDoc);
    virtual void RemoveDocument(CDocument* pDoc);

    // A new document of the template's class, in the template's list; null
    // when it cannot be made.
    virtual CDocument* CreateNewDocument();
    // A new frame for `pDoc` (LoadFrame with the template's resource and a
    // context that makes the template's view in it); null on failure.
    virtual CFrameWnd* CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther);
    virtual void InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible = TRUE);
    virtual void SetDefaultTitle(CDocument* pDocument) = 0;
    // A new document in a new frame: from the file, or a new empty document
    // for a null path. Null after a failure, which was reported.
    virtual CDocument* OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible = TRUE) = 0;
    // Closes every document (their frames go with them).
    virtual void CloseAllDocuments(BOOL bEndSession);

    UINT m_nIDResource;
    CRuntimeClass* m_pDocClass;
    CRuntimeClass* m_pFrameClass;
    CRuntimeClass* m_pViewClass;
    CString m_strDocStrings;

protected:
    CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass, CRuntimeClass* pViewClass);
};

class CMultiDocTemplate : public CDocTemplate {
    DECLARE_DYNAMIC(CMultiDocTemplate)
public:
    CMultiDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                      CRuntimeClass* pViewClass);
    ~CMultiDocTemplate() override;

    POSITION GetFirstDocPosition() const override;
    CDocument* GetNextDoc(POSITION& rPos) const override;
    void AddDocument(CDocument* pDoc) override;
    void RemoveDocument(CDocument* pDoc) override;
    // The document name and a number, or "Untitled" without a document name.
    void SetDefaultTitle(CDocument* pDocument) override;
    CDocument* OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible = TRUE) override;

    UINT m_nUntitledCount = 0;

private:
    std::vector<CDocument*> documents_;  // Not owned: documents delete themselves.
};
