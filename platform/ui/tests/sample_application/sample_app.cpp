#include "sample_application/sample_app.h"

#include "sample_application/main_frame.h"
#include "sample_application/sample_doc.h"
#include "sample_application/sample_resources.h"
#include "sample_application/sample_trace.h"
#include "sample_application/sample_view.h"
#include "ui/framework/afx_message_box.h"
#include "ui/framework/doc_template.h"
#include "ui/window_functions.h"
#include "ui/message_box.h"

BEGIN_MESSAGE_MAP(CSampleApp, CWinApp)
ON_COMMAND(ID_FILE_NEW, &CWinApp::OnFileNew)
ON_COMMAND(ID_FILE_NEW_FRAME, &CSampleApp::OnFileNewFrame)
ON_UPDATE_COMMAND_UI(ID_FILE_NEW_FRAME, &CSampleApp::OnUpdateFileNewFrame)
ON_COMMAND(ID_APP_ABOUT, &CSampleApp::OnAppAbout)
END_MESSAGE_MAP()

CSampleApp::CSampleApp() : CWinApp(u"Sample") {}

BOOL CSampleApp::InitInstance() {
    RegisterSampleResources();
    AddDocTemplate(new CMultiDocTemplate(IDR_SAMPLETYPE, RUNTIME_CLASS(CSampleDoc), RUNTIME_CLASS(CMainFrame),
                                         RUNTIME_CLASS(CSampleView)));
    OnFileNew();
    return m_pMainWnd != nullptr;
}

int CSampleApp::ExitInstance() {
    UnregisterSampleResources();
    return CWinApp::ExitInstance();
}

CFrameWnd* CSampleApp::GetActiveFrame() const {
    if (auto* pFrame = DYNAMIC_DOWNCAST(CFrameWnd, CWnd::FromHandle(::GetActiveWindow()))) return pFrame;
    return DYNAMIC_DOWNCAST(CFrameWnd, m_pMainWnd);
}

void CSampleApp::OnAppAbout() {
    AddSampleTrace("application: About");
    AfxMessageBox(u"Sample drawing program, version 1.0", MB_OK | MB_ICONINFORMATION);
}

void CSampleApp::OnFileNewFrame() {
    AddSampleTrace("application: New Window");
    CFrameWnd* pActive = GetActiveFrame();
    CDocument* pDoc = pActive ? pActive->GetActiveDocument() : nullptr;
    CDocTemplate* pTemplate = pDoc ? pDoc->GetDocTemplate() : nullptr;
    if (!pTemplate) return;
    CFrameWnd* pFrame = pTemplate->CreateNewFrame(pDoc, pActive);
    if (!pFrame) {
        AfxMessageBox(AFX_IDP_FAILED_TO_CREATE_DOC);
        return;
    }
    pTemplate->InitialUpdateFrame(pFrame, pDoc);
}

void CSampleApp::OnUpdateFileNewFrame(CCmdUI* pCmdUI) {
    CFrameWnd* pActive = GetActiveFrame();
    pCmdUI->Enable(pActive && pActive->GetActiveDocument());
}
