/*
 * The dialog "プロトコル" (the device's network settings).
 *
 * A modal dialog from the template IDD_NETWORK, run on the user-interface thread over the
 * program's objects (ProgramContext). Every "設定" and the read-all write bare frames to the COM
 * port; replies reach the model through the serial reply handling and the fields show them at
 * the end of the read-all (timer 8) or at the next opening. The read-all's table lives in a
 * static BulkRun (one dialog at a time).
 */
#include "dialogs/network_settings_win.h"

#include <commctrl.h>

#include <string>

#include "dialogs/bulk_tick_win.h"
#include "dialogs/frame_win.h"
#include "dialogs/network_settings.h"
#include "protocol/encodings.h"
#include "res/resource.h"
#include "winbase/program_win.h"
#include "winbase/text_win.h"

namespace tvx {

namespace {

BulkRun g_read;

struct AddressControl {
    int field_id;
    int set_id;
    NetworkAddress which;
};

constexpr AddressControl kAddresses[] = {
    {IDC_NET_IP, IDC_NET_IP_SET, NetworkAddress::Ip},
    {IDC_NET_GATEWAY, IDC_NET_GATEWAY_SET, NetworkAddress::Gateway},
    {IDC_NET_ACTIVE, IDC_NET_ACTIVE_SET, NetworkAddress::Active},
};

void SetFieldText(HWND dialog, int id, const char* bytes, std::size_t max) {
    std::string text(bytes, BoundedLength(bytes, max));
    SetDlgItemTextW(dialog, id, Cp932ToWide(text).c_str());
}

// Shows the model's values in every control.
void Refresh(HWND dialog, const SettingsModel& model) {
    for (const AddressControl& a : kAddresses) {
        const unsigned char* o = NetworkAddressOctets(model, a.which);
        SendDlgItemMessageW(dialog, a.field_id, IPM_SETADDRESS, 0,
                            static_cast<LPARAM>(MAKEIPADDRESS(o[0], o[1], o[2], o[3])));
    }
    SelectComboIndex(dialog, IDC_NET_SUBNET, ListSelection(model.net_subnet_class, kSubnetItems));
    SendDlgItemMessageW(dialog, IDC_NET_PORT, EM_LIMITTEXT, 5, 0);
    SetFieldText(dialog, IDC_NET_PORT, model.net_port_number, 5);
    SelectComboIndex(dialog, IDC_NET_KEEP_ALIVE,
                     ListSelection(model.net_keep_alive, kKeepAliveItems));
    SelectComboIndex(dialog, IDC_NET_TIME_REGISTER,
                     ListSelection(model.net_time_register, kTimeRegisterItems));
    SetFieldText(dialog, IDC_NET_MAC, model.net_mac_address, 17);
    SetFieldText(dialog, IDC_NET_VERSION, model.net_version, 4);
}

// The settled part of opening, also run again after a read-all.
void Settle(HWND dialog, CoreContext& c) {
    SettleDialogFrame(c.app, reinterpret_cast<WindowHandle>(GetActiveWindow()), AddressPrefix::Off);
    ApplyConnectionTitle(dialog, c, FrameDialog::NetworkSettings);
}

void OnInit(HWND dialog, CoreContext& c) {
    OpenNetworkSettings(c.app, reinterpret_cast<WindowHandle>(dialog),
                        reinterpret_cast<WindowHandle>(GetActiveWindow()));
    SetupProgressBar(dialog, IDC_NET_PROGRESS, kNetworkReadSteps);
    FillCombo(dialog, IDC_NET_KEEP_ALIVE, KeepAliveItemText, kKeepAliveItems);
    FillCombo(dialog, IDC_NET_SUBNET, SubnetItemText, kSubnetItems);
    FillCombo(dialog, IDC_NET_TIME_REGISTER, TimeRegisterItemText, kTimeRegisterItems);
    Refresh(dialog, c.model);
    Settle(dialog, c);
}

void SendAddress(HWND dialog, CoreContext& c, const AddressControl& a) {
    DWORD packed = 0;
    LRESULT filled = SendDlgItemMessageW(dialog, a.field_id, IPM_GETADDRESS, 0,
                                         reinterpret_cast<LPARAM>(&packed));
    int fields[4] = {-1, -1, -1, -1};
    if (filled == 4) {
        fields[0] = FIRST_IPADDRESS(packed);
        fields[1] = SECOND_IPADDRESS(packed);
        fields[2] = THIRD_IPADDRESS(packed);
        fields[3] = FOURTH_IPADDRESS(packed);
    }
    SendNetworkAddress(c, a.which, fields);
}

void SendPort(HWND dialog, CoreContext& c) {
    std::string text;
    // A character without a code page 932 form cannot be a digit: the port check refuses it.
    WideToCp932(WindowTextOf(GetDlgItem(dialog, IDC_NET_PORT)), text);
    SendNetworkPort(c, text);
}

void OnTick(HWND dialog, CoreContext& c) {
    BulkTick t = OnNetworkReadTick(c, g_read);
    ApplyBulkTick(dialog, t, kNetworkReadTimerId, IDC_NET_PROGRESS, 0);
    if (t.refresh) {
        SetupProgressBar(dialog, IDC_NET_PROGRESS, kNetworkReadSteps);
        Refresh(dialog, c.model);
        Settle(dialog, c);
    }
}

INT_PTR OnCommand(HWND dialog, CoreContext& c, int id, int code) {
    if (code == BN_CLICKED) {
        for (const AddressControl& a : kAddresses) {
            if (id == a.set_id) {
                SendAddress(dialog, c, a);
                return TRUE;
            }
        }
    }
    switch (id) {
        case IDC_NET_SUBNET:
            if (code == CBN_SELCHANGE) OnSubnetSelected(c.model, ComboSelection(dialog, id));
            return TRUE;
        case IDC_NET_KEEP_ALIVE:
            if (code == CBN_SELCHANGE) OnKeepAliveSelected(c.model, ComboSelection(dialog, id));
            return TRUE;
        case IDC_NET_TIME_REGISTER:
            if (code == CBN_SELCHANGE) OnTimeRegisterSelected(c.model, ComboSelection(dialog, id));
            return TRUE;
        case IDC_NET_SUBNET_SET:
            if (code == BN_CLICKED) SendSubnetClass(c);
            return TRUE;
        case IDC_NET_KEEP_ALIVE_SET:
            if (code == BN_CLICKED) SendKeepAlive(c);
            return TRUE;
        case IDC_NET_TIME_REGISTER_SET:
            if (code == BN_CLICKED) SendTimeRegister(c);
            return TRUE;
        case IDC_NET_PORT_SET:
            if (code == BN_CLICKED) SendPort(dialog, c);
            return TRUE;
        case IDC_NET_READ:
            if (code == BN_CLICKED &&
                StartNetworkRead(c, g_read, reinterpret_cast<WindowHandle>(dialog))) {
                EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
                SetTimer(dialog, kNetworkReadTimerId,
                         static_cast<UINT>(g_read.table.first_period_ms), nullptr);
            }
            return TRUE;
        case IDCANCEL:
            if (code != BN_CLICKED) return TRUE;
            // "Close" is back for the read-all's last tick; leaving then must not leave the run
            // counting forever, which would block every later sequence.
            if (c.app.sequence_running != 0) {
                if (!IsWindowEnabled(GetDlgItem(dialog, IDCANCEL))) return TRUE;
                KillTimer(dialog, kNetworkReadTimerId);
                c.app.sequence_running = 0;
            }
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK NetworkSettingsDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    CoreContext& c = ProgramContext();
    switch (message) {
        case WM_INITDIALOG:
            OnInit(dialog, c);
            return TRUE;
        case WM_COMMAND:
            return OnCommand(dialog, c, LOWORD(wparam), HIWORD(wparam));
        case WM_TIMER:
            if (wparam == kNetworkReadTimerId) OnTick(dialog, c);
            return TRUE;
        default:
            return HandleSocketReplyMessage(message, c) ? TRUE : FALSE;
    }
}

}  // namespace

void OpenNetworkSettingsDialog(HWND owner) {
    DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(IDD_NETWORK), owner,
                    NetworkSettingsDialogProc, 0);
}

}  // namespace tvx
