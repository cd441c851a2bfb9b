#include "sample_application/sample_view.h"

#include "sample_application/sample_doc.h"
#include "sample_application/sample_resources.h"
#include "sample_application/sample_trace.h"
#include "ui/framework/dc.h"
#include "ui/gdi_objects.h"

IMPLEMENT_DYNCREATE(CSampleView, CView)

BEGIN_MESSAGE_MAP(CSampleView, CView)
ON_WM_ERASEBKGND()
ON_COMMAND(ID_EDIT_COPY, &CSampleView::OnEditCopy)
ON_UPDATE_COMMAND_UI(ID_EDIT_COPY, &CSampleView::OnUpdateEditCopy)
ON_COMMAND_EX(ID_EDIT_CUT, &CSampleView::OnEditPassOn)
ON_COMMAND_EX(ID_EDIT_PASTE, &CSampleView::OnEditPassOn)
ON_COMMAND(ID_EDIT_SELECT_ALL, &CSampleView::OnEditSelectAll)
ON_COMMAND(ID_VIEW_GRID, &CSampleView::OnViewGrid)
ON_UPDATE_COMMAND_UI(ID_VIEW_GRID, &CSampleView::OnUpdateViewGrid)
END_MESSAGE_MAP()

namespace {

constexpr int kGridStep = 16;
constexpr int kTileWidth = 112, kTileHeight = 56, kTileGap = 16;

int g_nViewsMade = 0;

}  // namespace

CSampleView::CSampleView() : m_strTraceName("view " + std::to_string(++g_nViewsMade)) {}

CSampleView::~CSampleView() { AddSampleTrace(m_strTraceName + " deleted"); }

CSampleDoc* CSampleView::GetDocument() const { return DYNAMIC_DOWNCAST(CSampleDoc, m_pDocument); }

BOOL CSampleView::OnEraseBkgnd(CDC*) {
    return TRUE;  // OnDraw fills the whole client area
}

void CSampleView::OnDraw(CDC* pDC) {
    CRect client;
    GetClientRect(&client);
    pDC->FillSolidRect(&client, RGB(0xff, 0xff, 0xff));
    if (m_bGrid) {
        CPen gridPen(PS_SOLID, 1, RGB(0xe3, 0xe8, 0xee));
        CPen* oldPen = pDC->SelectObject(&gridPen);
        for (int x = kGridStep; x < client.right; x += kGridStep) {
            pDC->MoveTo(x, 0);
            pDC->LineTo(x, client.bottom);
        }
        for (int y = kGridStep; y < client.bottom; y += kGridStep) {
            pDC->MoveTo(0, y);
            pDC->LineTo(client.right, y);
        }
        pDC->SelectObject(oldPen);
    }
    CSampleDoc* pDoc = GetDocument();
    if (!pDoc) return;
    // The items as tiles in rows, their names on them.
    pDC->SetBkMode(TRANSPARENT);
    CPen outline(PS_SOLID, 2, RGB(0x20, 0x20, 0x20));
    int x = kTileGap, y = kTileGap;
    for (const CSampleItem& item : pDoc->GetItems()) {
        if (x + kTileWidth > client.right && x > kTileGap) {
            x = kTileGap;
            y += kTileHeight + kTileGap;
        }
        CRect tile(x, y, x + kTileWidth, y + kTileHeight);
        pDC->FillSolidRect(&tile, item.m_crColour);
        if (item.m_bSelected) {
            CPen* oldPen = pDC->SelectObject(&outline);
            CGdiObject* oldBrush = pDC->SelectStockObject(NULL_BRUSH);
            pDC->Rectangle(&tile);
            pDC->SelectObject(oldBrush);
            pDC->SelectObject(oldPen);
        }
        pDC->SetTextColor(RGB(0xff, 0xff, 0xff));
        pDC->DrawText(item.m_strName.GetString(), &tile, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        x += kTileWidth + kTileGap;
    }
}

void CSampleView::OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) {
    AddSampleTrace(m_strTraceName + ": update " + std::to_string(lHint));
    CView::OnUpdate(pSender, lHint, pHint);
}

void CSampleView::OnEditCopy() { AddSampleTrace(m_strTraceName + ": Copy"); }

void CSampleView::OnUpdateEditCopy(CCmdUI* pCmdUI) {
    CSampleDoc* pDoc = GetDocument();
    pCmdUI->Enable(pDoc && !pDoc->GetItems().empty());
}

BOOL CSampleView::OnEditPassOn(UINT nID) {
    // The view keeps no data of its own to cut or paste: the document does it.
    AddSampleTrace(m_strTraceName + (nID == ID_EDIT_CUT ? ": passes Cut on" : ": passes Paste on"));
    return FALSE;
}

void CSampleView::OnEditSelectAll() {
    AddSampleTrace(m_strTraceName + ": Select All");
    if (CSampleDoc* pDoc = GetDocument()) pDoc->SelectAll(this);
    Invalidate();
}

void CSampleView::OnViewGrid() {
    m_bGrid = !m_bGrid;
    AddSampleTrace(m_strTraceName + (m_bGrid ? ": grid on" : ": grid off"));
    Invalidate();
}

void CSampleView::OnUpdateViewGrid(CCmdUI* pCmdUI) { pCmdUI->SetCheck(m_bGrid ? 1 : 0); }
