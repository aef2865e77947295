/*
 * The dialog "TCP/IPの設定（Server）": the port, the server role's listening socket, the list
 * of connected devices and the choice of the one commands go to.
 *
 * A modal dialog from the template IDD_TCP_SERVER, run on the user-interface thread over the
 * program's objects (ProgramContext, ProgramIniStore). "接続" starts StartServer of the socket
 * link; accepts and closes are handled by the link's own window, which sends this dialog
 * MSG_SOCKET_LINK_CHANGED while it is open (it registers as the link's observer on opening and
 * leaves on WM_DESTROY), and the dialog then refreshes its list and buttons. The list shows the
 * connected clients in slot order; the view remembers which slot each line shows, so a double
 * click chooses the client clicked also after others have left. The view is the dialog's own
 * static state (one server dialog at a time). Closing leaves the server and its clients up. Its
 * check box "許可するホストの機器だけ受け付ける" is written to the configuration at once and
 * guards the next accept (LoadServerHostGuard).
 */
#include <string>

#include "winbase/program_win.h"
#include "winbase/text_win.h"
#include "dialogs/connection.h"
#include "dialogs/connection_win.h"
#include "dialogs/frame.h"
#include "dialogs/frame_win.h"
#include "link/socket_events.h"
#include "link/socket_win.h"
#include "model/config.h"
#include "res/resource.h"

namespace tvx {

namespace {

ServerDialogView g_view;

void ShowView(HWND dialog, const CoreContext& c) {
    EnableWindow(GetDlgItem(dialog, IDOK), g_view.connect_enabled ? TRUE : FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_SERVER_PORT), g_view.port_enabled ? TRUE : FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_SERVER_DISCONNECT),
                 g_view.disconnect_enabled ? TRUE : FALSE);
    HWND list = GetDlgItem(dialog, IDC_SERVER_CLIENT_LIST);
    // Filled without drawing each line: 96 devices connecting at once refill it 96 times.
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < g_view.list_count; ++i) {
        std::wstring text = Cp932ToWide(ClientPeerText(c.sockets, g_view.list_slots[i]));
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    if (g_view.set_place)
        SetDlgItemTextW(dialog, IDC_SERVER_PLACE, Cp932ToWide(g_view.place_text).c_str());
    SetDlgItemTextW(dialog, IDC_SERVER_FULL_NOTE, Utf8ToWide(g_view.full_note).c_str());
}

void Refresh(HWND dialog, const CoreContext& c) {
    RefreshServerView(c.app, c.sockets, g_view);
    ShowView(dialog, c);
}

void InitServerDialog(HWND dialog, CoreContext& c) {
    BeginDialogFrame(c.app, reinterpret_cast<WindowHandle>(dialog));
    SetSocketLinkObserver(dialog);
    g_view = ServerDialogView{};  // every control as the template has it
    Refresh(dialog, c);
    SendDlgItemMessageW(dialog, IDC_SERVER_PORT, EM_LIMITTEXT, 5, 0);
    SetDlgItemTextW(dialog, IDC_SERVER_PORT, Cp932ToWide(c.app.tcp_port_text).c_str());
    SettleDialogFrame(c.app, reinterpret_cast<WindowHandle>(GetActiveWindow()),
                      AddressPrefix::Unchanged);
    CheckDlgButton(dialog, IDC_SERVER_HOSTS_ONLY,
                   ReadServerHostsOnly(ProgramIniStore()) ? BST_CHECKED : BST_UNCHECKED);
}

// Kept at once, and taken by the next device that connects.
void HostsOnlyClicked(HWND dialog) {
    IniStore& ini = ProgramIniStore();
    WriteServerHostsOnly(ini, IsDlgButtonChecked(dialog, IDC_SERVER_HOSTS_ONLY) == BST_CHECKED);
    LoadServerHostGuard(ini);
}

void ConnectPressed(HWND dialog, CoreContext& c) {
    if (!StartServer(c)) return;
    OnServerListening(g_view);
    ShowView(dialog, c);
}

void ClientDoubleClicked(HWND dialog, CoreContext& c) {
    LRESULT i = SendDlgItemMessageW(dialog, IDC_SERVER_CLIENT_LIST, LB_GETCURSEL, 0, 0);
    int position = i == LB_ERR ? -1 : static_cast<int>(i);
    OnServerClientDoubleClicked(c.app, c.sockets, g_view, position);
    if (g_view.set_place)
        SetDlgItemTextW(dialog, IDC_SERVER_PLACE, Cp932ToWide(g_view.place_text).c_str());
}

void DisconnectPressed(HWND dialog, CoreContext& c) {
    CloseAllSockets(c);
    OnServerStopped(c.app, g_view);
    ShowView(dialog, c);
}

void PortChanged(HWND dialog, CoreContext& c) {
    std::string text;
    WideToCp932(WindowTextOf(GetDlgItem(dialog, IDC_SERVER_PORT)), text);
    OnPortTextChanged(c.app, text);
}

INT_PTR OnCommand(HWND dialog, CoreContext& c, int id, int code) {
    switch (id) {
        case IDOK:
            if (code == BN_CLICKED) ConnectPressed(dialog, c);
            return TRUE;
        case IDC_SERVER_DISCONNECT:
            if (code == BN_CLICKED) DisconnectPressed(dialog, c);
            return TRUE;
        case IDC_SERVER_CLIENT_LIST:
            if (code == LBN_DBLCLK) ClientDoubleClicked(dialog, c);
            return TRUE;
        case IDC_SERVER_PORT:
            if (code == EN_CHANGE) PortChanged(dialog, c);
            return TRUE;
        case IDC_SERVER_HOSTS_ONLY:
            if (code == BN_CLICKED) HostsOnlyClicked(dialog);
            return TRUE;
        case IDCANCEL:
            if (code == BN_CLICKED) EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK TcpServerDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    CoreContext& c = ProgramContext();
    if (HandleSocketReplyMessage(message, c)) return TRUE;
    switch (message) {
        case WM_INITDIALOG:
            InitServerDialog(dialog, c);
            return TRUE;
        case WM_COMMAND:
            return OnCommand(dialog, c, LOWORD(wparam), HIWORD(wparam));
        case MSG_SOCKET_LINK_CHANGED:
            Refresh(dialog, c);
            return TRUE;
        case WM_DESTROY:
            SetSocketLinkObserver(nullptr);
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

void OpenTcpServerDialog(HWND owner) {
    DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(IDD_TCP_SERVER), owner, TcpServerDialogProc,
                    0);
    // The port is stored once the dialog is gone, changed or not.
    OnTcpDialogClosed(ProgramContext().app, ProgramIniStore());
}

}  // namespace tvx
