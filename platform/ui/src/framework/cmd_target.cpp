#include "ui/framework/cmd_target.h"

#include "ui/framework/wnd.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

namespace {

bool IsWindowMessageEntry(const AFX_MSGMAP_ENTRY& entry, UINT message) {
    if (entry.pnRegistered) return *entry.pnRegistered != 0 && *entry.pnRegistered == message;
    return entry.nMessage == message && entry.nCode == 0 && entry.nID == 0 && entry.nLastID == 0;
}

bool IsCommandEntry(const AFX_MSGMAP_ENTRY& entry, UINT message, UINT code, UINT id) {
    if (entry.pnRegistered || entry.nMessage != message) return false;
    // Notification codes are compared as the 16-bit codes they travel as.
    bool codeMatches = message == WM_NOTIFY ? (entry.nCode & 0xFFFF) == (code & 0xFFFF) : entry.nCode == code;
    return codeMatches && entry.nID <= id && id <= entry.nLastID;
}

}  // namespace

const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* map, UINT message) {
    for (; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr)
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->pfn; ++entry)
            if (IsWindowMessageEntry(*entry, message)) return entry;
    return nullptr;
}

const AFX_MSGMAP_ENTRY* AfxFindCommandEntry(const AFX_MSGMAP* map, UINT message, UINT code, UINT id) {
    for (; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr)
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->pfn; ++entry)
            if (IsCommandEntry(*entry, message, code, id)) return entry;
    return nullptr;
}

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    UINT message = WM_COMMAND;
    auto code = static_cast<UINT>(nCode);
    if (nCode != CN_UPDATE_COMMAND_UI && HIWORD(static_cast<DWORD>(nCode)) == WM_NOTIFY) {
        message = WM_NOTIFY;
        code = LOWORD(static_cast<DWORD>(nCode));
    }
    const AFX_MSGMAP_ENTRY* entry = AfxFindCommandEntry(GetMessageMap(), message, code, nID);
    if (!entry) return FALSE;
    if (pHandlerInfo) {
        pHandlerInfo->pTarget = this;
        pHandlerInfo->pEntry = entry;
        return TRUE;
    }
    ui::detail::MessageCall call{message, 0, 0, nID, pExtra, TRUE};
    if (nCode == CN_UPDATE_COMMAND_UI) {
        auto* cmdUI = static_cast<CCmdUI*>(pExtra);
        cmdUI->m_bContinueRouting = FALSE;
        entry->pfn(this, call);
        return !cmdUI->m_bContinueRouting;
    }
    entry->pfn(this, call);
    return call.handled;
}

void CCmdUI::Enable(BOOL bOn) {
    m_bEnableChanged = TRUE;
    if (m_pOther && m_pOther->m_hWnd) ::EnableWindow(m_pOther->m_hWnd, bOn);
}

void CCmdUI::SetCheck(int) {}

void CCmdUI::SetRadio(BOOL bOn) { SetCheck(bOn ? 1 : 0); }

void CCmdUI::SetText(LPCTSTR lpszText) {
    if (m_pOther && m_pOther->m_hWnd) ::SetWindowTextW(m_pOther->m_hWnd, lpszText);
}

BOOL CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler) {
    if (!pTarget || m_nID == 0 || LOWORD(m_nID) == 0xFFFF) return TRUE;  // separators and bad ids
    m_bEnableChanged = FALSE;
    BOOL handled = pTarget->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this, nullptr);
    if (bDisableIfNoHndler && !m_bEnableChanged) {
        AFX_CMDHANDLERINFO info{nullptr, nullptr};
        Enable(pTarget->OnCmdMsg(m_nID, CN_COMMAND, this, &info));
    }
    return handled;
}
