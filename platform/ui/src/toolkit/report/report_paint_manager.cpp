#include "ui/toolkit/report/report_paint_manager.h"

CXTPReportPaintManager::CXTPReportPaintManager() : m_strNoItems(u"There are no items to show.") {}

CXTPReportPaintManager::~CXTPReportPaintManager() = default;

COLORREF CXTPReportPaintManager::GetDropMarkerColor() const {
    if (m_clrDropMarker != XTP_REPORT_COLOR_UNSET) return m_clrDropMarker;
    if (m_clrDropMarkerSecond != XTP_REPORT_COLOR_UNSET) return m_clrDropMarkerSecond;
    return m_clrHighlight;
}
