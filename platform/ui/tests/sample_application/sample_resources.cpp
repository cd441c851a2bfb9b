#include "sample_application/sample_resources.h"

#include "ui/gdiplus.h"
#include "ui/menu_resource.h"
#include "ui/string_table.h"

namespace {

using Gdiplus::Color;

// One glyph per command: a rounded tile in the command's colour with a
// white mark, as small tool bar icons look.
struct CommandGlyph {
    UINT nID;
    Color tile;
    enum Mark { sheet, cross, stack, clip, plus, grid, pane, question } mark;
};

const CommandGlyph kGlyphs[] = {
    {ID_FILE_NEW, Color(255, 0x2e, 0x7d, 0x32), CommandGlyph::sheet},
    {ID_EDIT_CUT, Color(255, 0xc6, 0x28, 0x28), CommandGlyph::cross},
    {ID_EDIT_COPY, Color(255, 0x15, 0x65, 0xc0), CommandGlyph::stack},
    {ID_EDIT_PASTE, Color(255, 0xef, 0x6c, 0x00), CommandGlyph::clip},
    {ID_ITEM_ADD, Color(255, 0x00, 0x83, 0x8f), CommandGlyph::plus},
    {ID_VIEW_GRID, Color(255, 0x6a, 0x1b, 0x9a), CommandGlyph::grid},
    {ID_VIEW_OUTLINE, Color(255, 0x45, 0x5a, 0x64), CommandGlyph::pane},
    {ID_APP_ABOUT, Color(255, 0x42, 0x42, 0x42), CommandGlyph::question},
};

void DrawMark(Gdiplus::Graphics& graphics, CommandGlyph::Mark mark) {
    Gdiplus::SolidBrush white(Color(255, 255, 255, 255));
    Gdiplus::Pen pen(Color(255, 255, 255, 255), 2.0f);
    switch (mark) {
    case CommandGlyph::sheet:
        graphics.FillRectangle(&white, 5, 3, 7, 10);
        break;
    case CommandGlyph::cross:
        graphics.DrawLine(&pen, 4, 4, 12, 12);
        graphics.DrawLine(&pen, 12, 4, 4, 12);
        break;
    case CommandGlyph::stack:
        graphics.FillRectangle(&white, 3, 3, 7, 7);
        graphics.FillRectangle(&white, 7, 7, 6, 6);
        break;
    case CommandGlyph::clip:
        graphics.FillRectangle(&white, 4, 5, 8, 8);
        graphics.FillRectangle(&white, 6, 3, 4, 2);
        break;
    case CommandGlyph::plus:
        graphics.DrawLine(&pen, 8, 3, 8, 13);
        graphics.DrawLine(&pen, 3, 8, 13, 8);
        break;
    case CommandGlyph::grid: {
        Gdiplus::Pen thin(Color(255, 255, 255, 255), 1.0f);
        for (int at : {4, 8, 12}) {
            graphics.DrawLine(&thin, at, 3, at, 13);
            graphics.DrawLine(&thin, 3, at, 13, at);
        }
        break;
    }
    case CommandGlyph::pane:
        graphics.FillRectangle(&white, 3, 3, 4, 10);
        graphics.DrawLine(&pen, 9, 5, 13, 5);
        graphics.DrawLine(&pen, 9, 9, 13, 9);
        break;
    case CommandGlyph::question:
        graphics.FillRectangle(&white, 7, 3, 2, 6);
        graphics.FillRectangle(&white, 7, 11, 2, 2);
        break;
    }
}

}  // namespace

void RegisterSampleResources() {
    ui::RegisterMenuResource(
        {IDR_SAMPLETYPE,
         {{0,
           u"&File",
           MF_POPUP,
           {{ID_FILE_NEW, u"&New\tCtrl+N"},
            {ID_FILE_NEW_FRAME, u"New &Window"},
            {ID_FILE_CLOSE, u"&Close"},
            ui::MenuRow::Separator(),
            {ID_APP_EXIT, u"E&xit"}}},
          {0,
           u"&Edit",
           MF_POPUP,
           {{ID_EDIT_CUT, u"Cu&t\tCtrl+X"},
            {ID_EDIT_COPY, u"&Copy\tCtrl+C"},
            {ID_EDIT_PASTE, u"&Paste\tCtrl+V"},
            ui::MenuRow::Separator(),
            {ID_EDIT_SELECT_ALL, u"Select &All\tCtrl+A"},
            ui::MenuRow::Separator(),
            {ID_ITEM_ADD, u"A&dd Item\tCtrl+Shift+A"},
            {ID_ITEM_CLEAR, u"C&lear Items"}}},
          {0, u"&View", MF_POPUP, {{ID_VIEW_GRID, u"&Grid\tCtrl+G"}, {ID_VIEW_OUTLINE, u"&Outline\tF4"}}},
          {0, u"&Help", MF_POPUP, {{ID_APP_ABOUT, u"&About Sample..."}}}}});
    ui::RegisterStrings({
        {IDR_SAMPLETYPE, u"Sample\nDrawing\nDrawing\n\n\nSample.Drawing\nSample Drawing"},
        {AFX_IDS_APP_TITLE, u"Sample"},
        {ID_FILE_NEW, u"Create a new drawing\nNew"},
        {ID_FILE_NEW_FRAME, u"Open another window on the drawing\nNew Window"},
        {ID_EDIT_CUT, u"Cut the last item\nCut"},
        {ID_EDIT_COPY, u"Copy the items as text\nCopy"},
        {ID_EDIT_PASTE, u"Insert the item cut last\nPaste"},
        {ID_EDIT_SELECT_ALL, u"Select every item\nSelect All"},
        {ID_ITEM_ADD, u"Add an item to the drawing\nAdd Item"},
        {ID_ITEM_CLEAR, u"Remove every item\nClear Items"},
        {ID_VIEW_GRID, u"Show or hide the grid of this view\nGrid"},
        {ID_VIEW_OUTLINE, u"Show or hide the outline pane\nOutline"},
        {ID_APP_ABOUT, u"Show the program's version\nAbout"},
    });
}

void UnregisterSampleResources() { ui::UnregisterMenuResource(IDR_SAMPLETYPE); }

HICON CreateCommandIcon(UINT nID) {
    for (const CommandGlyph& glyph : kGlyphs) {
        if (glyph.nID != nID) continue;
        Gdiplus::Bitmap bitmap(16, 16, PixelFormat32bppARGB);
        {
            Gdiplus::Graphics graphics(&bitmap);
            Gdiplus::SolidBrush tile(glyph.tile);
            graphics.FillRectangle(&tile, 1, 1, 14, 14);
            DrawMark(graphics, glyph.mark);
        }
        HICON icon = nullptr;
        if (Gdiplus::GdipCreateHICONFromBitmap(&bitmap, &icon) != Gdiplus::Ok) return nullptr;
        return icon;
    }
    return nullptr;
}
