/*
 * The dialog "TCP/IPの設定（Client）": the host list, the port and the client role connection.
 *
 * A modal dialog from the template IDD_TCP_CLIENT, run on the user-interface thread over the
 * program's objects (ProgramContext, ProgramIniStore). "接続" starts ConnectToServer of the
 * socket link; the connect notification goes to the link's own window, which sends this
 * dialog MSG_SOCKET_LINK_CHANGED while it is open (it registers as the link's observer on
 * opening and leaves on WM_DESTROY), so a connection that completes after the dialog has
 * closed is still taken up. Host list changes are stored at once; the port when it closes.
 * Closing leaves a connection open. It owns no state of its own.
 */
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "winbase/program_win.h"
#include "winbase/text_win.h"
#include "dialogs/connection.h"
#include "dialogs/connection_win.h"
#include "dialogs/frame.h"
#include "dialogs/frame_win.h"
#include "link/socket_win.h"
#include "model/config.h"
#include "res/resource.h"

namespace tvx {

namespace {

void ShowButtons(HWND dialog, const AppState& app) {
    ClientButtons b = ClientButtonsFor(app);
    EnableWindow(GetDlgItem(dialog, IDC_CLIENT_CONNECT), b.connect_enabled ? TRUE : FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_CLIENT_DISCONNECT), b.disconnect_enabled ? TRUE : FALSE);
}

void ShowAddress(HWND dialog, const unsigned char a[4]) {
    SendDlgItemMessageW(dialog, IDC_HOST_ADDRESS, IPM_SETADDRESS, 0,
                        static_cast<LPARAM>(MAKEIPADDRESS(a[0], a[1], a[2], a[3])));
}

void AddListLine(HWND dialog, const std::string& line) {
    std::wstring text = Utf8ToWide(line);
    SendDlgItemMessageW(dialog, IDC_HOST_LIST, LB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(text.c_str()));
}

int ListSelection(HWND dialog) {
    LRESULT i = SendDlgItemMessageW(dialog, IDC_HOST_LIST, LB_GETCURSEL, 0, 0);
    return i == LB_ERR ? -1 : static_cast<int>(i);
}

void InitClientDialog(HWND dialog, CoreContext& c) {
    BeginDialogFrame(c.app, reinterpret_cast<WindowHandle>(dialog));
    SetSocketLinkObserver(dialog);
    if (c.app.host_list_count != 0) {
        if (const unsigned char* host = SelectedHostAddress(c.app)) ShowAddress(dialog, host);
        for (int i = 0; i < c.app.host_list_count && i < kHostListCapacity; ++i)
            AddListLine(dialog, FormatHostListEntry(c.app.host_list[i]));
    }
    SendDlgItemMessageW(dialog, IDC_CLIENT_PORT, EM_LIMITTEXT, 5, 0);
    SetDlgItemTextW(dialog, IDC_CLIENT_PORT, Cp932ToWide(c.app.tcp_port_text).c_str());
    ShowButtons(dialog, c.app);
    SettleDialogFrame(c.app, reinterpret_cast<WindowHandle>(GetActiveWindow()),
                      AddressPrefix::Unchanged);
}

void AddPressed(HWND dialog, CoreContext& c) {
    DWORD packed = 0;
    SendDlgItemMessageW(dialog, IDC_HOST_ADDRESS, IPM_GETADDRESS, 0,
                        reinterpret_cast<LPARAM>(&packed));
    const unsigned char address[4] = {
        static_cast<unsigned char>(FIRST_IPADDRESS(packed)),
        static_cast<unsigned char>(SECOND_IPADDRESS(packed)),
        static_cast<unsigned char>(THIRD_IPADDRESS(packed)),
        static_cast<unsigned char>(FOURTH_IPADDRESS(packed)),
    };
    std::string line;
    if (OnAddHostPressed(c, ProgramIniStore(), address, line)) AddListLine(dialog, line);
}

void DeletePressed(HWND dialog, CoreContext& c) {
    if (c.app.host_list_count == 0) return;
    int position = ListSelection(dialog);
    if (OnDeleteHostPressed(c.app, ProgramIniStore(), position))
        SendDlgItemMessageW(dialog, IDC_HOST_LIST, LB_DELETESTRING, static_cast<WPARAM>(position),
                            0);
}

void HostDoubleClicked(HWND dialog, CoreContext& c) {
    if (c.app.host_list_count == 0) return;
    int position = ListSelection(dialog);
    if (OnHostDoubleClicked(c.app, ProgramIniStore(), position))
        ShowAddress(dialog, c.app.host_list[position]);
}

void PortChanged(HWND dialog, CoreContext& c) {
    std::string text;
    WideToCp932(WindowTextOf(GetDlgItem(dialog, IDC_CLIENT_PORT)), text);
    OnPortTextChanged(c.app, text);
}

void ConnectPressed(HWND dialog, CoreContext& c) {
    if (!ConnectToServer(c)) c.app.socket_connected = 0;
    ShowButtons(dialog, c.app);
}

void DisconnectPressed(HWND dialog, CoreContext& c) {
    if (!ClientDisconnectAllowed(c.app)) return;
    CloseAllSockets(c);
    OnClientDisconnected(c);
    ShowButtons(dialog, c.app);
}

INT_PTR OnCommand(HWND dialog, CoreContext& c, int id, int code) {
    switch (id) {
        case IDC_HOST_ADD:
            if (code == BN_CLICKED) AddPressed(dialog, c);
            return TRUE;
        case IDC_HOST_DELETE:
            if (code == BN_CLICKED) DeletePressed(dialog, c);
            return TRUE;
        case IDC_HOST_LIST:
            if (code == LBN_DBLCLK) HostDoubleClicked(dialog, c);
            return TRUE;
        case IDC_CLIENT_PORT:
            if (code == EN_CHANGE) PortChanged(dialog, c);
            return TRUE;
        case IDC_CLIENT_CONNECT:
            if (code == BN_CLICKED) ConnectPressed(dialog, c);
            return TRUE;
        case IDC_CLIENT_DISCONNECT:
            if (code == BN_CLICKED) DisconnectPressed(dialog, c);
            return TRUE;
        case IDOK:
        case IDCANCEL:
            if (code == BN_CLICKED) EndDialog(dialog, id);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK TcpClientDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    CoreContext& c = ProgramContext();
    if (HandleSocketReplyMessage(message, c)) return TRUE;
    switch (message) {
        case WM_INITDIALOG:
            InitClientDialog(dialog, c);
            return TRUE;
        case WM_COMMAND:
            return OnCommand(dialog, c, LOWORD(wparam), HIWORD(wparam));
        case MSG_SOCKET_LINK_CHANGED:
            ShowButtons(dialog, c.app);
            return TRUE;
        case WM_DESTROY:
            SetSocketLinkObserver(nullptr);
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

void OpenTcpClientDialog(HWND owner) {
    DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(IDD_TCP_CLIENT), owner, TcpClientDialogProc,
                    0);
    // The port is stored once the dialog is gone, changed or not.
    OnTcpDialogClosed(ProgramContext().app, ProgramIniStore());
}

}  // namespace tvx
