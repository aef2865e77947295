/*
 * The window side of the settings dialog frame.
 *
 * Owns nothing: each helper applies to a dialog window what the portable frame logic decided
 * (dialogs/frame.h). Runs on the user-interface thread, inside the dialog procedures. Texts
 * reach the controls through the W functions, converted from UTF-8. A preview is drawn into
 * a memory bitmap made and freed within each drawing; nothing is kept between drawings.
 */
#include "dialogs/frame_win.h"

#include <commctrl.h>

#include "dialogs/title_setting.h"
#include "link/socket_events.h"
#include "model/title_text.h"
#include "winbase/program_win.h"
#include "winbase/text_win.h"
#include "res/resource.h"

namespace tvx {

void InitDialogFrame(HWND dialog, CoreContext& c, FrameDialog which, AddressPrefix prefix,
                     FillOwnControls fill_own) {
    BeginDialogFrame(c.app, reinterpret_cast<WindowHandle>(dialog));
    if (fill_own) fill_own(dialog, c);
    FillSlaveAddressCombo(dialog, c.app);
    // The dialog is not active yet: this is the window that opened it.
    SettleDialogFrame(c.app, reinterpret_cast<WindowHandle>(GetActiveWindow()), prefix);
    ApplyConnectionTitle(dialog, c, which);
}

void FillSlaveAddressCombo(HWND dialog, const AppState& app, int item_count) {
    FillCombo(dialog, IDC_SLAVE_ADDRESS, SlaveAddressItemText, item_count);
    SelectComboIndex(dialog, IDC_SLAVE_ADDRESS, SlaveAddressSelection(app, item_count));
}

void ApplyConnectionTitle(HWND dialog, const CoreContext& c, FrameDialog which) {
    std::string title;
    if (ConnectionTitle(which, c.app, c.sockets, title)) {
        SetWindowTextW(dialog, Utf8ToWide(title).c_str());
    }
}

void OnSlaveAddressComboChange(HWND dialog, AppState& app, int item_count) {
    OnSlaveAddressSelected(app, ComboSelection(dialog, IDC_SLAVE_ADDRESS), item_count);
}

void FillCombo(HWND dialog, int control_id, std::string (*text)(int index), int count) {
    HWND combo = GetDlgItem(dialog, control_id);
    for (int i = 0; i < count; ++i) {
        std::wstring item = Utf8ToWide(text(i));
        // At the index itself: a sorted combo would otherwise place the item by its text.
        SendMessageW(combo, CB_INSERTSTRING, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(item.c_str()));
    }
}

int ComboSelection(HWND dialog, int control_id) {
    LRESULT index = SendDlgItemMessageW(dialog, control_id, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

void SelectComboIndex(HWND dialog, int control_id, int index) {
    SendDlgItemMessageW(dialog, control_id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void SetupProgressBar(HWND dialog, int progress_id, int range_max) {
    SendDlgItemMessageW(dialog, progress_id, PBM_SETRANGE32, 0, range_max);
    SendDlgItemMessageW(dialog, progress_id, PBM_SETSTEP, 1, 0);
}

bool StartSendSequence(HWND dialog, CoreContext& c, const SendSequence& seq) {
    if (!StartSendSequence(c, seq, reinterpret_cast<WindowHandle>(dialog))) return false;
    EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
    SetTimer(dialog, static_cast<UINT_PTR>(seq.params.timer_id),
             static_cast<UINT>(seq.params.period_ms), nullptr);
    return true;
}

void ApplyTickResult(HWND dialog, const TickResult& r, const SendSequence& seq, int progress_id,
                     void (*draw_preview)(HWND dialog)) {
    if (r.draw_preview && draw_preview) draw_preview(dialog);
    HWND progress = progress_id ? GetDlgItem(dialog, progress_id) : nullptr;
    if (progress && r.step_progress) SendMessageW(progress, PBM_STEPIT, 0, 0);
    if (progress && r.set_progress) {
        SendMessageW(progress, PBM_SETPOS, static_cast<WPARAM>(r.progress_position), 0);
    }
    if (r.stop_timer) KillTimer(dialog, static_cast<UINT_PTR>(seq.params.timer_id));
    if (r.enable_close) EnableWindow(GetDlgItem(dialog, IDCANCEL), TRUE);
    PostRunPaceTick(ProgramContext().app);
}


bool OnFrameMessage(HWND dialog, UINT message, WPARAM wparam, CoreContext& c, int preview_timer_id,
                    INT_PTR& result) {
    result = TRUE;
    if (HandleSocketReplyMessage(message, c)) return true;
    switch (message) {
        case WM_COMMAND:
            switch (LOWORD(wparam)) {
                case IDC_SLAVE_ADDRESS:
                    if (HIWORD(wparam) == CBN_SELCHANGE) OnSlaveAddressComboChange(dialog, c.app);
                    return true;
                case IDCANCEL:
                    if (HIWORD(wparam) == BN_CLICKED && CloseAllowed(c.app)) {
                        EndDialog(dialog, IDCANCEL);
                    }
                    return true;
                default:
                    return false;
            }
        case WM_PAINT:
            if (preview_timer_id == 0) return false;
            if (int delay = OnPreviewPaint(c.app)) {
                SetTimer(dialog, static_cast<UINT_PTR>(preview_timer_id), static_cast<UINT>(delay),
                         nullptr);
            }
            result = FALSE;  // the dialog paints itself as usual
            return true;
        default:
            return false;
    }
}

void StartOpeningPreview(HWND dialog, AppState& app, int timer_id) {
    OnPreviewOpen(app);
    SetTimer(dialog, static_cast<UINT_PTR>(timer_id), kPreviewOpenDelayMs, nullptr);
}

int Cp932WidthOf(char32_t code_point) {
    if (ExternalPairOfEditChar(code_point) != 0) return 2;
    wchar_t units[2];
    std::size_t count = 1;
    if (code_point >= 0x10000) {
        units[0] = static_cast<wchar_t>(0xD800 + ((code_point - 0x10000) >> 10));
        units[1] = static_cast<wchar_t>(0xDC00 + ((code_point - 0x10000) & 0x3FF));
        count = 2;
    } else {
        units[0] = static_cast<wchar_t>(code_point);
    }
    std::string bytes;
    WideToCp932(std::wstring_view(units, count), bytes);
    return static_cast<int>(bytes.size());
}

bool FitEditToBytes(HWND edit, std::wstring& accepted, int limit_bytes) {
    const std::wstring typed = WindowTextOf(edit);
    const auto utf16 = [](const std::wstring& text) {
        return std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size());
    };
    const TitleEditFit fit = FitTitleEdit(utf16(accepted), utf16(typed), Cp932WidthOf, limit_bytes);
    accepted.assign(reinterpret_cast<const wchar_t*>(fit.text.data()), fit.text.size());
    if (!fit.changed) return false;
    SetWindowTextW(edit, accepted.c_str());
    SendMessageW(edit, EM_SETSEL, fit.caret, fit.caret);
    return true;
}

void DrawPreviewLines(HWND control, const std::vector<PreviewLine>& lines) {
    RECT area;
    if (!control || !GetClientRect(control, &area) || area.right <= 0 || area.bottom <= 0) return;
    HDC screen = GetDC(control);
    if (!screen) return;
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, area.right, area.bottom);
    if (memory && bitmap) {
        HGDIOBJ old_bitmap = SelectObject(memory, bitmap);
        // The dialog's font shows Japanese whatever the system's language, where the bare
        // drawing context's system font may not.
        HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0));
        HGDIOBJ old_font = SelectObject(memory, font ? font : GetCurrentObject(screen, OBJ_FONT));
        FillRect(memory, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetBkMode(memory, TRANSPARENT);
        SetTextColor(memory, RGB(0, 0, 0));
        for (const PreviewLine& line : lines) {
            TextOutW(memory, line.x, line.y, line.text.c_str(), static_cast<int>(line.text.size()));
        }
        BitBlt(screen, 0, 0, area.right, area.bottom, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old_font);
        SelectObject(memory, old_bitmap);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(control, screen);
}

void DrawPreviewLines(HWND control, const std::vector<PreviewTextLine>& lines) {
    std::vector<PreviewLine> wide;
    wide.reserve(lines.size());
    for (const PreviewTextLine& line : lines)
        wide.push_back({line.x, line.y, Utf8ToWide(line.text)});
    DrawPreviewLines(control, wide);
}

}  // namespace tvx

namespace tvx {

bool HandleSocketReplyMessage(UINT message, CoreContext& c) {
    if (message != MSG_SOCKET_REPLY) return false;
    OnSocketReplyMessage(c);
    PostRunPaceTick(c.app);
    return true;
}

}  // namespace tvx
