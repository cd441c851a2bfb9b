#include "ui/framework/document.h"

#include "ui/framework/doc_template.h"
#include "ui/framework/frame_wnd.h"
#include "ui/framework/view.h"
#include "ui/window_functions.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

BEGIN_MESSAGE_MAP(CDocument, CCmdTarget)
ON_COMMAND(ID_FILE_CLOSE, &CDocument::OnFileClose)
END_MESSAGE_MAP()

namespace {

// Positions are 1-based indexes, so null is "no further view".
POSITION PositionOf(std::size_t index) { return reinterpret_cast<POSITION>(index + 1); }
std::size_t IndexOf(POSITION position) { return reinterpret_cast<std::size_t>(position) - 1; }

}  // namespace

CDocument::CDocument() = default;

CDocument::~CDocument() {
    for (CView* view : views_) view->m_pDocument = nullptr;
    if (m_pDocTemplate) m_pDocTemplate->RemoveDocument(this);
}

void CDocument::SetTitle(LPCTSTR lpszTitle) { m_strTitle = lpszTitle; }

void CDocument::SetPathName(LPCTSTR lpszPathName, BOOL) {
    m_strPathName = lpszPathName;
    // The title is the file's name.
    std::u16string path = m_strPathName.GetString();
    auto slash = path.find_last_of(u"\\/");
    SetTitle(path.substr(slash == std::u16string::npos ? 0 : slash + 1).c_str());
}

void CDocument::AddView(CView* pView) {
    if (!pView || std::find(views_.begin(), views_.end(), pView) != views_.end()) return;
    views_.push_back(pView);
    pView->m_pDocument = this;
    OnChangedViewList();
}

void CDocument::RemoveView(CView* pView) {
    auto found = std::find(views_.begin(), views_.end(), pView);
    if (found == views_.end()) return;
    views_.erase(found);
    pView->m_pDocument = nullptr;
    OnChangedViewList();  // may delete this
}

POSITION CDocument::GetFirstViewPosition() const { return views_.empty() ? nullptr : PositionOf(0); }

CView* CDocument::GetNextView(POSITION& rPosition) const {
    std::size_t index = IndexOf(rPosition);
    if (!rPosition || index >= views_.size()) {
        rPosition = nullptr;
        return nullptr;
    }
    rPosition = index + 1 < views_.size() ? PositionOf(index + 1) : nullptr;
    return views_[index];
}

void CDocument::UpdateAllViews(CView* pSender, LPARAM lHint, CObject* pHint) {
    // A copy: a view may leave the document while it updates.
    std::vector<CView*> views = views_;
    for (CView* view : views) {
        if (view == pSender || std::find(views_.begin(), views_.end(), view) == views_.end()) continue;
        view->OnUpdate(pSender, lHint, pHint);
    }
}

void CDocument::OnChangedViewList() {
    if (views_.empty() && m_bAutoDelete) OnCloseDocument();
}

void CDocument::DeleteContents() {}

BOOL CDocument::OnNewDocument() {
    DeleteContents();
    m_strPathName = CString();
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL CDocument::OnOpenDocument(LPCTSTR) {
    DeleteContents();
    SetModifiedFlag(FALSE);
    return TRUE;
}

void CDocument::OnCloseDocument() {
    // The views' frames go first; the document must outlive them.
    BOOL autoDelete = m_bAutoDelete;
    m_bAutoDelete = FALSE;
    while (!views_.empty()) {
        CView* view = views_.front();
        CFrameWnd* frame = view->GetParentFrame();
        if (frame && frame->Exists())
            frame->DestroyWindow();
        else if (view->Exists())
            view->DestroyWindow();
        if (!views_.empty() && views_.front() == view) RemoveView(view);
    }
    m_bAutoDelete = autoDelete;
    DeleteContents();
    if (m_bAutoDelete) delete this;
}

BOOL CDocument::SaveModified() { return TRUE; }

BOOL CDocument::CanCloseFrame(CFrameWnd*) { return SaveModified(); }

void CDocument::OnFileClose() {
    if (!SaveModified()) return;
    OnCloseDocument();
}

BOOL CDocument::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    if (CCmdTarget::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
    return m_pDocTemplate && m_pDocTemplate->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}
