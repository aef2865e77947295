/*
 * The dialog "外字一覧（中文字）".
 *
 * A modal dialog from the template IDD_GLYPH_LIST, run on the user-interface thread over the
 * program's objects. The 16 cells of a page are drawn into one off-screen picture (GlyphCanvas,
 * cell i at x = 96 * i), which each cell shows; the bitmap export takes a cell's picture from
 * there, as it is displayed. Timer 14 serves both the deferred drawing and the bulk runs; a
 * run's ticks send through SendCommand, and socket answers (MSG_SOCKET_REPLY) go to the reply
 * handling, which moves the read run on. A left double click opens the editor, owned by this
 * dialog, which makes this dialog active_dialog again when it closes. The picture is freed at
 * WM_DESTROY.
 */
#include "glyphs/glyph_list_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include "dialogs/frame_win.h"
#include "glyphs/glyph_editor_win.h"
#include "glyphs/glyph_files.h"
#include "glyphs/glyph_list.h"
#include "glyphs/glyph_pattern.h"
#include "glyphs/glyph_window_win.h"
#include "res/resource.h"
#include "winbase/program_win.h"
#include "winbase/text_win.h"

namespace tvx {

namespace {

constexpr int kListTimerId = kGlyphListTimerId;
constexpr int kNarrowCell = 6;        // cell 1126 is narrower than the others
constexpr int kNarrowCellWidth = 93;  // its 53 dialog units with the usual font metrics
// The number boxes under the cells, where the usual metrics put them (40 x 14 dialog units).
constexpr int kNumberBoxOffset = 16;
constexpr int kNumberBoxTop[2] = {113, 263};
constexpr int kNumberBoxWidth = 70;
constexpr int kNumberBoxHeight = 21;
constexpr int kCanvasStride = kCellPicture * kListCells;

GlyphCanvas g_canvas;
CanvasView g_views[kListCells];

HWND Cell(HWND dialog, int cell) {
    return GetDlgItem(dialog, IDC_GLYPH_CELL_FIRST + cell);
}

void DrawCells(HWND dialog) {
    const CoreContext& c = ProgramContext();
    const GlyphState& g = ProgramGlyphState();
    if (g_canvas.pixels) GdiFlush();
    for (int i = 0; i < kListCells; ++i) {
        const int glyph = GlyphOfCell(g, i);
        if (g_canvas.pixels && glyph < kGlyphCount) {
            RenderGlyphPicture(c.model.glyph_pattern[glyph], kCellDot, kCellDot,
                               g_canvas.pixels + kCellPicture * i, kCanvasStride);
            CopyViewToControl(Cell(dialog, i), g_views[i]);
        }
        // Setting an edit box's text is the slow part of a redraw: only when it changes.
        HWND box = GetDlgItem(dialog, IDC_GLYPH_NUMBER_BOX_FIRST + i);
        const std::wstring number = Utf8ToWide(GlyphNumberText(glyph));
        if (WindowTextOf(box) != number) SetWindowTextW(box, number.c_str());
    }
}

// The cells sit where the double-click bands expect them, and their number boxes under them,
// whatever the metrics of the font the system gives the dialog.
void PlaceCells(HWND dialog) {
    for (int i = 0; i < kListCells; ++i) {
        const int left = kCellLeft + kCellPitch * (i % kListColumns);
        const int width = i == kNarrowCell ? kNarrowCellWidth : kCellPicture;
        PlaceControl(Cell(dialog, i), left, kCellTop[i / kListColumns], width, kCellPicture);
        PlaceControl(GetDlgItem(dialog, IDC_GLYPH_NUMBER_BOX_FIRST + i), left + kNumberBoxOffset,
                     kNumberBoxTop[i / kListColumns], kNumberBoxWidth, kNumberBoxHeight);
        g_views[i] = {&g_canvas, kCellPicture * i, 0, width, kCellPicture};
        ShowCanvasIn(Cell(dialog, i), &g_views[i]);
    }
}

void FillListControls(HWND dialog, CoreContext& c) {
    SetupProgressBar(dialog, IDC_GLYPH_PROGRESS, kBulkProgressMax);
    FillCombo(dialog, IDC_GLYPH_PAGE, GlyphPageItemText, kGlyphListPages);
    ResetReceiveBuffer(c.model);
}

void OnInitDialog(HWND dialog, CoreContext& c) {
    InitDialogFrame(dialog, c, FrameDialog::GlyphList, AddressPrefix::Unchanged, FillListControls);
    const bool address_enabled = GlyphListAddressEnabled(c.app);
    EnableWindow(GetDlgItem(dialog, IDC_SLAVE_ADDRESS), address_enabled);
    if (!address_enabled) SelectComboIndex(dialog, IDC_SLAVE_ADDRESS, -1);
    SelectComboIndex(dialog, IDC_GLYPH_PAGE, ProgramGlyphState().glyph_list_page);
    CreateGlyphCanvas(g_canvas, kCanvasStride, kCellPicture);
    PlaceCells(dialog);
    DrawCells(dialog);
    c.app.preview_redraw_pending = 1;
    SetTimer(dialog, kListTimerId, kPreviewOpenDelayMs, nullptr);
}

void OnTimer(HWND dialog, CoreContext& c) {
    const GlyphListTick t = OnGlyphListTick(c, ProgramGlyphState());
    if (t.draw_cells) DrawCells(dialog);
    if (t.show_percent) {
        SetDlgItemTextW(dialog, IDC_GLYPH_PERCENT, Utf8ToWide(t.percent_text).c_str());
    }
    if (t.step_progress) SendDlgItemMessageW(dialog, IDC_GLYPH_PROGRESS, PBM_STEPIT, 0, 0);
    if (t.reset_progress) SendDlgItemMessageW(dialog, IDC_GLYPH_PROGRESS, PBM_SETPOS, 0, 0);
    if (t.stop_timer) KillTimer(dialog, kListTimerId);
    PostRunPaceTick(c.app);
}

void StartRun(HWND dialog, CoreContext& c, bool register_run) {
    const int period = StartGlyphBulkRun(c, ProgramGlyphState(),
                                         reinterpret_cast<WindowHandle>(dialog), register_run);
    if (period > 0) SetTimer(dialog, kListTimerId, static_cast<UINT>(period), nullptr);
}

// The cell's picture as displayed, W x H pixels of its client area.
void ExportCell(HWND dialog, CoreContext& c, int cell) {
    if (!g_canvas.pixels) return;
    GdiFlush();
    RECT client;
    GetClientRect(Cell(dialog, cell), &client);
    const int width = client.right < kCellPicture ? client.right : kCellPicture;
    const int height = client.bottom < kCellPicture ? client.bottom : kCellPicture;
    const std::string bitmap =
        BitmapFile(g_canvas.pixels + kCellPicture * cell, width, height, kCanvasStride);
    GlyphState& g = ProgramGlyphState();
    ExportGlyphBitmap(c, g, ProgramFileSystem(), GlyphOfCell(g, cell) + 1, bitmap);
}

void OnLeftDoubleClick(HWND dialog, CoreContext& c, LPARAM lparam) {
    if (ChooseGlyphForEditor(c.app, ProgramGlyphState(), GET_X_LPARAM(lparam),
                             GET_Y_LPARAM(lparam)) >= 0) {
        OpenGlyphEditorDialog(dialog);
    }
}

INT_PTR OnCommand(HWND dialog, CoreContext& c, int id, int code) {
    GlyphState& g = ProgramGlyphState();
    if (id == IDC_GLYPH_PAGE || id == IDC_SLAVE_ADDRESS) {
        if (code != CBN_SELCHANGE) return TRUE;
        if (id == IDC_SLAVE_ADDRESS) {
            OnSlaveAddressComboChange(dialog, c.app);
        } else if (OnGlyphPageSelected(g, ComboSelection(dialog, IDC_GLYPH_PAGE))) {
            DrawCells(dialog);
        }
        return TRUE;
    }
    if (code != BN_CLICKED) return FALSE;
    switch (id) {
        case IDC_GLYPH_CLEAR:
            if (ClearAllGlyphs(c, g, reinterpret_cast<WindowHandle>(dialog))) DrawCells(dialog);
            return TRUE;
        case IDC_GLYPH_OPEN:
            if (OpenGlyphFile(c, g, ProgramFileSystem())) DrawCells(dialog);
            return TRUE;
        case IDC_GLYPH_SAVE:
            SaveGlyphFile(c, g, ProgramFileSystem());
            return TRUE;
        case IDC_GLYPH_SAVE_AS:
            SaveGlyphFileAs(c, g, ProgramFileSystem());
            return TRUE;
        case IDC_GLYPH_READ:
            StartRun(dialog, c, false);
            return TRUE;
        case IDC_GLYPH_REGISTER:
            StartRun(dialog, c, true);
            return TRUE;
        case IDCANCEL:
            CloseGlyphList(c.app);
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK GlyphListDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    CoreContext& c = ProgramContext();
    switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(dialog, c);
            return TRUE;
        case WM_COMMAND:
            return OnCommand(dialog, c, LOWORD(wparam), HIWORD(wparam));
        case WM_LBUTTONDBLCLK:
            OnLeftDoubleClick(dialog, c, lparam);
            return TRUE;
        case WM_RBUTTONDBLCLK: {
            const int cell = CellForExport(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
            if (cell >= 0) ExportCell(dialog, c, cell);
            return TRUE;
        }
        case WM_TIMER:
            if (wparam == kListTimerId) OnTimer(dialog, c);
            return TRUE;
        case WM_PAINT:
            if (int delay = OnGlyphListPaint(c.app)) {
                SetTimer(dialog, kListTimerId, static_cast<UINT>(delay), nullptr);
            }
            return FALSE;  // the dialog paints itself as usual
        case WM_DESTROY:
            DestroyGlyphCanvas(g_canvas);
            return FALSE;
        default:
            return HandleSocketReplyMessage(message, c) ? TRUE : FALSE;
    }
}

}  // namespace

void OpenGlyphListDialog(HWND owner) {
    DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(IDD_GLYPH_LIST), owner, GlyphListDialogProc,
                    0);
}

}  // namespace tvx
