/*
 * The dialog "タイトル設定".
 *
 * A modal dialog from the template IDD_TITLE_SETTING, run on the user-interface thread over the
 * program's objects (ProgramContext). The edit shows one title as UTF-16 and hands every change
 * to the core as code page 932, after holding it to 42 bytes (dialogs/title_setting.h). Timer 2
 * serves the preview and the send runs; the preview is drawn off-screen and copied once. The
 * input method is switched on while the dialog is open and set back on "Close". The dialog's
 * own state lives here for the time it is open; nothing is allocated that outlives it.
 */
#include "dialogs/title_setting_win.h"

#include <imm.h>

#include <cstring>
#include <string>
#include <vector>

#include "dialogs/frame_win.h"
#include "dialogs/title_setting.h"
#include "model/title_text.h"
#include "res/resource.h"
#include "winbase/program_win.h"
#include "winbase/text_win.h"

namespace tvx {

namespace {

TitleSettingState g_state;
std::wstring g_edit_text;       // what the edit held after the last change, as accepted
bool g_edit_from_model = true;  // the edit shows the model's text as the dialog put it there
bool g_filling = false;         // the dialog itself is setting the edit's text
HWND g_ime_window = nullptr;    // the window whose input method was switched on

void DrawTitlePreview(HWND dialog) {
    std::vector<PreviewLine> lines;
    for (const TitlePreviewLine& line :
         TitlePreviewLines(ProgramContext().model, ProgramContext().app.selected_title_index)) {
        lines.push_back({line.x, line.y, Cp932ToWide(line.text)});
    }
    DrawPreviewLines(GetDlgItem(dialog, IDC_TITLE_PREVIEW), lines);
}

// The title's bytes for the edit: code page 932 text as such, each external character as its
// private-use character (its bytes are no code page 932 text and would not come back).
std::wstring TitleToEditText(std::string_view title) {
    std::wstring text;
    ForEachTitlePiece(title, [&](bool external, std::string_view bytes) {
        if (external) {
            const unsigned pair =
                static_cast<unsigned char>(bytes[0]) << 8 | static_cast<unsigned char>(bytes[1]);
            text += static_cast<wchar_t>(ExternalEditChar(pair));
        } else {
            text += Cp932ToWide(bytes);
        }
    });
    return text;
}

// Code page 932 bytes of the edit's text, external characters back as their pairs; a character
// it cannot hold, or one that would pass for an external character's lead byte, becomes "?",
// which no title can be sent with.
std::string EditTextAsCp932(const std::wstring& text) {
    std::string bytes;
    std::size_t start = 0;
    auto flush = [&](std::size_t end) {
        std::string run;
        WideToCp932(std::wstring_view(text).substr(start, end - start), run);
        bytes += run;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto ch = static_cast<char32_t>(text[i]);
        const unsigned pair = ExternalPairOfEditChar(ch);
        if (pair == 0 && !IsExternalLeadChar(ch)) continue;
        flush(i);
        if (pair != 0) {
            bytes += static_cast<char>(pair >> 8);
            bytes += static_cast<char>(pair & 0xFF);
        } else {
            bytes += '?';
        }
        start = i + 1;
    }
    flush(text.size());
    return bytes;
}

void SetEditText(HWND dialog, const std::wstring& text) {
    g_filling = true;
    SetDlgItemTextW(dialog, IDC_TITLE_EDIT, text.c_str());
    g_filling = false;
}

// Puts the selected title into the edit, as the model holds it.
void FillTitleEdit(HWND dialog, CoreContext& c) {
    std::wstring text;
    const int t = TitleNumberSelection(c.app);
    if (t >= 0) {
        const char* title = c.model.title_text[t];
        text = TitleToEditText(std::string_view(title, TitleTextLength(title)));
    }
    SetEditText(dialog, text);
    g_edit_text = text;
    g_edit_from_model = true;
    OnTitleEditFilled(c.app);
}

void OnEditChange(HWND dialog, CoreContext& c) {
    if (g_filling) return;
    g_filling = true;  // the text put back is no change of its own
    FitEditToBytes(GetDlgItem(dialog, IDC_TITLE_EDIT), g_edit_text, kTitleEditLimitBytes);
    g_filling = false;
    g_edit_from_model = false;
    OnTitleEditChanged(c, EditTextAsCp932(g_edit_text));
    DrawTitlePreview(dialog);
}

void FillOwnControls(HWND dialog, CoreContext& c) {
    FillCombo(dialog, IDC_TITLE_NUMBER, TitleNumberItemText, kTitleNumberItems);
    SelectComboIndex(dialog, IDC_TITLE_NUMBER, TitleNumberSelection(c.app));
    FillTitleEdit(dialog, c);
}

// Switches the input method of the window active at opening (reply_owner_window) on,
// remembering its status; the dialog's own when no window of the program was active.
void SwitchInputMethodOn(HWND dialog, AppState& app) {
    g_ime_window = reinterpret_cast<HWND>(app.reply_owner_window);
    if (!g_ime_window) g_ime_window = dialog;
    HIMC imc = ImmGetContext(g_ime_window);
    app.saved_ime_open_status = imc && ImmGetOpenStatus(imc) ? 1 : 0;
    if (!imc) return;
    ImmSetOpenStatus(imc, TRUE);
    ImmReleaseContext(g_ime_window, imc);
}

// Sets the same input method back as it was found.
void RestoreInputMethod(const AppState& app) {
    if (!g_ime_window || !IsWindow(g_ime_window)) return;
    HIMC imc = ImmGetContext(g_ime_window);
    if (!imc) return;
    ImmSetOpenStatus(imc, app.saved_ime_open_status ? TRUE : FALSE);
    ImmReleaseContext(g_ime_window, imc);
}

void OnInitDialog(HWND dialog, CoreContext& c) {
    g_state = TitleSettingState{};
    g_state.seq.params = TitleSequenceParams(false);
    InitDialogFrame(dialog, c, FrameDialog::TitleSetting, AddressPrefix::On, FillOwnControls);
    SwitchInputMethodOn(dialog, c.app);
    SetupProgressBar(dialog, IDC_TITLE_PROGRESS, kTitleCount);
    c.app.preview_redraw_pending = 1;
    SetTimer(dialog, kTitleTimerId, kPreviewOpenDelayMs, nullptr);
}

void StartTitleSequence(HWND dialog, CoreContext& c, bool not_memory) {
    SendSequence seq;
    seq.params = TitleSequenceParams(not_memory);
    if (StartSendSequence(dialog, c, seq)) OnTitleSequenceStarted(g_state, seq, not_memory);
}

void OnTick(HWND dialog, CoreContext& c) {
    const TitleTickResult r = OnTitleSequenceTick(c, g_state);
    ApplyTickResult(dialog, r.frame, g_state.seq, IDC_TITLE_PROGRESS, DrawTitlePreview);
    if (r.set_percent) SetDlgItemTextW(dialog, IDC_TITLE_PERCENT, Utf8ToWide(r.percent).c_str());
}

void OnClose(HWND dialog, CoreContext& c) {
    if (c.app.sequence_running != 0) return;
    if (!g_edit_from_model) CopyTitleEditText(c, EditTextAsCp932(g_edit_text));
    RestoreInputMethod(c.app);
    KillTimer(dialog, kTitleTimerId);
    EndDialog(dialog, IDCANCEL);
}

INT_PTR OnCommand(HWND dialog, CoreContext& c, int id, int code) {
    switch (id) {
        case IDC_TITLE_NUMBER:
            if (code == CBN_SELCHANGE &&
                OnTitleNumberSelected(c.app, ComboSelection(dialog, IDC_TITLE_NUMBER))) {
                FillTitleEdit(dialog, c);
                DrawTitlePreview(dialog);
            }
            return TRUE;
        case IDC_TITLE_EDIT:
            if (code == EN_CHANGE) OnEditChange(dialog, c);
            return TRUE;
        case IDC_SLAVE_ADDRESS:
            if (code == CBN_SELCHANGE) OnSlaveAddressComboChange(dialog, c.app);
            return TRUE;
        case IDC_TITLE_SET:
            if (code == BN_CLICKED) SendSelectedTitle(c, g_state, 1);
            return TRUE;
        case IDC_TITLE_NOT_MEMORY:
            if (code == BN_CLICKED) SendSelectedTitle(c, g_state, 0);
            return TRUE;
        case IDC_TITLE_SET_ALL:
            if (code == BN_CLICKED) StartTitleSequence(dialog, c, false);
            return TRUE;
        case IDC_TITLE_NM_SET_ALL:
            if (code == BN_CLICKED) StartTitleSequence(dialog, c, true);
            return TRUE;
        case IDCANCEL:
            if (code == BN_CLICKED) OnClose(dialog, c);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK TitleSettingDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    CoreContext& c = ProgramContext();
    switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(dialog, c);
            return TRUE;
        case WM_COMMAND:
            return OnCommand(dialog, c, LOWORD(wparam), HIWORD(wparam));
        case WM_TIMER:
            if (wparam == kTitleTimerId) OnTick(dialog, c);
            return TRUE;
        default: {
            // The paint that arms the preview and the socket answers, as every frame dialog.
            INT_PTR result = FALSE;
            return OnFrameMessage(dialog, message, wparam, c, kTitleTimerId, result) ? result
                                                                                     : FALSE;
        }
    }
}

}  // namespace

void OpenTitleSettingDialog(HWND owner) {
    DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(IDD_TITLE_SETTING), owner,
                    TitleSettingDialogProc, 0);
}

}  // namespace tvx
