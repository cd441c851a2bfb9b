// CXTPReportPaintManager: how a report control looks - the header style,
// the colours of text, grid, selection and drop marker, the text font, and
// the texts shown for an empty report and in the header's tool tip.
//
// Plain data: each control owns one (GetPaintManager) and its widget reads
// it at every paint, so a change shows at the next redraw (RedrawControl).
// A colour left unset (XTP_REPORT_COLOR_UNSET, how every colour starts) is
// the application palette's colour for that role at the time of the paint,
// so a skin that changes the palette changes the report too.
#pragma once

#include "com/cstring.h"
#include "ui/handle_types.h"

// The header's look.
enum XTPReportColumnStyle {
    xtpReportColumnShaded = 0,  // the desktop style's own header
    xtpReportColumnFlat = 1,    // flat sections with a plain divider
    xtpReportColumnOffice = 4,  // sections on a soft vertical gradient
};

// A colour that is not set: the drawing falls back on another one.
#define XTP_REPORT_COLOR_UNSET (static_cast<COLORREF>(-1))

class CXTPReportPaintManager {
public:
    CXTPReportPaintManager();
    virtual ~CXTPReportPaintManager();
    CXTPReportPaintManager(const CXTPReportPaintManager&) = delete;
    CXTPReportPaintManager& operator=(const CXTPReportPaintManager&) = delete;

    void SetColumnStyle(XTPReportColumnStyle style) { columnStyle_ = style; }
    XTPReportColumnStyle GetColumnStyle() const { return columnStyle_; }

    // The grid lines between rows (and columns); drawn only while shown.
    void SetGridColor(COLORREF colour) { m_clrGridLine = colour; }
    COLORREF GetGridColor() const { return m_clrGridLine; }
    void ShowGrid(BOOL show) { showGrid_ = show != FALSE; }
    BOOL IsGridShown() const { return showGrid_; }

    // The drop marker's colour: the first when set, else the second, else
    // the highlight colour (which may be unset too: the palette's).
    COLORREF GetDropMarkerColor() const;

    // The font of the rows' text (not owned; null: the control's font). A
    // bold item draws it bold.
    void SetTextFont(HFONT font) { textFont_ = font; }
    HFONT GetTextFont() const { return textFont_; }

    // Colours, 0x00BBGGRR. Text and background of rows (palette Text and
    // Base); selected rows while the control has the focus (Highlight,
    // HighlightedText) and while it does not (the inactive Highlight and
    // HighlightedText); the grid (Midlight).
    COLORREF m_clrWindowText = XTP_REPORT_COLOR_UNSET;
    COLORREF m_clrControlBack = XTP_REPORT_COLOR_UNSET;
    COLORREF m_clrHighlight = XTP_REPORT_COLOR_UNSET;
    COLORREF m_clrHighlightText = XTP_REPORT_COLOR_UNSET;
    COLORREF m_clrSelectedRow = XTP_REPORT_COLOR_UNSET;
    COLORREF m_clrSelectedRowText = XTP_REPORT_COLOR_UNSET;
    COLORREF m_clrGridLine = XTP_REPORT_COLOR_UNSET;
    // The drop marker.
    COLORREF m_clrDropMarker = XTP_REPORT_COLOR_UNSET;
    COLORREF m_clrDropMarkerSecond = XTP_REPORT_COLOR_UNSET;

    // Drawn centred in the report area while there are no rows.
    CString m_strNoItems;
    // Put before the sort column's caption in the header's tool tip.
    CString m_strSortBy;

private:
    XTPReportColumnStyle columnStyle_ = xtpReportColumnShaded;
    bool showGrid_ = true;
    HFONT textFont_ = nullptr;  // Not owned.
};
