// CWinApp: the program's one application object.
//
// The program defines one static CWinApp-derived object; AfxWinMain makes
// the ui::Application, calls InitInstance and, when it returns TRUE, runs
// the message loop until the quit, then ExitInstance, whose result is the
// exit code (FALSE from InitInstance: ExitInstance at once). The
// application is the last target of routed commands, holds the document
// templates (and owns them) and the main window (m_pMainWnd; a frame that
// is the main window posts the quit when it is destroyed).
//
// Idle time: when the loop has handled something (input, a posted message,
// a command) and is about to wait, OnIdle runs, at most every 100 ms; the
// default sends WM_IDLEUPDATECMDUI to every frame window so their bars run
// update-UI. A loop that waits with nothing to do runs no idle pass.
#pragma once

#include "ui/framework/cmd_target.h"
#include "winapi/types.h"  // POSITION

#include "com/cstring.h"

#include <memory>
#include <vector>

class CCommandLineInfo;
class CDocTemplate;
class CDocument;
class CWnd;

class CWinApp : public CCmdTarget {
    DECLARE_DYNAMIC(CWinApp)
public:
    // `lpszAppName` is the application's title (message box captions); null
    // takes the string AFX_IDS_APP_TITLE, else the program's file name.
    explicit CWinApp(LPCTSTR lpszAppName = nullptr);
    ~CWinApp() override;

    // The program's start-up; FALSE ends it.
    virtual BOOL InitInstance();
    // The message loop: runs until the quit request, then ExitInstance.
    virtual int Run();
    // The exit code; the default is the quit request's code.
    virtual int ExitInstance();
    // Idle work; `lCount` counts the calls of one idle time. TRUE asks for
    // another call. The default (lCount 0) runs the frames' update-UI.
    virtual BOOL OnIdle(LONG lCount);

    // The registry key HKCU\Software\<key>\<application> for the
    // application's own values.
    void SetRegistryKey(LPCTSTR lpszRegistryKey);
    // How many recent files the File menu keeps (nothing reads the list: the
    // system never saves a document).
    void LoadStdProfileSettings(UINT nMaxMRU = 4);

    // The application owns `pTemplate` from now on.
    void AddDocTemplate(CDocTemplate* pTemplate);
    POSITION GetFirstDocTemplatePosition() const;
    CDocTemplate* GetNextDocTemplate(POSITION& pos) const;

    // Parses the process's arguments (after the program's name) into rCmdInfo.
    void ParseCommandLine(CCommandLineInfo& rCmdInfo);
    // Does what rCmdInfo asks: FileNew opens a new document (through the
    // application's ID_FILE_NEW handler when it has one), FileOpen the file.
    // FALSE when that failed or left no main window.
    BOOL ProcessShellCommand(CCommandLineInfo& rCmdInfo);
    virtual CDocument* OpenDocumentFile(LPCTSTR lpszFileName);

    // The framework's handler of ID_FILE_NEW, for the program's map: a new
    // document in a new frame through the (first) template.
    afx_msg void OnFileNew();
    // The framework's handler of ID_FILE_OPEN: asks the prompter for a file
    // (the first template's filter, then every file) and opens a document
    // titled with the file's name through OpenDocumentFile. Nothing happens
    // when the question is cancelled.
    afx_msg void OnFileOpen();

    CWnd* m_pMainWnd = nullptr;  // Not owned.
    int m_nCmdShow = 1;          // SW_SHOWNORMAL
    LPCTSTR m_pszAppName = nullptr;
    LPCTSTR m_pszRegistryKey = nullptr;
    LPCTSTR m_pszProfileName = nullptr;
    UINT m_nMaxMRU = 0;

protected:
    // ID_APP_EXIT: closes the main window.
    afx_msg void OnAppExit();
    DECLARE_MESSAGE_MAP()

private:
    friend int AfxWinMain(int argc, char** argv);
    // The title: the string AFX_IDS_APP_TITLE, else the program's name.
    void EnsureAppName();

    int exitCode_ = 0;
    CString appName_;
    CString registryKey_;
    std::vector<std::unique_ptr<CDocTemplate>> templates_;
};

// The application object, or null before it is made.
CWinApp* AfxGetApp();
// The application's main window (its m_pMainWnd), or null.
CWnd* AfxGetMainWnd();
// The program's entry: see CWinApp. Returns the exit code.
int AfxWinMain(int argc, char** argv);

// Nothing to set up with Qt (every control exists): TRUE.
struct tagINITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
};
typedef tagINITCOMMONCONTROLSEX INITCOMMONCONTROLSEX;
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce);
BOOL AfxEnableControlContainer();
// High DPI is always on with Qt: TRUE.
BOOL SetProcessDPIAware();
// OleInitialize of the component runtime; FALSE when it fails.
BOOL AfxOleInit();
