/*
 * The dialogs "文字から作る" and "画像から読み込む".
 *
 * Modal dialogs from the templates IDD_GLYPH_FROM_TEXT and IDD_GLYPH_FROM_PICTURE, opened by the
 * external character editor and run on the user-interface thread. The rules are the core's
 * (glyphs/glyph_source_dialogs.h): each control change goes into the dialog's state, which makes
 * the glyph again at once, so that the picture follows a slider as it moves. The two pictures
 * are owner-drawn statics, drawn with StretchDIBits from pixels the core renders. The text
 * dialog's state (font, character, options) lives in this file for the program's life, so the
 * next glyph starts from the last one's settings; the picture dialog starts afresh each time.
 * The font's bytes come from GDI (winbase/font_data_win.h) when a font is chosen.
 */
#include "glyphs/glyph_sources_win.h"

#include <commctrl.h>

#include <vector>

#include "glyphs/glyph_pattern.h"
#include "glyphs/glyph_source_dialogs.h"
#include "glyphs/glyph_window_win.h"
#include "res/resource.h"
#include "winbase/font_data_win.h"
#include "winbase/program_win.h"
#include "winbase/text_win.h"

namespace tvx {

namespace {

const char* g_glyph_now = nullptr;     // the editor's grid, shown as "今の外字"
std::string* g_pattern_out = nullptr;  // where OK puts the glyph made
TextSourceDialog g_text;
std::string g_text_font;  // the font chosen last, by name
PictureSourceDialog g_picture;
const RgbaImage* g_picture_in = nullptr;
std::string g_picture_name;

// Sliders count from 0: a negative end is not taken everywhere, so offsets are moved up by
// kMaxOffsetDots on the slider.
void SetSlider(HWND dialog, int id, int low, int high, int position) {
    HWND slider = GetDlgItem(dialog, id);
    SendMessageW(slider, TBM_SETRANGEMIN, FALSE, low);
    SendMessageW(slider, TBM_SETRANGEMAX, FALSE, high);
    SendMessageW(slider, TBM_SETPOS, TRUE, position);
}

int SliderPosition(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageW(dialog, id, TBM_GETPOS, 0, 0));
}

void SetText(HWND dialog, int id, const std::string& utf8) {
    SetDlgItemTextW(dialog, id, Utf8ToWide(utf8).c_str());
}

bool Checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// A glyph in the largest square of whole dots that fits the control, centred on white; no
// pattern leaves it white.
void DrawGlyphPicture(const DRAWITEMSTRUCT& item, const char* pattern) {
    const RECT& r = item.rcItem;
    FillRect(item.hDC, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    const int dot = (width < height ? width : height) / kGlyphDots;
    if (!pattern || dot < 1) return;
    const int side = dot * kGlyphDots;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(side) * side);
    RenderGlyphPicture(pattern, dot, dot, pixels.data(), side);
    const BITMAPINFO info = PictureInfo(side, side);
    StretchDIBits(item.hDC, r.left + (width - side) / 2, r.top + (height - side) / 2, side, side, 0,
                  0, side, side, pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

// The two pictures of either dialog.
bool OnDrawItem(const DRAWITEMSTRUCT& item, const std::string& made) {
    if (item.CtlID == IDC_SOURCE_BEFORE) {
        DrawGlyphPicture(item, g_glyph_now);
    } else if (item.CtlID == IDC_SOURCE_AFTER) {
        DrawGlyphPicture(item, made.empty() ? nullptr : made.c_str());
    } else {
        return false;
    }
    return true;
}

// Beside the editor (to its right, else below it) when the screen has room, so that its grid
// stays in view while the glyph is made.
void PlaceBesideOwner(HWND dialog) {
    HWND owner = GetWindow(dialog, GW_OWNER);
    RECT mine, theirs;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!owner || !GetWindowRect(dialog, &mine) || !GetWindowRect(owner, &theirs) ||
        !GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
        return;
    }
    const RECT& work = monitor.rcWork;
    const int width = mine.right - mine.left;
    const int height = mine.bottom - mine.top;
    int x = theirs.right;
    int y = theirs.top;
    if (x + width > work.right) {
        x = theirs.left;
        y = theirs.bottom;
        if (y + height > work.bottom) return;
    }
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowMade(HWND dialog, const std::string& made) {
    EnableWindow(GetDlgItem(dialog, IDOK), !made.empty());
    InvalidateRect(GetDlgItem(dialog, IDC_SOURCE_AFTER), nullptr, FALSE);
}

// OK takes the glyph made (when there is one), Cancel ends without it.
INT_PTR OnEndButton(HWND dialog, int id, const std::string& made) {
    if (id == IDOK && !made.empty()) {
        *g_pattern_out = made;
        EndDialog(dialog, IDOK);
    } else if (id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
    } else if (id != IDOK) {
        return FALSE;
    }
    return TRUE;
}

// "文字から作る".

void UpdateText(HWND dialog) {
    const CharacterOptions& o = g_text.options;
    SetText(dialog, IDC_SOURCE_SIZE_VALUE, SizeText(o.size_percent));
    SetText(dialog, IDC_SOURCE_DX_VALUE, OffsetText(o.dx));
    SetText(dialog, IDC_SOURCE_DY_VALUE, OffsetText(o.dy));
    SetText(dialog, IDC_SOURCE_THRESHOLD_VALUE, ThresholdText(o.threshold));
    UpdateTextSource(g_text);
    SetText(dialog, IDC_SOURCE_NOTE, g_text.note);
    ShowMade(dialog, g_text.pattern);
}

// Reading a large collection takes a moment: the wait cursor says so.
void ReadChosenFont(int index) {
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    std::string bytes;
    int face = 0;
    const bool valid = index >= 0 && index < static_cast<int>(g_text.font_names.size());
    const bool read = valid && ReadInstalledFont(Utf8ToWide(g_text.font_names[index]), bytes, face);
    OnTextFontRead(g_text, index, read, std::move(bytes), face);
    if (valid) g_text_font = g_text.font_names[index];
    SetCursor(previous);
}

void OnInitText(HWND dialog) {
    PlaceBesideOwner(dialog);
    g_text.font_names.clear();
    int chosen = -1;
    HWND fonts = GetDlgItem(dialog, IDC_SOURCE_FONT);
    for (const std::wstring& name : InstalledFontNames()) {
        if (WideToUtf8(name) == g_text_font) chosen = static_cast<int>(g_text.font_names.size());
        g_text.font_names.push_back(WideToUtf8(name));
        SendMessageW(fonts, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    if (chosen < 0) chosen = PreferredFontIndex(g_text.font_names);
    SendMessageW(fonts, CB_SETCURSEL, chosen, 0);
    ReadChosenFont(chosen);
    g_text.options = Bounded(g_text.options);
    const CharacterOptions& o = g_text.options;
    SetSlider(dialog, IDC_SOURCE_SIZE, kMinSizePercent, kMaxSizePercent, o.size_percent);
    SetSlider(dialog, IDC_SOURCE_DX, 0, 2 * kMaxOffsetDots, o.dx + kMaxOffsetDots);
    SetSlider(dialog, IDC_SOURCE_DY, 0, 2 * kMaxOffsetDots, o.dy + kMaxOffsetDots);
    SetSlider(dialog, IDC_SOURCE_THRESHOLD, kMinThreshold, kMaxThreshold, o.threshold);
    CheckDlgButton(dialog, IDC_SOURCE_HEAVIER, o.heavier ? BST_CHECKED : BST_UNCHECKED);
    // One character, also one beyond 16 bits (two UTF-16 units).
    SendDlgItemMessageW(dialog, IDC_SOURCE_CHARACTER, EM_LIMITTEXT, 2, 0);
    SetText(dialog, IDC_SOURCE_CHARACTER, g_text.character_text);
    UpdateText(dialog);
}

void OnTextSlider(HWND dialog) {
    CharacterOptions& o = g_text.options;
    o.size_percent = SliderPosition(dialog, IDC_SOURCE_SIZE);
    o.dx = SliderPosition(dialog, IDC_SOURCE_DX) - kMaxOffsetDots;
    o.dy = SliderPosition(dialog, IDC_SOURCE_DY) - kMaxOffsetDots;
    o.threshold = SliderPosition(dialog, IDC_SOURCE_THRESHOLD);
    UpdateText(dialog);
}

INT_PTR OnTextCommand(HWND dialog, int id, int code) {
    switch (id) {
        case IDC_SOURCE_CHARACTER:
            if (code == EN_CHANGE) {
                g_text.character_text =
                    WideToUtf8(WindowTextOf(GetDlgItem(dialog, IDC_SOURCE_CHARACTER)));
                UpdateText(dialog);
            }
            return TRUE;
        case IDC_SOURCE_FONT:
            if (code == CBN_SELCHANGE) {
                ReadChosenFont(static_cast<int>(
                    SendDlgItemMessageW(dialog, IDC_SOURCE_FONT, CB_GETCURSEL, 0, 0)));
                UpdateText(dialog);
            }
            return TRUE;
        case IDC_SOURCE_HEAVIER:
            if (code == BN_CLICKED) {
                g_text.options.heavier = Checked(dialog, IDC_SOURCE_HEAVIER);
                UpdateText(dialog);
            }
            return TRUE;
        default:
            return OnEndButton(dialog, id, g_text.pattern);
    }
}

INT_PTR CALLBACK TextSourceDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            OnInitText(dialog);
            return TRUE;
        case WM_COMMAND:
            return OnTextCommand(dialog, LOWORD(wparam), HIWORD(wparam));
        case WM_HSCROLL:
            OnTextSlider(dialog);
            return TRUE;
        case WM_DRAWITEM:
            return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam), g_text.pattern);
        default:
            return FALSE;
    }
}

// "画像から読み込む".

void UpdatePicture(HWND dialog) {
    UpdatePictureSource(g_picture);
    SendDlgItemMessageW(dialog, IDC_SOURCE_THRESHOLD, TBM_SETPOS, TRUE, g_picture.threshold);
    SetText(dialog, IDC_SOURCE_THRESHOLD_VALUE, ThresholdText(g_picture.threshold));
    CheckDlgButton(dialog, IDC_SOURCE_AUTOMATIC, g_picture.automatic ? BST_CHECKED : BST_UNCHECKED);
    ShowMade(dialog, g_picture.pattern);
}

void OnInitPicture(HWND dialog) {
    PlaceBesideOwner(dialog);
    g_picture = PictureSourceDialog{};
    StartPictureSource(g_picture, *g_picture_in);
    SetText(dialog, IDC_SOURCE_NAME, g_picture_name);
    SetSlider(dialog, IDC_SOURCE_THRESHOLD, kMinThreshold, kMaxThreshold, kDefaultThreshold);
    UpdatePicture(dialog);
}

INT_PTR OnPictureCommand(HWND dialog, int id, int code) {
    switch (id) {
        case IDC_SOURCE_AUTOMATIC:
        case IDC_SOURCE_INVERT:
            if (code == BN_CLICKED) {
                g_picture.automatic = Checked(dialog, IDC_SOURCE_AUTOMATIC);
                g_picture.invert = Checked(dialog, IDC_SOURCE_INVERT);
                UpdatePicture(dialog);
            }
            return TRUE;
        default:
            return OnEndButton(dialog, id, g_picture.pattern);
    }
}

INT_PTR CALLBACK PictureSourceDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            OnInitPicture(dialog);
            return TRUE;
        case WM_COMMAND:
            return OnPictureCommand(dialog, LOWORD(wparam), HIWORD(wparam));
        case WM_HSCROLL:
            // A threshold set by hand ends the automatic one.
            g_picture.automatic = false;
            g_picture.threshold = SliderPosition(dialog, IDC_SOURCE_THRESHOLD);
            UpdatePicture(dialog);
            return TRUE;
        case WM_DRAWITEM:
            return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam), g_picture.pattern);
        default:
            return FALSE;
    }
}

bool Open(HWND owner, int template_id, DLGPROC procedure, const char* glyph_now,
          std::string& pattern_out) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};  // the sliders
    InitCommonControlsEx(&controls);
    g_glyph_now = glyph_now;
    g_pattern_out = &pattern_out;
    const INT_PTR result =
        DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(template_id), owner, procedure, 0);
    g_pattern_out = nullptr;
    return result == IDOK;
}

}  // namespace

bool OpenTextSourceDialog(HWND owner, const char* glyph_now, std::string& pattern_out) {
    const bool taken =
        Open(owner, IDD_GLYPH_FROM_TEXT, TextSourceDialogProc, glyph_now, pattern_out);
    g_text.face = FontFace{};  // the font's bytes are read again next time, by its name
    return taken;
}

bool OpenPictureSourceDialog(HWND owner, const char* glyph_now, const RgbaImage& picture,
                             const std::string& name, std::string& pattern_out) {
    g_picture_in = &picture;
    g_picture_name = name;
    const bool taken =
        Open(owner, IDD_GLYPH_FROM_PICTURE, PictureSourceDialogProc, glyph_now, pattern_out);
    g_picture_in = nullptr;
    g_picture = PictureSourceDialog{};  // the fitted pictures are not kept
    return taken;
}

}  // namespace tvx
