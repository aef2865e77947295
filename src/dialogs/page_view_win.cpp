/*
 * The window "ページの見え方...".
 *
 * Modal (DialogBoxParamW), owned by the window given. It opens like every dialog (it becomes
 * active_dialog, records reply_owner_window, clears the corner count) and reads a socket answer
 * that reaches it, but it sends nothing and leaves the address prefix alone. Its state is one
 * PageView on the opening function's stack, reached through DWLP_USER: the installed fonts'
 * names, the chosen font as parsed, the painter with the characters it has drawn, and the
 * picture as 32-bit pixels. The picture is drawn again from the model at every change of page or
 * font (so it also shows what other dialogs changed before it opened); the owner-drawn static
 * shows it with StretchDIBits, scaled to the control with its proportions kept.
 */
#include "dialogs/page_view_win.h"

#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/frame.h"
#include "dialogs/frame_win.h"
#include "dialogs/page_view.h"
#include "model/config.h"
#include "res/resource.h"
#include "winbase/font_data_win.h"
#include "winbase/program_win.h"
#include "winbase/text_win.h"

namespace tvx {

namespace {

constexpr int kLineIds[kPositionCount] = {IDC_PAGE_VIEW_LINE_0, IDC_PAGE_VIEW_LINE_1,
                                          IDC_PAGE_VIEW_LINE_2, IDC_PAGE_VIEW_LINE_3};

struct PageView {
    int page = 0;
    std::vector<std::wstring> fonts;
    FontFace font;
    PagePainter painter;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first
};

// Null before WM_INITDIALOG has stored it.
PageView* ViewOf(HWND dialog) {
    return reinterpret_cast<PageView*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// The font at index of the list; a font that cannot be read leaves the picture without text.
void LoadFont(PageView& v, int index) {
    v.font = FontFace{};
    v.painter.characters.clear();
    if (index < 0 || index >= static_cast<int>(v.fonts.size())) return;
    std::string bytes;
    int face = 0;
    if (!ReadInstalledFont(v.fonts[index], bytes, face) ||
        OpenFontFace(std::move(bytes), face, v.font) != FontProblem::None) {
        ProgramContext().prompts.ShowErrorBox(
            "フォント「" + WideToUtf8(v.fonts[index]) + "」を読めません。", BoxIcon::Exclamation);
    }
}

void Redraw(HWND dialog, PageView& v) {
    const CoreContext& c = ProgramContext();
    v.painter.font = &v.font;
    v.painter.patterns = c.model.glyph_pattern;
    const RgbImage picture = DrawPagePicture(v.painter, LayOutPage(c.model, v.page));
    v.width = picture.width;
    v.height = picture.height;
    v.pixels.resize(static_cast<std::size_t>(v.width) * v.height);
    for (std::size_t i = 0; i < v.pixels.size(); ++i) {
        const std::uint8_t* px = &picture.rgb[i * 3];
        v.pixels[i] = std::uint32_t{px[0]} << 16 | std::uint32_t{px[1]} << 8 | px[2];
    }
    for (int p = 0; p < kPositionCount; ++p) {
        SetDlgItemTextW(dialog, kLineIds[p],
                        Utf8ToWide(PageViewPositionText(c.model, v.page, p)).c_str());
    }
    InvalidateRect(GetDlgItem(dialog, IDC_PAGE_VIEW_PICTURE), nullptr, FALSE);
}

// The picture as large as the control allows with its proportions, the rest in the dialog's
// colour.
void DrawPicture(const DRAWITEMSTRUCT& item, const PageView& v) {
    const RECT& r = item.rcItem;
    const int room_w = r.right - r.left;
    const int room_h = r.bottom - r.top;
    FillRect(item.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
    if (v.pixels.empty() || room_w <= 0 || room_h <= 0) return;
    int w = room_w;
    int h = static_cast<int>(static_cast<long long>(v.height) * room_w / v.width);
    if (h > room_h) {
        h = room_h;
        w = static_cast<int>(static_cast<long long>(v.width) * room_h / v.height);
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = v.width;
    info.bmiHeader.biHeight = -v.height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(item.hDC, HALFTONE);
    SetBrushOrgEx(item.hDC, 0, 0, nullptr);
    StretchDIBits(item.hDC, r.left + (room_w - w) / 2, r.top + (room_h - h) / 2, w, h, 0, 0,
                  v.width, v.height, v.pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

void InitPageView(HWND dialog, PageView& v) {
    CoreContext& c = ProgramContext();
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&v));
    BeginDialogFrame(c.app, reinterpret_cast<WindowHandle>(dialog));
    FillCombo(dialog, IDC_PAGE_VIEW_PAGE, NumberItemText, kNumberItems);
    v.page = PageViewInitialPage(c.model);
    SelectComboIndex(dialog, IDC_PAGE_VIEW_PAGE, v.page);

    v.fonts = InstalledFontNames();
    std::vector<std::string> names;
    for (const std::wstring& name : v.fonts) {
        names.push_back(WideToUtf8(name));
        SendDlgItemMessageW(dialog, IDC_PAGE_VIEW_FONT, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(name.c_str()));
    }
    const int font = PreferredFontIndex(names, ReadPreviewFontName(ProgramIniStore()));
    SelectComboIndex(dialog, IDC_PAGE_VIEW_FONT, font);
    SettleDialogFrame(c.app, reinterpret_cast<WindowHandle>(GetActiveWindow()),
                      AddressPrefix::Unchanged);
    LoadFont(v, font);
    Redraw(dialog, v);
}

void OnCommand(HWND dialog, PageView& v, WORD id, WORD code) {
    CoreContext& c = ProgramContext();
    switch (id) {
        case IDC_PAGE_VIEW_PAGE:
            if (code != CBN_SELCHANGE) return;
            if (const int page = ComboSelection(dialog, IDC_PAGE_VIEW_PAGE); page >= 0) {
                v.page = page;
                Redraw(dialog, v);
            }
            return;
        case IDC_PAGE_VIEW_FONT:
            if (code != CBN_SELCHANGE) return;
            if (const int font = ComboSelection(dialog, IDC_PAGE_VIEW_FONT); font >= 0) {
                LoadFont(v, font);
                WritePreviewFontName(ProgramIniStore(), WideToUtf8(v.fonts[font]));
                Redraw(dialog, v);
            }
            return;
        case IDC_PAGE_VIEW_SAVE:
            if (code == BN_CLICKED) SavePagePicturePng(c, ProgramFileSystem(), v.painter, v.page);
            return;
        case IDC_PAGE_VIEW_SAVE_SHEET:
            if (code == BN_CLICKED) {
                const HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                SaveContactSheetPng(c, ProgramFileSystem(), v.painter);
                SetCursor(previous);
            }
            return;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return;
        default:
            return;
    }
}

INT_PTR CALLBACK PageViewDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (HandleSocketReplyMessage(message, ProgramContext())) return TRUE;
    switch (message) {
        case WM_INITDIALOG:
            InitPageView(dialog, *reinterpret_cast<PageView*>(lparam));
            return TRUE;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
            if (item->CtlID != IDC_PAGE_VIEW_PICTURE || !ViewOf(dialog)) return FALSE;
            DrawPicture(*item, *ViewOf(dialog));
            return TRUE;
        }
        case WM_COMMAND:
            if (!ViewOf(dialog)) return FALSE;
            OnCommand(dialog, *ViewOf(dialog), LOWORD(wparam), HIWORD(wparam));
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

void OpenPageViewDialog(HWND owner) {
    PageView view;
    DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(IDD_PAGE_VIEW), owner, PageViewDialogProc,
                    reinterpret_cast<LPARAM>(&view));
}

}  // namespace tvx
