#include "ui/framework/doc_template.h"

#include "ui/framework/afx_message_box.h"
#include "ui/framework/create_context.h"
#include "ui/framework/document.h"
#include "ui/framework/frame_wnd.h"
#include "ui/framework/wait_cursor.h"
#include "ui/string_table.h"

#include <algorithm>
#include <string>

IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
IMPLEMENT_DYNAMIC(CMultiDocTemplate, CDocTemplate)

CDocTemplate::CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                           CRuntimeClass* pViewClass)
    : m_nIDResource(nIDResource), m_pDocClass(pDocClass), m_pFrameClass(pFrameClass), m_pViewClass(pViewClass) {
    m_strDocStrings = CString(ui::LookupString(nIDResource).value_or(std::u16string()).c_str());
}

CDocTemplate::~CDocTemplate() = default;

BOOL CDocTemplate::GetDocString(CString& rString, DocStringIndex index) const {
    std::u16string strings = m_strDocStrings.GetString();
    std::size_t start = 0;
    for (int part = 0; part < index; ++part) {
        start = strings.find(u'\n', start);
        if (start == std::u16string::npos) {
            rString = CString();
            return FALSE;
        }
        ++start;
    }
    std::size_t end = strings.find(u'\n', start);
    rString = CString(strings.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start).c_str());
    return TRUE;
}

void CDocTemplate::AddDocument(CDocument* pDoc) { pDoc->m_pDocTemplate = this; }

void CDocTemplate::RemoveDocument(CDocument* pDoc) { pDoc->m_pDocTemplate = nullptr; }

CDocument* CDocTemplate::CreateNewDocument() {
    if (!m_pDocClass) return nullptr;
    CObject* object = m_pDocClass->CreateObject();
    auto* document = DYNAMIC_DOWNCAST(CDocument, object);
    if (!document) {
        delete object;
        return nullptr;
    }
    AddDocument(document);
    return document;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther) {
    CCreateContext context;
    context.m_pCurrentFrame = pOther;
    context.m_pCurrentDoc = pDoc;
    context.m_pNewViewClass = m_pViewClass;
    context.m_pNewDocTemplate = this;
    if (!m_pFrameClass) return nullptr;
    CObject* object = m_pFrameClass->CreateObject();
    auto* frame = DYNAMIC_DOWNCAST(CFrameWnd, object);
    if (!frame) {
        delete object;
        return nullptr;
    }
    // A frame that fails to load has deleted itself.
    if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context)) return nullptr;
    return frame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible) {
    pFrame->InitialUpdateFrame(pDoc, bMakeVisible);
}

void CDocTemplate::CloseAllDocuments(BOOL) {
    std::vector<CDocument*> documents;
    for (POSITION position = GetFirstDocPosition(); position;) documents.push_back(GetNextDoc(position));
    for (CDocument* document : documents) {
        // Closing one document may close others (shared frames): skip the gone.
        bool stillOpen = false;
        for (POSITION position = GetFirstDocPosition(); position && !stillOpen;)
            stillOpen = GetNextDoc(position) == document;
        if (stillOpen) document->OnCloseDocument();
    }
}

CMultiDocTemplate::CMultiDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                                     CRuntimeClass* pViewClass)
    : CDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass) {}

CMultiDocTemplate::~CMultiDocTemplate() {
    // Documents still open outlive the template only as orphans.
    for (CDocument* document : std::vector<CDocument*>(documents_)) CDocTemplate::RemoveDocument(document);
}

namespace {

POSITION PositionOf(std::size_t index) { return reinterpret_cast<POSITION>(index + 1); }
std::size_t IndexOf(POSITION position) { return reinterpret_cast<std::size_t>(position) - 1; }

}  // namespace

POSITION CMultiDocTemplate::GetFirstDocPosition() const { return documents_.empty() ? nullptr : PositionOf(0); }

CDocument* CMultiDocTemplate::GetNextDoc(POSITION& rPos) const {
    std::size_t index = IndexOf(rPos);
    if (!rPos || index >= documents_.size()) {
        rPos = nullptr;
        return nullptr;
    }
    rPos = index + 1 < documents_.size() ? PositionOf(index + 1) : nullptr;
    return documents_[index];
}

void CMultiDocTemplate::AddDocument(CDocument* pDoc) {
    CDocTemplate::AddDocument(pDoc);
    documents_.push_back(pDoc);
}

void CMultiDocTemplate::RemoveDocument(CDocument* pDoc) {
    CDocTemplate::RemoveDocument(pDoc);
    std::erase(documents_, pDoc);
}

void CMultiDocTemplate::SetDefaultTitle(CDocument* pDocument) {
    CString name;
    if (GetDocString(name, docName) && !name.IsEmpty()) {
        std::u16string title = name.GetString();
        for (char c : std::to_string(m_nUntitledCount + 1)) title += static_cast<char16_t>(c);
        pDocument->SetTitle(title.c_str());
    } else {
        pDocument->SetTitle(ui::LookupString(AFX_IDS_UNTITLED).value_or(u"Untitled").c_str());
    }
}

CDocument* CMultiDocTemplate::OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible) {
    CDocument* document = CreateNewDocument();
    if (!document) {
        AfxMessageBox(AFX_IDP_FAILED_TO_CREATE_DOC);
        return nullptr;
    }
    // A view that fails on the way must not close the document under us.
    BOOL autoDelete = document->m_bAutoDelete;
    document->m_bAutoDelete = FALSE;
    CFrameWnd* frame = CreateNewFrame(document, nullptr);
    document->m_bAutoDelete = autoDelete;
    if (!frame) {
        AfxMessageBox(AFX_IDP_FAILED_TO_CREATE_DOC);
        delete document;
        return nullptr;
    }
    if (!lpszPathName) {
        SetDefaultTitle(document);
        if (!document->OnNewDocument()) {
            // Its frame goes, and the document with its last view.
            frame->DestroyWindow();
            return nullptr;
        }
        ++m_nUntitledCount;
    } else {
        CWaitCursor wait;
        if (!document->OnOpenDocument(lpszPathName)) {
            frame->DestroyWindow();
            return nullptr;
        }
        document->SetPathName(lpszPathName);
    }
    InitialUpdateFrame(frame, document, bMakeVisible);
    return document;
}
