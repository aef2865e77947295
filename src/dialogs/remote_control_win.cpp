/*
 * The dialog "リモート制御".
 *
 * Shows the configuration's remote_* keys in its controls; "OK" checks them (rules in
 * dialogs/remote_control.h), writes them and starts the server again with them
 * (remote/remote_server_win.h), staying open with a box when the port cannot be listened on.
 * A timer refreshes the two status lines once a second while it is open, so that requests
 * served meanwhile show. Modal, on the user-interface thread; requests go on being served
 * while it is open.
 */
#include "dialogs/remote_control_win.h"

#include "dialogs/remote_control.h"
#include "remote/remote_server_win.h"
#include "res/resource.h"
#include "winbase/program_win.h"
#include "winbase/text_win.h"

namespace tvx {

namespace {

constexpr UINT kStatusPeriodMs = 1000;

void SetText(HWND dialog, int id, const std::string& utf8) {
    SetDlgItemTextW(dialog, id, Utf8ToWide(utf8).c_str());
}

std::string TextOf(HWND dialog, int id) {
    return WideToUtf8(WindowTextOf(GetDlgItem(dialog, id)));
}

void ShowForm(HWND dialog, const RemoteControlForm& form) {
    CheckDlgButton(dialog, IDC_REMOTE_ENABLED, form.enabled ? BST_CHECKED : BST_UNCHECKED);
    SetText(dialog, IDC_REMOTE_PORT, form.port);
    CheckRadioButton(dialog, IDC_REMOTE_THIS_PC, IDC_REMOTE_EVERY_ADDRESS,
                     form.every_address ? IDC_REMOTE_EVERY_ADDRESS : IDC_REMOTE_THIS_PC);
    SetText(dialog, IDC_REMOTE_HOSTS, form.allowed_hosts);
    SetText(dialog, IDC_REMOTE_TOKEN, form.token);
}

RemoteControlForm FormOf(HWND dialog) {
    RemoteControlForm form;
    form.enabled = IsDlgButtonChecked(dialog, IDC_REMOTE_ENABLED) == BST_CHECKED;
    form.port = TextOf(dialog, IDC_REMOTE_PORT);
    form.every_address = IsDlgButtonChecked(dialog, IDC_REMOTE_EVERY_ADDRESS) == BST_CHECKED;
    form.allowed_hosts = TextOf(dialog, IDC_REMOTE_HOSTS);
    form.token = TextOf(dialog, IDC_REMOTE_TOKEN);
    return form;
}

void ShowStatus(HWND dialog) {
    const RemoteServerStatus status = CurrentRemoteControlStatus();
    SetText(dialog, IDC_REMOTE_STATE, RemoteStateLine(status));
    SetText(dialog, IDC_REMOTE_LAST, RemoteLastRequestLine(status));
}

// A change of the token or the address, through the form's rules.
void ChangeForm(HWND dialog, bool (*change)(RemoteControlForm&, RandomBytes)) {
    RemoteControlForm form = FormOf(dialog);
    if (!change(form, SystemRandomBytes)) {
        ProgramContext().prompts.ShowErrorBox(kNoRandomText, BoxIcon::Exclamation);
    }
    SetText(dialog, IDC_REMOTE_TOKEN, form.token);
}

void Apply(HWND dialog) {
    RemoteConfig config;
    std::string problem;
    CoreContext& c = ProgramContext();
    if (!RemoteConfigOf(FormOf(dialog), config, problem)) {
        c.prompts.ShowErrorBox(problem, BoxIcon::Exclamation);
        return;
    }
    if (!ApplyRemoteControl(config, problem)) {
        ShowStatus(dialog);
        c.prompts.ShowErrorBox("リモート制御を開始できません。\n" + problem, BoxIcon::Exclamation);
        return;
    }
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK RemoteControlDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            ShowForm(dialog, RemoteFormOf(ReadRemoteConfig(ProgramIniStore())));
            SendDlgItemMessageW(dialog, IDC_REMOTE_PORT, EM_LIMITTEXT, 5, 0);
            ShowStatus(dialog);
            SetTimer(dialog, IDT_REMOTE_STATUS, kStatusPeriodMs, nullptr);
            return TRUE;
        case WM_TIMER:
            if (wparam == IDT_REMOTE_STATUS) ShowStatus(dialog);
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wparam) != BN_CLICKED) return FALSE;
            switch (LOWORD(wparam)) {
                case IDC_REMOTE_EVERY_ADDRESS:
                    ChangeForm(dialog, OnEveryAddressChosen);
                    return TRUE;
                case IDC_REMOTE_NEW_TOKEN:
                    ChangeForm(dialog, RenewToken);
                    return TRUE;
                case IDC_REMOTE_CLEAR_TOKEN:
                    SetText(dialog, IDC_REMOTE_TOKEN, "");
                    return TRUE;
                case IDOK:
                    Apply(dialog);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                default:
                    return FALSE;
            }
        case WM_DESTROY:
            KillTimer(dialog, IDT_REMOTE_STATUS);
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

void OpenRemoteControlDialog(HWND owner) {
    DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(IDD_REMOTE_CONTROL), owner,
                    RemoteControlDialogProc, 0);
}

}  // namespace tvx
