#include "ui/framework/command_line_info.h"

#include "winapi/text.h"

namespace {

bool FlagIs(const WCHAR* flag, const char16_t* name) { return winapi::CompareIgnoreCase(flag, name) == 0; }

}  // namespace

void CCommandLineInfo::ParseParam(const WCHAR* pszParam, BOOL bFlag, BOOL) {
    if (!pszParam) return;
    if (bFlag) {
        if (FlagIs(pszParam, u"nologo")) {
            m_bShowSplash = FALSE;
        } else if (FlagIs(pszParam, u"Embedding")) {
            m_bRunEmbedded = TRUE;
            m_bShowSplash = FALSE;
        } else if (FlagIs(pszParam, u"Automation")) {
            m_bRunAutomated = TRUE;
            m_bShowSplash = FALSE;
        } else if (FlagIs(pszParam, u"Unregister") || FlagIs(pszParam, u"Unregserver")) {
            m_nShellCommand = AppUnregister;
        } else if (FlagIs(pszParam, u"Register") || FlagIs(pszParam, u"Regserver")) {
            m_nShellCommand = AppRegister;
        }
        return;
    }
    if (m_strFileName.IsEmpty()) {
        m_strFileName = pszParam;
        if (m_nShellCommand == FileNew) m_nShellCommand = FileOpen;
    }
}
