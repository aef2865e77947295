/*
 * The dialogs "全項目の設定" and "設定項目の読み込み".
 *
 * One procedure serves both, from the templates IDD_SET_ALL and IDD_READ_BACK; which one runs
 * is given at opening. Modal, on the user-interface thread, over the program's objects
 * (ProgramContext). The run's table and progress live in a static BulkRun: only one of these
 * dialogs can be open at a time. Socket answers (MSG_SOCKET_REPLY) go to the reply handling.
 */
#include "dialogs/bulk_transfer_win.h"

#include "dialogs/bulk_tick_win.h"
#include "dialogs/frame_win.h"
#include "res/resource.h"
#include "runs/set_all_read_back.h"
#include "winbase/program_win.h"

namespace tvx {

namespace {

BulkTransfer g_which = BulkTransfer::SetAll;
BulkRun g_run;

FrameDialog BulkTransferFrame(BulkTransfer which) {
    return which == BulkTransfer::SetAll ? FrameDialog::SetAll : FrameDialog::ReadBack;
}

INT_PTR OnCommand(HWND dialog, CoreContext& c, int id, int code) {
    switch (id) {
        case IDC_SLAVE_ADDRESS:
            if (code == CBN_SELCHANGE) OnSlaveAddressComboChange(dialog, c.app);
            return TRUE;
        case IDC_BULK_START:
            if (code == BN_CLICKED &&
                StartBulkTransfer(c, g_which, g_run, reinterpret_cast<WindowHandle>(dialog))) {
                EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
                SetTimer(dialog, static_cast<UINT_PTR>(BulkTransferTimerId(g_which)),
                         static_cast<UINT>(g_run.table.first_period_ms), nullptr);
            }
            return TRUE;
        case IDCANCEL:
            // Esc reaches here even while "Close" is greyed: the run must end first.
            if (code == BN_CLICKED && c.app.sequence_running == 0) EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK BulkTransferDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    CoreContext& c = ProgramContext();
    switch (message) {
        case WM_INITDIALOG:
            InitDialogFrame(dialog, c, BulkTransferFrame(g_which), AddressPrefix::On, nullptr);
            g_run.table = BulkTransferTable(g_which, c.app);
            SetupProgressBar(dialog, IDC_BULK_PROGRESS, g_run.table.progress_max);
            return TRUE;
        case WM_COMMAND:
            return OnCommand(dialog, c, LOWORD(wparam), HIWORD(wparam));
        case WM_TIMER:
            if (wparam == static_cast<WPARAM>(BulkTransferTimerId(g_which))) {
                ApplyBulkTick(dialog, OnBulkTransferTick(c, g_run), BulkTransferTimerId(g_which),
                              IDC_BULK_PROGRESS, IDC_BULK_PERCENT);
            }
            return TRUE;
        default:
            return HandleSocketReplyMessage(message, c) ? TRUE : FALSE;
    }
}

void Open(HWND owner, BulkTransfer which, int template_id) {
    g_which = which;
    DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(template_id), owner,
                    BulkTransferDialogProc, 0);
}

}  // namespace

void OpenSetAllDialog(HWND owner) {
    Open(owner, BulkTransfer::SetAll, IDD_SET_ALL);
}

void OpenReadBackDialog(HWND owner) {
    Open(owner, BulkTransfer::ReadBack, IDD_READ_BACK);
}

}  // namespace tvx
