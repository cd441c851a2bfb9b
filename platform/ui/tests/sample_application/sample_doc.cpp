#include "sample_application/sample_doc.h"

#include "sample_application/sample_resources.h"
#include "sample_application/sample_trace.h"

#include <string>

IMPLEMENT_DYNCREATE(CSampleDoc, CDocument)

BEGIN_MESSAGE_MAP(CSampleDoc, CDocument)
ON_COMMAND(ID_EDIT_CUT, &CSampleDoc::OnEditCut)
ON_UPDATE_COMMAND_UI(ID_EDIT_CUT, &CSampleDoc::OnUpdateEditCut)
ON_COMMAND(ID_EDIT_PASTE, &CSampleDoc::OnEditPaste)
ON_UPDATE_COMMAND_UI(ID_EDIT_PASTE, &CSampleDoc::OnUpdateEditPaste)
ON_COMMAND(ID_ITEM_ADD, &CSampleDoc::OnItemAdd)
ON_COMMAND(ID_ITEM_CLEAR, &CSampleDoc::OnItemClear)
ON_UPDATE_COMMAND_UI(ID_ITEM_CLEAR, &CSampleDoc::OnUpdateItemClear)
END_MESSAGE_MAP()

namespace {

// The colours items take in turn.
const COLORREF kItemColours[] = {RGB(0x42, 0x85, 0xf4), RGB(0x34, 0xa8, 0x53), RGB(0xfb, 0xbc, 0x05),
                                 RGB(0xea, 0x43, 0x35), RGB(0x8e, 0x24, 0xaa)};

}  // namespace

CSampleDoc::CSampleDoc() = default;

CSampleDoc::~CSampleDoc() { AddSampleTrace("document deleted"); }

BOOL CSampleDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument()) return FALSE;
    // A new drawing starts with three items, so its views show something.
    for (int count = 0; count < 3; ++count) AddItem();
    return TRUE;
}

void CSampleDoc::DeleteContents() {
    m_items.clear();
    m_cutItem.reset();
    m_nNextItem = 1;
}

void CSampleDoc::AddItem() {
    std::u16string name = u"Item ";
    for (char digit : std::to_string(m_nNextItem)) name += static_cast<char16_t>(digit);
    m_items.push_back({CString(name.c_str()), kItemColours[(m_nNextItem - 1) % std::size(kItemColours)]});
    ++m_nNextItem;
    SetModifiedFlag();
    UpdateAllViews(nullptr, HINT_ITEMS_CHANGED);
}

void CSampleDoc::SelectAll(CView* pSender) {
    for (CSampleItem& item : m_items) item.m_bSelected = true;
    UpdateAllViews(pSender, HINT_SELECTION_CHANGED);
}

void CSampleDoc::OnEditCut() {
    AddSampleTrace("document: Cut");
    if (m_items.empty()) return;
    m_cutItem = m_items.back();
    m_items.pop_back();
    UpdateAllViews(nullptr, HINT_ITEMS_CHANGED);
}

void CSampleDoc::OnUpdateEditCut(CCmdUI* pCmdUI) { pCmdUI->Enable(!m_items.empty()); }

void CSampleDoc::OnEditPaste() {
    AddSampleTrace("document: Paste");
    if (!m_cutItem) return;
    m_items.push_back(*m_cutItem);
    m_cutItem.reset();
    UpdateAllViews(nullptr, HINT_ITEMS_CHANGED);
}

void CSampleDoc::OnUpdateEditPaste(CCmdUI* pCmdUI) { pCmdUI->Enable(m_cutItem.has_value()); }

void CSampleDoc::OnItemAdd() {
    AddSampleTrace("document: Add Item");
    AddItem();
}

void CSampleDoc::OnItemClear() {
    AddSampleTrace("document: Clear Items");
    m_items.clear();
    UpdateAllViews(nullptr, HINT_ITEMS_CHANGED);
}

void CSampleDoc::OnUpdateItemClear(CCmdUI* pCmdUI) { pCmdUI->Enable(!m_items.empty()); }
