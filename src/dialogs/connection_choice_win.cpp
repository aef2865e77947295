/*
 * The three list dialogs of the link configuration: "インターフェイスの設定" (RS-232C or
 * TCP/IP), "RS-232Cの設定" (the COM port) and "クライアント/サーバー" (the TCP role).
 *
 * Modal dialogs from the templates IDD_INTERFACE, IDD_RS232C and IDD_CLIENT_SERVER, run on the
 * user-interface thread over the program's objects (ProgramContext, ProgramIniStore). A pick
 * in the interface or role list is stored at once; the COM port is stored on "OK". None of
 * them opens or closes a port: the new link is used from the next start (or, for TCP/IP, from
 * the next connect). They own no state of their own.
 */
#include <string>

#include "winbase/program_win.h"
#include "dialogs/connection.h"
#include "dialogs/connection_win.h"
#include "dialogs/frame.h"
#include "dialogs/frame_win.h"
#include "res/resource.h"

namespace tvx {

namespace {

std::string InterfaceItem(int i) {
    return std::string(kInterfaceItems[i]);
}
std::string ComPortItem(int i) {
    return std::string(kComPortItems[i]);
}
std::string RoleItem(int i) {
    return std::string(kRoleItems[i]);
}

void ShowChoice(HWND dialog, int list_id, const ChoiceList& choice) {
    EnableWindow(GetDlgItem(dialog, list_id), choice.enabled ? TRUE : FALSE);
    SelectComboIndex(dialog, list_id, choice.selection);
}

// Like every dialog: it becomes active_dialog first, and settles the owner, the corner count
// and (where it does) the address prefix after filling its list.
void BeginFrame(HWND dialog, CoreContext& c) {
    BeginDialogFrame(c.app, reinterpret_cast<WindowHandle>(dialog));
}
void SettleFrame(CoreContext& c, AddressPrefix prefix) {
    SettleDialogFrame(c.app, reinterpret_cast<WindowHandle>(GetActiveWindow()), prefix);
}

INT_PTR CALLBACK InterfaceDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    CoreContext& c = ProgramContext();
    if (HandleSocketReplyMessage(message, c)) return TRUE;
    switch (message) {
        case WM_INITDIALOG:
            BeginFrame(dialog, c);
            FillCombo(dialog, IDC_INTERFACE_LIST, InterfaceItem, 2);
            ShowChoice(dialog, IDC_INTERFACE_LIST, InterfaceChoice(c.app));
            SettleFrame(c, AddressPrefix::On);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wparam)) {
                case IDC_INTERFACE_LIST:
                    if (HIWORD(wparam) == CBN_SELCHANGE) {
                        OnInterfacePicked(c.app, ProgramIniStore(),
                                          ComboSelection(dialog, IDC_INTERFACE_LIST));
                    }
                    return TRUE;
                case IDOK:
                case IDCANCEL:
                    if (HIWORD(wparam) == BN_CLICKED) EndDialog(dialog, LOWORD(wparam));
                    return TRUE;
                default:
                    return FALSE;
            }
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK ComPortDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    CoreContext& c = ProgramContext();
    if (HandleSocketReplyMessage(message, c)) return TRUE;
    switch (message) {
        case WM_INITDIALOG:
            BeginFrame(dialog, c);
            FillCombo(dialog, IDC_COM_PORT_LIST, ComPortItem, 6);
            ShowChoice(dialog, IDC_COM_PORT_LIST, ComPortChoice(c.app));
            SettleFrame(c, AddressPrefix::On);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wparam)) {
                case IDOK:
                    if (HIWORD(wparam) == BN_CLICKED) {
                        OnComPortConfirmed(c.app, ProgramIniStore(),
                                           ComboSelection(dialog, IDC_COM_PORT_LIST));
                        EndDialog(dialog, IDOK);
                    }
                    return TRUE;
                case IDCANCEL:
                    if (HIWORD(wparam) == BN_CLICKED) EndDialog(dialog, IDCANCEL);
                    return TRUE;
                default:
                    return FALSE;
            }
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK ClientServerDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    CoreContext& c = ProgramContext();
    if (HandleSocketReplyMessage(message, c)) return TRUE;
    switch (message) {
        case WM_INITDIALOG:
            BeginFrame(dialog, c);
            FillCombo(dialog, IDC_ROLE_LIST, RoleItem, 2);
            ShowChoice(dialog, IDC_ROLE_LIST, RoleChoice(c.app));
            SettleFrame(c, AddressPrefix::Unchanged);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wparam)) {
                case IDC_ROLE_LIST:
                    if (HIWORD(wparam) == CBN_SELCHANGE) {
                        OnRolePicked(c.app, ProgramIniStore(),
                                     ComboSelection(dialog, IDC_ROLE_LIST));
                    }
                    return TRUE;
                case IDOK:
                case IDCANCEL:
                    if (HIWORD(wparam) == BN_CLICKED) EndDialog(dialog, LOWORD(wparam));
                    return TRUE;
                default:
                    return FALSE;
            }
        default:
            return FALSE;
    }
}

}  // namespace

void OpenInterfaceDialog(HWND owner) {
    DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(IDD_INTERFACE), owner, InterfaceDialogProc,
                    0);
}

void OpenComPortDialog(HWND owner) {
    DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(IDD_RS232C), owner, ComPortDialogProc, 0);
}

void OpenClientServerDialog(HWND owner) {
    DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(IDD_CLIENT_SERVER), owner,
                    ClientServerDialogProc, 0);
}

void OpenTcpIpDialog(HWND owner) {
    if (ProgramContext().app.tcp_role == 1) {
        OpenTcpServerDialog(owner);
    } else {
        OpenTcpClientDialog(owner);
    }
}

}  // namespace tvx
