/*
 * The dialog "機器のスレーブアドレス".
 *
 * A modal dialog from the template IDD_DEVICE_SLAVE_ADDRESS, run on the user-interface thread
 * over the program's objects (ProgramContext). Opening turns the address prefix off; "設定"
 * writes the SA command bare to the COM port. It keeps its template title. It owns no state of
 * its own.
 */
#include "dialogs/slave_address_win.h"

#include "winbase/program_win.h"
#include "dialogs/frame_win.h"
#include "dialogs/slave_address.h"
#include "res/resource.h"

namespace tvx {

namespace {

INT_PTR OnCommand(HWND dialog, CoreContext& c, int id, int code) {
    switch (id) {
        case IDC_SLAVE_ADDRESS:
            if (code == CBN_SELCHANGE)
                OnSlaveAddressComboChange(dialog, c.app, kDeviceAddressItems);
            return TRUE;
        case IDC_DEVICE_ADDRESS_SET:
            if (code == BN_CLICKED) SendDeviceSlaveAddress(c);
            return TRUE;
        case IDCANCEL:
            if (code == BN_CLICKED) EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK DeviceSlaveAddressDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    CoreContext& c = ProgramContext();
    if (HandleSocketReplyMessage(message, c)) return TRUE;
    switch (message) {
        case WM_INITDIALOG:
            BeginDialogFrame(c.app, reinterpret_cast<WindowHandle>(dialog));
            FillSlaveAddressCombo(dialog, c.app, kDeviceAddressItems);
            OpenDeviceSlaveAddress(c.app, reinterpret_cast<WindowHandle>(dialog),
                                   reinterpret_cast<WindowHandle>(GetActiveWindow()));
            return TRUE;
        case WM_COMMAND:
            return OnCommand(dialog, c, LOWORD(wparam), HIWORD(wparam));
        default:
            return FALSE;
    }
}

}  // namespace

void OpenDeviceSlaveAddressDialog(HWND owner) {
    DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(IDD_DEVICE_SLAVE_ADDRESS), owner,
                    DeviceSlaveAddressDialogProc, 0);
}

}  // namespace tvx
