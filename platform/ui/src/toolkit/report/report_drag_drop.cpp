// The report control's drag and drop: the record format, dragging the
// selected rows, the default drag-over and drop (insert or move records at
// the drop position), and Copy.
//
// The record format (the clipboard format EnableDragDrop registers) holds
//   DWORD kRecordFormatMagic, WORD version 1, DWORD record count, records
// and each record
//   CString run-time class name, the record's DoPropExchange over a
//   CXTPPropExchangeArchive, DWORD child count, the child records.
// Reading stops with no records at all at an unknown class (or one that is
// no creatable record) or at damaged data; counts are bounded by what the
// data can hold before anything is made for them.

#include "report_drag_drop.h"

#include "drag_drop_internal.h"
#include "text_conversion.h"
#include "ui/drag_drop.h"
#include "ui/framework/archive.h"
#include "ui/framework/dc.h"
#include "ui/framework/file.h"
#include "ui/device_context.h"
#include "ui/window_functions.h"
#include "ui/toolkit/report/prop_exchange.h"
#include "ui/toolkit/report/report_column.h"
#include "ui/toolkit/report/report_columns.h"
#include "ui/toolkit/report/report_control.h"
#include "ui/toolkit/report/report_paint_manager.h"
#include "ui/toolkit/report/report_record.h"
#include "ui/toolkit/report/report_record_item.h"
#include "ui/toolkit/report/report_records.h"
#include "ui/toolkit/report/report_row.h"
#include "ui/toolkit/report/report_rows.h"
#include "ui/toolkit/report/report_selected_rows.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QMimeData>
#include <QWidget>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace ui::detail {

namespace {

constexpr DWORD kRecordFormatMagic = 0x52525648;  // "HVRR"
constexpr WORD kRecordFormatVersion = 1;
constexpr int kRecordNestingLimit = 256;
// Near an edge of the rows' area a drag scrolls by one row.
constexpr int kAutoScrollMargin = 16;

}  // namespace

// The control's drop target on the rows' area: the drag events become the
// control's OnDragOver (state 0 enter, 2 over, 1 leave with no data) and
// OnDrop.
class ReportDropTarget : public COleDropTarget {
public:
    explicit ReportDropTarget(CXTPReportControl& control) : control_(control) {}

    DROPEFFECT OnDragEnter(CWnd*, COleDataObject* data, DWORD keyState, CPoint point) override {
        return control_.OnDragOver(data, keyState, point, 0);
    }
    DROPEFFECT OnDragOver(CWnd*, COleDataObject* data, DWORD keyState, CPoint point) override {
        return control_.OnDragOver(data, keyState, point, 2);
    }
    void OnDragLeave(CWnd*) override { control_.OnDragOver(nullptr, 0, CPoint(-1, -1), 1); }
    // The control may be destroyed by a drop handler (and this target with
    // it): nothing here is touched after the call.
    BOOL OnDrop(CWnd*, COleDataObject* data, DROPEFFECT effect, CPoint point) override {
        return control_.OnDrop(data, effect, point);
    }

private:
    CXTPReportControl& control_;  // Not owned: the control owns this target.
};

struct ReportDragState {
    UINT format = 0;
    DWORD flags = 0;
    DWORD markerFlags = 1;
    int dropPosition = -1;
    // A press on a selected row that may become a drag.
    bool pressPending = false;
    CPoint pressPoint;
    // A drag that started here is running.
    bool dragging = false;
    std::unique_ptr<ReportDropTarget> target;  // while drops are allowed and the window lives
};

namespace {

ReportDragState& StateOf(ReportDragState*& state) {
    if (!state) state = new ReportDragState;
    return *state;
}

// A CFile over memory, for the record format.
class MemoryFile : public CFile {
public:
    MemoryFile() = default;
    explicit MemoryFile(QByteArray bytes) : bytes_(std::move(bytes)) {}

    UINT Read(void* lpBuf, UINT nCount) override {
        const qsizetype left = bytes_.size() - position_;
        const UINT count = static_cast<UINT>(std::min<qsizetype>(left, nCount));
        if (count) std::memcpy(lpBuf, bytes_.constData() + position_, count);
        position_ += count;
        return count;
    }
    void Write(const void* lpBuf, UINT nCount) override {
        bytes_.append(static_cast<const char*>(lpBuf), nCount);
        position_ = bytes_.size();
    }
    ULONGLONG Seek(LONGLONG lOff, UINT nFrom) override {
        const qsizetype base = nFrom == begin ? 0 : nFrom == current ? position_ : bytes_.size();
        position_ = std::clamp<qsizetype>(base + lOff, 0, bytes_.size());
        return static_cast<ULONGLONG>(position_);
    }
    ULONGLONG GetLength() const override { return static_cast<ULONGLONG>(bytes_.size()); }
    void Flush() override {}
    void Close() override {}

    const QByteArray& Bytes() const { return bytes_; }

private:
    QByteArray bytes_;
    qsizetype position_ = 0;
};

void StoreRecord(CArchive& ar, CXTPReportRecord* record) {
    const CRuntimeClass* kind = record->GetRuntimeClass();
    ar << CString(QString::fromLatin1(kind->m_lpszClassName).toStdU16String().c_str());
    {
        CXTPPropExchangeArchive px(ar);
        record->DoPropExchange(&px);
    }
    CXTPReportRecords* children = record->HasChildren() ? record->GetChilds() : nullptr;
    const DWORD count = children ? static_cast<DWORD>(children->GetCount()) : 0;
    ar << count;
    for (DWORD i = 0; i < count; ++i) StoreRecord(ar, children->GetAt(static_cast<int>(i)));
}

// Reads one record into `into`; false (nothing added) at an unknown class.
// Damaged data throws CArchiveException*.
bool LoadRecord(CArchive& ar, CXTPReportRecords& into, qsizetype size, int depth) {
    if (depth > kRecordNestingLimit) return false;
    CString name;
    ar >> name;
    const std::string className = ToQString(name.GetString()).toStdString();
    const CRuntimeClass* kind = CRuntimeClass::FromName(className.c_str());
    if (!kind || !kind->IsDerivedFrom(RUNTIME_CLASS(CXTPReportRecord)) || !kind->m_pfnCreateObject) return false;
    auto* record = static_cast<CXTPReportRecord*>(kind->CreateObject());
    into.Add(record);
    CXTPPropExchangeArchive px(ar);
    record->DoPropExchange(&px);
    DWORD count = 0;
    ar >> count;
    // Each record takes at least a few bytes: a larger count is damage.
    if (count > static_cast<DWORD>(size)) return false;
    for (DWORD i = 0; i < count; ++i)
        if (!LoadRecord(ar, *record->GetChilds(), size, depth + 1)) return false;
    return true;
}

// The records in the data, added to `into` (left empty on any failure).
void ReadRecords(COleDataObject* data, UINT format, CXTPReportRecords& into) {
    if (!data || !format) return;
    HGLOBAL block = data->GetGlobalData(static_cast<CLIPFORMAT>(format));
    if (!block) return;
    const SIZE_T size = GlobalSize(block);
    QByteArray bytes(static_cast<const char*>(GlobalLock(block)), static_cast<qsizetype>(size));
    GlobalUnlock(block);
    GlobalFree(block);

    MemoryFile file(bytes);
    bool complete = false;
    try {
        CArchive ar(&file, CArchive::load, 4096);
        DWORD magic = 0, count = 0;
        WORD version = 0;
        ar >> magic >> version >> count;
        if (magic == kRecordFormatMagic && version == kRecordFormatVersion && count <= static_cast<DWORD>(size)) {
            complete = true;
            for (DWORD i = 0; i < count && complete; ++i) complete = LoadRecord(ar, into, bytes.size(), 0);
        }
    } catch (CArchiveException* failure) {
        failure->Delete();
        complete = false;
    }
    if (!complete) into.RemoveAll();
}

// The records of the selected rows, without those whose ancestor's row is
// selected too (they go with it), in the order of the shown rows.
std::vector<CXTPReportRecord*> SelectedRecords(CXTPReportControl& control) {
    CXTPReportSelectedRows* selected = control.GetSelectedRows();
    std::vector<CXTPReportRow*> rows;
    for (int i = 0; i < selected->GetCount(); ++i)
        if (CXTPReportRow* row = selected->GetAt(i); row && row->GetRecord()) rows.push_back(row);
    std::sort(rows.begin(), rows.end(),
              [](const CXTPReportRow* a, const CXTPReportRow* b) { return a->GetIndex() < b->GetIndex(); });
    std::set<const CXTPReportRecord*> chosen;
    for (CXTPReportRow* row : rows) chosen.insert(row->GetRecord());
    std::vector<CXTPReportRecord*> records;
    for (CXTPReportRow* row : rows) {
        bool underChosen = false;
        for (CXTPReportRecord* up = row->GetRecord()->GetParentRecord(); up && !underChosen; up = up->GetParentRecord())
            underChosen = chosen.contains(up);
        if (!underChosen) records.push_back(row->GetRecord());
    }
    return records;
}

HGLOBAL RecordBlock(const std::vector<CXTPReportRecord*>& records) {
    MemoryFile file;
    {
        CArchive ar(&file, CArchive::store, 4096);
        ar << kRecordFormatMagic << kRecordFormatVersion << static_cast<DWORD>(records.size());
        for (CXTPReportRecord* record : records) StoreRecord(ar, record);
        ar.Close();
    }
    const QByteArray& bytes = file.Bytes();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(bytes.size()));
    if (block && !bytes.isEmpty()) {
        std::memcpy(GlobalLock(block), bytes.constData(), static_cast<size_t>(bytes.size()));
        GlobalUnlock(block);
    }
    return block;
}

// The captions of the records' visible columns, tab-separated, one line a
// record.
HGLOBAL TextBlock(CXTPReportControl& control, const std::vector<CXTPReportRecord*>& records) {
    std::u16string text;
    CXTPReportColumns* columns = control.GetColumns();
    for (CXTPReportRecord* record : records) {
        bool first = true;
        for (int c = 0; c < columns->GetCount(); ++c) {
            CXTPReportColumn* column = columns->GetAt(c);
            if (!column || !column->IsVisible()) continue;
            if (!first) text += u'\t';
            first = false;
            if (CXTPReportRecordItem* item = record->GetItem(column)) text += item->GetCaption(column).GetString();
        }
        text += u"\r\n";
    }
    const SIZE_T size = (text.size() + 1) * sizeof(char16_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (block) {
        std::memcpy(GlobalLock(block), text.c_str(), size);
        GlobalUnlock(block);
    }
    return block;
}

// Fills `list` (a list of references only) with `records`.
void NameRecords(CXTPReportRecords& list, const std::vector<CXTPReportRecord*>& records) {
    for (CXTPReportRecord* record : records) list.Add(record);
}

LRESULT SendDragNotify(CXTPReportControl& control, UINT code, CXTPReportRecords* records, CXTPReportRecord* target,
                       BOOL above, DROPEFFECT effect, COleDataObject* data) {
    ui::ReportDragNotify notify{};
    notify.records = records;
    notify.targetRecord = target;
    notify.above = above;
    notify.effect = effect;
    notify.dataObject = data;
    return control.SendNotifyMessage(code, &notify.hdr);
}

// Where records dropped at `point` go: the list and the index in it.
struct DropPlace {
    CXTPReportRecord* target = nullptr;
    BOOL above = FALSE;
    CXTPReportRecords* list = nullptr;
    int index = 0;
};

DropPlace PlaceAt(CXTPReportControl& control, CPoint point) {
    DropPlace place;
    CXTPReportRow* row = control.HitTest(point);
    place.target = row ? row->GetRecord() : nullptr;
    if (!place.target) {
        place.list = control.GetRecords();
        place.index = place.list->GetCount();
        return place;
    }
    const CRect rect = control.GetRowRect(row);
    place.above = point.y <= (rect.top + rect.bottom) / 2;
    return place;
}

// Resolves the list and index of a place after the lists may have changed.
void Resolve(CXTPReportControl& control, DropPlace& place) {
    if (!place.target) {
        place.list = control.GetRecords();
        place.index = place.list->GetCount();
        return;
    }
    place.list = place.target->GetRecords();
    place.index = place.target->GetIndex() + (place.above ? 0 : 1);
}

// Selects the rows of `records` after a Populate; the first gets the focus.
void SelectRecords(CXTPReportControl& control, const std::vector<CXTPReportRecord*>& records) {
    CXTPReportSelectedRows* selected = control.GetSelectedRows();
    selected->Clear();
    CXTPReportRow* first = nullptr;
    for (CXTPReportRecord* record : records) {
        CXTPReportRow* row = control.GetRows()->Find(record);
        if (!row) continue;
        if (!first) {
            first = row;
            control.SetFocusedRow(row, FALSE, TRUE);
        }
        selected->Add(row);
    }
    control.OnSelectionChanged();
}

bool IsWithin(const CXTPReportRecord* record, const std::set<const CXTPReportRecord*>& roots) {
    for (; record; record = record->GetParentRecord())
        if (roots.contains(record)) return true;
    return false;
}

}  // namespace

void ReportDragPress(CXTPReportControl& control, ReportDragState*& state, CPoint point) {
    ReportDragState& drag = StateOf(state);
    CXTPReportRow* row = control.HitTest(point);
    drag.pressPending = (drag.flags & xtpReportAllowDrag) && row && row->IsSelected();
    drag.pressPoint = point;
}

void ReportDragRelease(ReportDragState* state) {
    if (state) state->pressPending = false;
}

bool ReportDragMove(CXTPReportControl& control, ReportDragState*& state, UINT flags, CPoint point) {
    if (!state || !state->pressPending) return false;
    if (!(flags & MK_LBUTTON)) {
        state->pressPending = false;
        return false;
    }
    const int distance = QApplication::startDragDistance();
    if (std::abs(point.x - state->pressPoint.x) < distance && std::abs(point.y - state->pressPoint.y) < distance)
        return false;
    state->pressPending = false;

    std::vector<CXTPReportRecord*> records = SelectedRecords(control);
    if (records.empty()) return false;
    // The list keeps the records alive for the drag, whatever the handlers do.
    CXTPReportRecords dragged{CXTPReportRecords::ReferencesOnly{}};
    NameRecords(dragged, records);

    const HWND hwnd = control.GetSafeHwnd();
    SendDragNotify(control, XTP_NM_REPORT_BEGINDRAG, &dragged, nullptr, FALSE, DROPEFFECT_NONE, nullptr);
    DROPEFFECT effect = DROPEFFECT_NONE;
    if (IsWindow(hwnd) && state) {
        COleDataSource source;
        source.CacheGlobalData(static_cast<CLIPFORMAT>(state->format), RecordBlock(records));
        source.CacheGlobalData(CF_UNICODETEXT, TextBlock(control, records));
        DROPEFFECT allowed = DROPEFFECT_NONE;
        if (state->flags & xtpReportAllowDragCopy) allowed |= DROPEFFECT_COPY;
        if (state->flags & xtpReportAllowDragMove) allowed |= DROPEFFECT_MOVE;
        state->dragging = true;
        effect = RunDrag(source.MakeMimeData(), allowed, control.Widget());
        // The control may have gone while the drag ran.
        if (IsWindow(hwnd) && state) state->dragging = false;
    }
    if (IsWindow(hwnd))
        SendDragNotify(control, XTP_NM_REPORT_DRAGDROP_COMPLETED, &dragged, nullptr, FALSE, effect, nullptr);
    return true;
}

void AttachReportDropTarget(CXTPReportControl& control, ReportDragState*& state, QWidget* widget) {
    ReportDragState& drag = StateOf(state);
    if (!widget || !(drag.flags & xtpReportAllowDrop)) return;
    // A target of an earlier window (or of this one) goes first.
    drag.target = std::make_unique<ReportDropTarget>(control);
    RegisterDropTarget(*drag.target, control, widget);
}

}  // namespace ui::detail

using namespace ui::detail;

UINT CXTPReportControl::EnableDragDrop(LPCTSTR lpszClipboardFormat, DWORD dwFlags, DWORD dwDropMarkerFlags) {
    ReportDragState& drag = StateOf(dragState_);
    drag.format = lpszClipboardFormat && *lpszClipboardFormat ? RegisterClipboardFormatW(lpszClipboardFormat) : 0;
    drag.flags = drag.format ? dwFlags : 0;
    drag.markerFlags = dwDropMarkerFlags;
    if (!(drag.flags & xtpReportAllowDrop)) {
        drag.target.reset();
    } else if (QWidget* widget = Widget()) {
        auto* area = qobject_cast<QAbstractScrollArea*>(widget);
        if (!area) area = widget->findChild<QAbstractScrollArea*>();
        AttachReportDropTarget(*this, dragState_, area ? area->viewport() : widget);
    }
    return drag.format;
}

int CXTPReportControl::GetDropPosition() const { return dragState_ ? dragState_->dropPosition : -1; }

void CXTPReportControl::SetDropPosition(int nDropPos) {
    ReportDragState& drag = StateOf(dragState_);
    if (drag.dropPosition == nDropPos) return;
    drag.dropPosition = nDropPos;
    RedrawControl();
}

void CXTPReportControl::DoAutoVScroll(CPoint point) {
    const CRect area = GetReportRectangle();
    if (area.IsRectEmpty()) return;
    const int top = GetTopRowIndex();
    int next = -1;
    if (point.y < area.top + kAutoScrollMargin && top > 0)
        next = top - 1;
    else if (point.y >= area.bottom - kAutoScrollMargin)
        next = top + GetRowsPerPage();
    if (CXTPReportRow* row = next >= 0 ? GetRows()->GetAt(next) : nullptr) EnsureVisible(row);
}

DROPEFFECT CXTPReportControl::OnDragOver(COleDataObject* pDataObject, DWORD dwKeyState, CPoint point, int nState) {
    ReportDragState& drag = StateOf(dragState_);
    if (!pDataObject || nState == 1 || !(drag.flags & xtpReportAllowDrop) ||
        !pDataObject->IsDataAvailable(static_cast<CLIPFORMAT>(drag.format))) {
        SetDropPosition(-1);
        return DROPEFFECT_NONE;
    }
    DoAutoVScroll(point);
    // Ctrl copies; else a move, or a copy where the source is this control
    // and it may only copy.
    DROPEFFECT effect = (dwKeyState & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
    if (drag.dragging && effect == DROPEFFECT_MOVE && !(drag.flags & xtpReportAllowDragMove)) effect = DROPEFFECT_COPY;

    const DropPlace place = PlaceAt(*this, point);
    int position = -1;
    if (place.target) {
        const CRect rect = GetRowRect(GetRows()->Find(place.target));
        position = place.above ? rect.top : rect.bottom;
    } else if (CXTPReportRow* last = GetRows()->GetAt(GetRows()->GetCount() - 1)) {
        position = GetRowRect(last).bottom;
    } else {
        position = GetReportRectangle().top;
    }
    SetDropPosition(position);
    return effect;
}

BOOL CXTPReportControl::OnDrop(COleDataObject* pDataObject, DROPEFFECT dropEffect, CPoint point) {
    ReportDragState& drag = StateOf(dragState_);
    if (drag.dropPosition == -1) return FALSE;
    const HWND hwnd = GetSafeHwnd();
    BeginUpdate();
    SetDropPosition(-1);
    BOOL result = FALSE;
    // Ends the update unless a handler destroyed the control.
    auto finish = [&] {
        if (IsWindow(hwnd)) EndUpdate();
        return result;
    };
    if (dropEffect != DROPEFFECT_COPY && dropEffect != DROPEFFECT_MOVE) return finish();

    DropPlace place = PlaceAt(*this, point);
    // The target stays valid whatever the handlers remove.
    CXTPReportRecords holdTarget{CXTPReportRecords::ReferencesOnly{}};
    if (place.target) holdTarget.Add(place.target);
    // A drag that started here names its records; others are read below.
    CXTPReportRecords arriving{CXTPReportRecords::ReferencesOnly{}};
    if (drag.dragging) NameRecords(arriving, SelectedRecords(*this));
    const LRESULT answer = SendDragNotify(*this, XTP_NM_REPORT_DROP, drag.dragging ? &arriving : nullptr, place.target,
                                          place.above, dropEffect, pDataObject);
    if (!IsWindow(hwnd) || !dragState_) return finish();
    const bool offered = pDataObject && pDataObject->IsDataAvailable(static_cast<CLIPFORMAT>(drag.format));
    if (!(offered || answer == 1) || !(drag.flags & xtpReportAllowDrop)) return finish();
    if (place.target && !place.target->GetControl()) return finish();  // removed meanwhile

    if (drag.dragging && dropEffect == DROPEFFECT_MOVE && answer == 0) {
        // A move inside this control.
        std::vector<CXTPReportRecord*> records = SelectedRecords(*this);
        std::set<const CXTPReportRecord*> roots(records.begin(), records.end());
        // Nothing to move, everything selected, or a drop into what moves.
        if (records.empty() || GetSelectedRows()->GetCount() >= GetRows()->GetCount() || IsWithin(place.target, roots))
            return finish();
        CXTPReportRecords named{CXTPReportRecords::ReferencesOnly{}};
        NameRecords(named, records);
        const LRESULT go = SendDragNotify(*this, XTP_NM_REPORT_BEFORE_DROP, &named, place.target, place.above,
                                          dropEffect, pDataObject);
        if (go == -1 || !IsWindow(hwnd)) return finish();
        if (place.target && (!place.target->GetControl() || IsWithin(place.target, roots))) return finish();
        // The handler may have removed records meanwhile: move those still here.
        CXTPReportRecords moving;
        for (CXTPReportRecord* record : records)
            if (record->GetControl() == this) moving.Add(record);
        Resolve(*this, place);
        for (int i = 0; moving.GetCount() > 0; ++i) place.list->InsertAt(place.index + i, moving.GetAt(0));
        Populate();
        SelectRecords(*this, records);
        RedrawControl();
        SendDragNotify(*this, XTP_NM_REPORT_RECORDS_DROPPED, &named, place.target, place.above, dropEffect,
                       pDataObject);
        return finish();
    }

    CXTPReportRecords dropped;
    ReadRecords(pDataObject, drag.format, dropped);
    result = dropped.GetCount() > 0;
    const LRESULT go =
        SendDragNotify(*this, XTP_NM_REPORT_BEFORE_DROP, &dropped, place.target, place.above, dropEffect, pDataObject);
    if (go == -1 || !IsWindow(hwnd) || dropped.GetCount() == 0) return finish();
    if (place.target && !place.target->GetControl()) return finish();
    Resolve(*this, place);
    std::vector<CXTPReportRecord*> records;
    for (int i = 0; i < dropped.GetCount(); ++i) records.push_back(dropped.GetAt(i));
    CXTPReportRecords inserted{CXTPReportRecords::ReferencesOnly{}};
    NameRecords(inserted, records);
    for (int i = 0; dropped.GetCount() > 0; ++i) place.list->InsertAt(place.index + i, dropped.GetAt(0));
    Populate();
    SelectRecords(*this, records);
    RedrawControl();
    SendDragNotify(*this, XTP_NM_REPORT_RECORDS_DROPPED, &inserted, place.target, place.above, dropEffect, pDataObject);
    return finish();
}

void CXTPReportControl::DrawDropMarker(CDC* pDC) {
    const int y = GetDropPosition();
    if (!pDC || y < 0) return;
    const CRect area = GetReportRectangle();
    CPen pen(PS_SOLID, 2, GetPaintManager() ? GetPaintManager()->GetDropMarkerColor() : RGB(0, 0, 0));
    CPen* old = pDC->SelectObject(&pen);
    pDC->MoveTo(area.left, y);
    pDC->LineTo(area.right, y);
    pDC->SelectObject(old);
}

BOOL CXTPReportControl::Copy() {
    const std::vector<CXTPReportRecord*> records = SelectedRecords(*this);
    if (records.empty()) return FALSE;
    COleDataSource source;
    if (dragState_ && dragState_->format)
        source.CacheGlobalData(static_cast<CLIPFORMAT>(dragState_->format), RecordBlock(records));
    source.CacheGlobalData(CF_UNICODETEXT, TextBlock(*this, records));
    source.SetClipboard();
    return TRUE;
}

void CXTPReportControl::DestroyDragState() {
    if (!dragState_) return;
    delete dragState_;
    dragState_ = nullptr;
}
