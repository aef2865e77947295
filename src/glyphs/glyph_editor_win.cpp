/*
 * The dialog "外字登録".
 *
 * A modal dialog from the template IDD_GLYPH_EDITOR, opened by a double click in the list and
 * run on the user-interface thread over the program's objects. The grid is drawn from the edit
 * buffer into one off-screen picture (GlyphCanvas), which the grid's white rectangle shows; the
 * grid rectangle does not take the mouse, so presses over it arrive here in client pixels.
 * Timer 10 draws the grid 200 ms after opening and 20 ms after a paint. A glyph read back from
 * the device arrives as MSG_PAINT_GLYPH_GRID from the reply handling. The picture is freed at
 * WM_DESTROY.
 */
#include "glyphs/glyph_editor_win.h"

#include <windowsx.h>

#include "dialogs/frame_win.h"
#include "glyphs/glyph_editor.h"
#include "glyphs/glyph_pattern.h"
#include "glyphs/glyph_window_win.h"
#include "res/resource.h"
#include "winbase/program_win.h"
#include "winbase/text_win.h"

namespace tvx {

namespace {

constexpr int kGridTimerId = 10;
// The white rectangle around the grid: its 276 x 257 dialog units with the usual font metrics.
constexpr int kGridRectWidth = 483;
constexpr int kGridRectHeight = 386;

GlyphCanvas g_canvas;
CanvasView g_view;
std::wstring g_sample_text;  // the sample box's text after its last change

SendSequence GridTimer() {
    SendSequence seq;  // no steps: the timer only draws
    seq.params.timer_id = kGridTimerId;
    return seq;
}

void DrawGrid(HWND dialog) {
    if (!g_canvas.pixels) return;
    GdiFlush();
    RenderGlyphPicture(ProgramContext().model.glyph_receive_buffer, kGridDotWidth, kGridDotHeight,
                       g_canvas.pixels, g_canvas.width);
    CopyViewToControl(GetDlgItem(dialog, IDC_GLYPH_GRID), g_view);
}

void FillEditorControls(HWND dialog, CoreContext& c) {
    LoadEditBuffer(c.model, c.app);
    FillCombo(dialog, IDC_GLYPH_NUMBER, RegisterNumberItemText, kRegisterNumbers);
    SelectComboIndex(dialog, IDC_GLYPH_NUMBER, RegisterNumberSelection(c.app));
    SendDlgItemMessageW(dialog, IDC_GLYPH_SAMPLE, EM_LIMITTEXT, kSampleBytes, 0);
    g_sample_text.clear();
}

void OnInitDialog(HWND dialog, CoreContext& c) {
    InitDialogFrame(dialog, c, FrameDialog::GlyphRegister, AddressPrefix::On, FillEditorControls);
    // The mouse rule is in pixels from (12, 12): the grid is put there whatever the font.
    HWND grid = GetDlgItem(dialog, IDC_GLYPH_GRID);
    PlaceControl(grid, kGridLeft, kGridTop, kGridRectWidth, kGridRectHeight);
    if (CreateGlyphCanvas(g_canvas, kGridWidth, kGridHeight)) {
        g_view = {&g_canvas, 0, 0, kGridWidth, kGridHeight};
        ShowCanvasIn(grid, &g_view);
        DrawGrid(dialog);
    }
    c.app.preview_redraw_pending = 1;
    SetTimer(dialog, kGridTimerId, kPreviewOpenDelayMs, nullptr);
}

// The box limits characters, the sample is one double-byte character: "aあ" is held to "a".
void OnSampleChange(HWND dialog) {
    FitEditToBytes(GetDlgItem(dialog, IDC_GLYPH_SAMPLE), g_sample_text, kSampleBytes);
    std::string bytes;
    WideToCp932(g_sample_text, bytes);
    OnSampleTextChanged(ProgramGlyphState(), bytes);
}

INT_PTR OnCommand(HWND dialog, CoreContext& c, int id, int code) {
    GlyphState& g = ProgramGlyphState();
    const WindowHandle self = reinterpret_cast<WindowHandle>(dialog);
    if (id == IDC_GLYPH_SAMPLE) {
        if (code == EN_CHANGE) OnSampleChange(dialog);
        return TRUE;
    }
    if (id == IDC_GLYPH_NUMBER || id == IDC_SLAVE_ADDRESS) {
        if (code != CBN_SELCHANGE) return TRUE;
        if (id == IDC_GLYPH_NUMBER) {
            OnRegisterNumberSelected(c.app, ComboSelection(dialog, IDC_GLYPH_NUMBER));
        } else {
            OnSlaveAddressComboChange(dialog, c.app);
        }
        return TRUE;
    }
    if (code != BN_CLICKED) return FALSE;
    switch (id) {
        case IDC_GLYPH_CLEAR:
            if (ClearEditBuffer(c, g, self)) DrawGrid(dialog);
            return TRUE;
        case IDC_GLYPH_OPEN:
            if (OpenGlyphTextFile(c, g, ProgramFileSystem())) DrawGrid(dialog);
            return TRUE;
        case IDC_GLYPH_SAVE:
            SaveGlyphTextFile(c, g, ProgramFileSystem());
            return TRUE;
        case IDC_GLYPH_SAVE_AS:
            SaveGlyphTextFileAs(c, g, ProgramFileSystem());
            return TRUE;
        case IDC_GLYPH_REGISTER:
            RegisterEditBuffer(c, self);
            return TRUE;
        case IDC_GLYPH_READ:
            ReadRegisteredGlyph(c);
            return TRUE;
        case IDC_GLYPH_SAMPLE_READ:
            ReadSampleGlyph(c, g);
            return TRUE;
        case IDCANCEL: {
            // The list shows the edited glyph and takes socket answers again.
            HWND list = reinterpret_cast<HWND>(CloseEditor(c.app));
            if (list && IsWindow(list)) InvalidateRect(list, nullptr, TRUE);
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        default:
            return FALSE;
    }
}

void OnButtonDown(HWND dialog, CoreContext& c, MouseButton button, LPARAM lparam) {
    if (OnEditorButtonDown(c, ProgramGlyphState(), button, GET_X_LPARAM(lparam),
                           GET_Y_LPARAM(lparam))) {
        DrawGrid(dialog);
    }
    SetCapture(dialog);
}

void OnButtonUp(MouseButton button) {
    OnEditorButtonUp(ProgramContext(), ProgramGlyphState(), button);
    ReleaseCapture();
}

INT_PTR CALLBACK GlyphEditorDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    CoreContext& c = ProgramContext();
    switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(dialog, c);
            return TRUE;
        case WM_COMMAND:
            return OnCommand(dialog, c, LOWORD(wparam), HIWORD(wparam));
        // Double clicks are not handled: the second press of one edits nothing.
        case WM_LBUTTONDOWN:
            OnButtonDown(dialog, c, MouseButton::Left, lparam);
            return TRUE;
        case WM_RBUTTONDOWN:
            OnButtonDown(dialog, c, MouseButton::Right, lparam);
            return TRUE;
        case WM_LBUTTONUP:
            OnButtonUp(MouseButton::Left);
            return TRUE;
        case WM_RBUTTONUP:
            OnButtonUp(MouseButton::Right);
            return TRUE;
        case WM_MOUSEMOVE:
            SetCursor(LoadCursorW(nullptr, IDC_ARROW));
            if (OnEditorMouseMove(c, ProgramGlyphState(), GET_X_LPARAM(lparam),
                                  GET_Y_LPARAM(lparam), (wparam & MK_LBUTTON) != 0,
                                  (wparam & MK_RBUTTON) != 0)) {
                DrawGrid(dialog);
            }
            return TRUE;
        case WM_TIMER:
            if (wparam == kGridTimerId) {
                SendSequence seq = GridTimer();
                ApplyTickResult(dialog,
                                OnSequenceTick(c, seq, [](CoreContext&, int) { return false; }),
                                seq, 0, DrawGrid);
            }
            return TRUE;
        case MSG_PAINT_GLYPH_GRID:
            DrawGrid(dialog);
            return TRUE;
        case WM_DESTROY:
            DestroyGlyphCanvas(g_canvas);
            return FALSE;
        default: {
            // The paint that arms the grid's drawing and the socket answers.
            INT_PTR result = FALSE;
            return OnFrameMessage(dialog, message, wparam, c, kGridTimerId, result) ? result
                                                                                    : FALSE;
        }
    }
}

}  // namespace

void OpenGlyphEditorDialog(HWND owner) {
    DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(IDD_GLYPH_EDITOR), owner,
                    GlyphEditorDialogProc, 0);
}

}  // namespace tvx
