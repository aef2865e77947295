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
 *
 * Keys: a modal dialog hands keys to its focused control, so while the editor is open a
 * message filter hook of this thread (WH_MSGFILTER, which the dialog's own loop calls for every
 * message) translates Ctrl+Z, Ctrl+Y, Ctrl+C and Ctrl+V through the accelerator table
 * IDR_GLYPH_EDITOR_KEYS into the commands of their buttons; the sample box keeps its own. The
 * hook is removed at WM_DESTROY. The clipboard is opened only for the moment of a copy or a
 * paste.
 */
#include "glyphs/glyph_editor_win.h"

#include <windowsx.h>

#include <cstring>
#include <utility>

#include "dialogs/frame_win.h"
#include "glyphs/glyph_editor.h"
#include "glyphs/glyph_pattern.h"
#include "glyphs/glyph_sources.h"
#include "glyphs/glyph_sources_win.h"
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

// An accelerator's WM_COMMAND carries 1 where a button's carries BN_CLICKED.
constexpr int kFromAccelerator = 1;
// The most taken from the clipboard: a text far longer than a pattern is none, and a picture
// beyond the largest file taken is refused as too large.
constexpr std::size_t kMaxClipboardTextChars = 64 * 1024;
constexpr std::size_t kMaxClipboardPictureBytes = kMaxPictureFileBytes + 1;
constexpr int kClipboardAttempts = 10;
constexpr DWORD kClipboardRetryMs = 20;
constexpr std::string_view kClipboardBusyText =
    "クリップボードをほかのプログラムが使っています。少し待ってからもう一度どうぞ。";

GlyphCanvas g_canvas;
CanvasView g_view;
std::wstring g_sample_text;  // the sample box's text after its last change
HWND g_editor = nullptr;
HHOOK g_key_hook = nullptr;
HACCEL g_keys = nullptr;

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

// Undo and redo are offered when there is a step to take; a button that goes grey while it has
// the focus hands it on, so that the keys still reach the dialog.
void ShowSteps(HWND dialog) {
    const GlyphUndo& undo = ProgramGlyphState().undo;
    const int glyph = ProgramContext().app.current_glyph_index;
    for (auto [id, offered] : {std::pair{IDC_GLYPH_UNDO, CanUndoGlyph(undo, glyph)},
                               std::pair{IDC_GLYPH_REDO, CanRedoGlyph(undo, glyph)}}) {
        HWND button = GetDlgItem(dialog, id);
        if (!offered && GetFocus() == button) SendMessageW(dialog, WM_NEXTDLGCTL, 0, FALSE);
        EnableWindow(button, offered);
    }
}

void DrawGridAndSteps(HWND dialog) {
    DrawGrid(dialog);
    ShowSteps(dialog);
}

// The editor's keys, from whichever of its controls has the focus (the sample box keeps its own
// editing keys).
LRESULT CALLBACK EditorKeyFilter(int code, WPARAM wparam, LPARAM lparam) {
    auto* msg = reinterpret_cast<MSG*>(lparam);
    if (code == MSGF_DIALOGBOX && msg && msg->message == WM_KEYDOWN && g_editor && g_keys &&
        (msg->hwnd == g_editor || IsChild(g_editor, msg->hwnd)) &&
        msg->hwnd != GetDlgItem(g_editor, IDC_GLYPH_SAMPLE) &&
        TranslateAcceleratorW(g_editor, g_keys, msg)) {
        return TRUE;
    }
    return CallNextHookEx(g_key_hook, code, wparam, lparam);
}

void HookEditorKeys(HWND dialog) {
    g_editor = dialog;
    g_keys = LoadAcceleratorsW(ProgramInstance(), MAKEINTRESOURCEW(IDR_GLYPH_EDITOR_KEYS));
    g_key_hook = SetWindowsHookExW(WH_MSGFILTER, EditorKeyFilter, nullptr, GetCurrentThreadId());
}

void UnhookEditorKeys() {
    if (g_key_hook) UnhookWindowsHookEx(g_key_hook);
    g_key_hook = nullptr;
    g_editor = nullptr;  // the accelerator table is the module's: nothing to free
}

// Another program may hold the clipboard for a moment.
bool OpenClipboardFor(HWND dialog) {
    for (int attempt = 0; attempt < kClipboardAttempts; ++attempt) {
        if (OpenClipboard(dialog)) return true;
        Sleep(kClipboardRetryMs);
    }
    ProgramContext().prompts.ShowErrorBox(kClipboardBusyText, BoxIcon::Exclamation);
    return false;
}

bool PutOnClipboard(UINT format, const void* bytes, std::size_t size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory) return false;
    void* target = GlobalLock(memory);
    if (target) {
        std::memcpy(target, bytes, size);
        GlobalUnlock(memory);
        if (SetClipboardData(format, memory)) return true;  // the clipboard owns it now
    }
    GlobalFree(memory);
    return false;
}

// The bytes of one format on the open clipboard, at most limit; empty when it has none.
std::string TakeFromClipboard(UINT format, std::size_t limit) {
    HANDLE memory = GetClipboardData(format);
    if (!memory) return {};
    const std::size_t size = GlobalSize(memory);
    const void* bytes = GlobalLock(memory);
    if (!bytes) return {};
    std::string taken(static_cast<const char*>(bytes), size < limit ? size : limit);
    GlobalUnlock(memory);
    return taken;
}

// Ctrl+C: the grid as its 256 digits and as a black-on-white picture.
void CopyGrid(HWND dialog, const CoreContext& c) {
    if (!OpenClipboardFor(dialog)) return;
    EmptyClipboard();
    const std::wstring text =
        Utf8ToWide(std::string_view(c.model.glyph_receive_buffer, kGlyphPatternChars));
    PutOnClipboard(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    const std::string dib = PatternDib(c.model.glyph_receive_buffer);
    PutOnClipboard(CF_DIB, dib.data(), dib.size());
    CloseClipboard();
}

// Ctrl+V: a pattern text, else a picture (Windows offers any bitmap as CF_DIB too).
bool PasteGrid(HWND dialog, CoreContext& c) {
    if (!GridChangeAllowed(c, ProgramGlyphState()) || !OpenClipboardFor(dialog)) return false;
    std::string text = TakeFromClipboard(CF_UNICODETEXT, kMaxClipboardTextChars * sizeof(wchar_t));
    const std::string dib = TakeFromClipboard(CF_DIB, kMaxClipboardPictureBytes);
    CloseClipboard();
    std::wstring wide(reinterpret_cast<const wchar_t*>(text.data()), text.size() / sizeof(wchar_t));
    wide.resize(wcsnlen(wide.c_str(), wide.size()));
    return PasteIntoEditor(c, ProgramGlyphState(), WideToUtf8(wide), dib);
}

// "文字から作る..." and "画像から読み込む...": the glyph made goes on the grid as one step.
bool ImportGlyph(HWND dialog, CoreContext& c, bool from_picture) {
    GlyphState& g = ProgramGlyphState();
    if (!GridChangeAllowed(c, g)) return false;
    std::string pattern;
    if (from_picture) {
        RgbaImage picture;
        std::string name;
        if (!ReadPictureFile(c, ProgramFileSystem(), picture, name) ||
            !OpenPictureSourceDialog(dialog, c.model.glyph_receive_buffer, picture, name,
                                     pattern)) {
            return false;
        }
    } else if (!OpenTextSourceDialog(dialog, c.model.glyph_receive_buffer, pattern)) {
        return false;
    }
    return PutPatternInEditor(c, g, pattern);
}

void FillEditorControls(HWND dialog, CoreContext& c) {
    LoadEditBuffer(c.model, c.app);
    StartEditorSteps(c, ProgramGlyphState());
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
    ShowSteps(dialog);
    HookEditorKeys(dialog);
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
            OnEditorNumberSelected(c, g, ComboSelection(dialog, IDC_GLYPH_NUMBER));
            ShowSteps(dialog);
        } else {
            OnSlaveAddressComboChange(dialog, c.app);
        }
        return TRUE;
    }
    if (code != BN_CLICKED && code != kFromAccelerator) return FALSE;
    switch (id) {
        case IDC_GLYPH_CLEAR:
            if (ClearEditBuffer(c, g, self)) DrawGridAndSteps(dialog);
            return TRUE;
        case IDC_GLYPH_UNDO:
            if (UndoEdit(c, g)) DrawGridAndSteps(dialog);
            return TRUE;
        case IDC_GLYPH_REDO:
            if (RedoEdit(c, g)) DrawGridAndSteps(dialog);
            return TRUE;
        case IDC_GLYPH_INVERT:
            if (InvertEditBuffer(c, g)) DrawGridAndSteps(dialog);
            return TRUE;
        case IDC_GLYPH_COPY:
            CopyGrid(dialog, c);
            return TRUE;
        case IDC_GLYPH_PASTE:
            if (PasteGrid(dialog, c)) DrawGridAndSteps(dialog);
            return TRUE;
        case IDC_GLYPH_FROM_TEXT:
        case IDC_GLYPH_FROM_PICTURE:
            if (ImportGlyph(dialog, c, id == IDC_GLYPH_FROM_PICTURE)) DrawGridAndSteps(dialog);
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

void OnButtonUp(HWND dialog, MouseButton button) {
    OnEditorButtonUp(ProgramContext(), ProgramGlyphState(), button);
    ReleaseCapture();
    ShowSteps(dialog);
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
            OnButtonUp(dialog, MouseButton::Left);
            return TRUE;
        case WM_RBUTTONUP:
            OnButtonUp(dialog, MouseButton::Right);
            return TRUE;
        case WM_MOUSEMOVE:
            SetCursor(LoadCursorW(nullptr, IDC_ARROW));
            if (OnEditorMouseMove(c, ProgramGlyphState(), GET_X_LPARAM(lparam),
                                  GET_Y_LPARAM(lparam), (wparam & MK_LBUTTON) != 0,
                                  (wparam & MK_RBUTTON) != 0)) {
                DrawGrid(dialog);
            }
            // A stroke whose release went elsewhere ends here, as a step.
            if ((wparam & (MK_LBUTTON | MK_RBUTTON)) == 0) ShowSteps(dialog);
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
            NoteGridReplaced(c, ProgramGlyphState());
            DrawGridAndSteps(dialog);
            return TRUE;
        case WM_DESTROY:
            UnhookEditorKeys();
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
