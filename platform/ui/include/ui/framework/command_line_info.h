// CCommandLineInfo: what the program's command line asks the framework to
// do at start (CWinApp::ParseCommandLine, ProcessShellCommand).
#pragma once

#include "com/cstring.h"
#include "winapi/types.h"

class CCommandLineInfo {
public:
    enum { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppRegister, AppUnregister, FileNothing = -1 };

    CCommandLineInfo() = default;
    virtual ~CCommandLineInfo() = default;

    // One argument: a flag (after "/" or "-", without it) or a parameter.
    // The first parameter is the file to open; the flags "Embedding",
    // "Automation", "Unregister"/"Unregserver", "Register"/"Regserver",
    // "nologo" set their members.
    virtual void ParseParam(const WCHAR* pszParam, BOOL bFlag, BOOL bLast);

    BOOL m_bShowSplash = TRUE;
    BOOL m_bRunEmbedded = FALSE;
    BOOL m_bRunAutomated = FALSE;
    int m_nShellCommand = FileNew;
    CString m_strFileName;
};
