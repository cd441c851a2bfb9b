#include "ui/framework/win_app.h"

#include "idle_monitor.h"
#include "text_conversion.h"
#include "ui/application.h"
#include "ui/framework/command_line_info.h"
#include "ui/framework/doc_template.h"
#include "ui/framework/framework_ids.h"
#include "ui/framework/wnd.h"
#include "ui/message_queue.h"
#include "ui/prompter.h"
#include "ui/string_table.h"
#include "ui/window_functions.h"

#include "com/runtime.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <optional>

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
ON_COMMAND(ID_APP_EXIT, &CWinApp::OnAppExit)
END_MESSAGE_MAP()

namespace {

CWinApp* theApplication = nullptr;

POSITION PositionOf(std::size_t index) { return reinterpret_cast<POSITION>(index + 1); }
std::size_t IndexOf(POSITION position) { return reinterpret_cast<std::size_t>(position) - 1; }

}  // namespace

CWinApp::CWinApp(LPCTSTR lpszAppName) {
    if (lpszAppName) {
        appName_ = lpszAppName;
        m_pszAppName = appName_.GetString();
    }
    theApplication = this;
}

CWinApp::~CWinApp() {
    if (theApplication == this) theApplication = nullptr;
}

void CWinApp::EnsureAppName() {
    if (m_pszAppName) return;
    if (auto title = ui::LookupString(AFX_IDS_APP_TITLE)) {
        appName_ = CString(title->c_str());
    } else if (QCoreApplication::instance()) {
        appName_ =
            CString(ui::detail::FromQString(QFileInfo(QCoreApplication::applicationFilePath()).baseName()).c_str());
    }
    m_pszAppName = appName_.GetString();
}

BOOL CWinApp::InitInstance() {
    EnsureAppName();
    ui::detail::EnsureIdleMonitor();
    return TRUE;
}

int CWinApp::Run() {
    if (ui::Application* application = ui::Application::Instance()) exitCode_ = application->Run();
    return ExitInstance();
}

int CWinApp::ExitInstance() { return exitCode_; }

BOOL CWinApp::OnIdle(LONG lCount) {
    if (lCount == 0) ui::detail::SendIdleUpdateToFrames();
    return FALSE;
}

void CWinApp::SetRegistryKey(LPCTSTR lpszRegistryKey) {
    registryKey_ = lpszRegistryKey;
    m_pszRegistryKey = registryKey_.GetString();
    EnsureAppName();
    m_pszProfileName = m_pszAppName;
}

void CWinApp::LoadStdProfileSettings(UINT nMaxMRU) { m_nMaxMRU = nMaxMRU; }

void CWinApp::AddDocTemplate(CDocTemplate* pTemplate) {
    if (pTemplate) templates_.emplace_back(pTemplate);
}

POSITION CWinApp::GetFirstDocTemplatePosition() const { return templates_.empty() ? nullptr : PositionOf(0); }

CDocTemplate* CWinApp::GetNextDocTemplate(POSITION& pos) const {
    std::size_t index = IndexOf(pos);
    if (!pos || index >= templates_.size()) {
        pos = nullptr;
        return nullptr;
    }
    pos = index + 1 < templates_.size() ? PositionOf(index + 1) : nullptr;
    return templates_[index].get();
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo) {
    if (!QCoreApplication::instance()) return;
    QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        std::u16string argument = ui::detail::FromQString(arguments[i]);
        bool flag = !argument.empty() && (argument[0] == u'/' || argument[0] == u'-');
        if (flag) argument.erase(0, 1);
        rCmdInfo.ParseParam(argument.c_str(), flag, i + 1 == arguments.size());
    }
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& rCmdInfo) {
    switch (rCmdInfo.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
        // The program's own New handler when it maps one, else the framework's.
        if (!OnCmdMsg(ID_FILE_NEW, CN_COMMAND, nullptr, nullptr)) OnFileNew();
        return m_pMainWnd != nullptr;
    case CCommandLineInfo::FileOpen:
        return OpenDocumentFile(rCmdInfo.m_strFileName) != nullptr;
    default:
        return TRUE;
    }
}

CDocument* CWinApp::OpenDocumentFile(LPCTSTR lpszFileName) {
    POSITION position = GetFirstDocTemplatePosition();
    CDocTemplate* docTemplate = position ? GetNextDocTemplate(position) : nullptr;
    return docTemplate ? docTemplate->OpenDocumentFile(lpszFileName) : nullptr;
}

void CWinApp::OnFileNew() {
    POSITION position = GetFirstDocTemplatePosition();
    if (CDocTemplate* docTemplate = position ? GetNextDocTemplate(position) : nullptr)
        docTemplate->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen() {
    ui::FileQuestion question;
    question.owner = m_pMainWnd ? m_pMainWnd->GetSafeHwnd() : nullptr;
    question.title = u"Open";
    POSITION position = GetFirstDocTemplatePosition();
    CString name, extension;
    if (CDocTemplate* docTemplate = position ? GetNextDocTemplate(position) : nullptr) {
        docTemplate->GetDocString(name, CDocTemplate::filterName);
        docTemplate->GetDocString(extension, CDocTemplate::filterExt);
    }
    std::u16string extensionText = extension.GetString();
    if (!name.IsEmpty() && !extensionText.empty()) {
        // ".txt" (or ".txt;.log") becomes "*.txt" ("*.txt;*.log").
        std::u16string patterns;
        for (std::size_t start = 0; start <= extensionText.size();) {
            std::size_t end = std::min(extensionText.find(u';', start), extensionText.size());
            if (end > start) patterns += (patterns.empty() ? u"*" : u";*") + extensionText.substr(start, end - start);
            start = end + 1;
        }
        question.filter = std::u16string(name.GetString()) + u"|" + patterns + u"|";
    }
    question.filter += u"All Files (*.*)|*.*||";
    if (std::optional<std::u16string> path = ui::CurrentPrompter().ChooseFile(question))
        OpenDocumentFile(path->c_str());
}

void CWinApp::OnAppExit() {
    if (m_pMainWnd) m_pMainWnd->SendMessage(WM_CLOSE);
}

CWinApp* AfxGetApp() { return theApplication; }

CWnd* AfxGetMainWnd() { return theApplication ? theApplication->m_pMainWnd : nullptr; }

int AfxWinMain(int argc, char** argv) {
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    // The program's application; a test program has made its own already.
    std::unique_ptr<ui::Application> application;
    if (!ui::Application::Instance()) application = std::make_unique<ui::Application>(argc, argv);
    app->EnsureAppName();
    if (!app->InitInstance()) {
        if (app->m_pMainWnd) app->m_pMainWnd->DestroyWindow();
        return app->ExitInstance();
    }
    return app->Run();
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce) { return picce != nullptr; }

BOOL AfxEnableControlContainer() { return TRUE; }

BOOL SetProcessDPIAware() { return TRUE; }

BOOL AfxOleInit() { return SUCCEEDED(OleInitialize(nullptr)) ? TRUE : FALSE; }
