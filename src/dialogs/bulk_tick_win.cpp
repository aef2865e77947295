/*
 * Applies what the bulk-run engine asks of a dialog after each tick (dialogs/bulk_tick_win.h).
 *
 * Owns nothing; runs inside the dialog procedures on the user-interface thread.
 */
#include "dialogs/bulk_tick_win.h"

#include <commctrl.h>

#include "dialogs/frame_win.h"
#include "winbase/program_win.h"
#include "winbase/text_win.h"

namespace tvx {

void ApplyBulkTick(HWND dialog, const BulkTick& tick, int timer_id, int progress_id,
                   int percent_id) {
    if (percent_id != 0 && (tick.percent >= 0 || tick.clear_percent)) {
        std::wstring text = tick.clear_percent ? L"   " : std::to_wstring(tick.percent);
        SetDlgItemTextW(dialog, percent_id, text.c_str());
    }
    HWND progress = GetDlgItem(dialog, progress_id);
    if (tick.step_progress) SendMessageW(progress, PBM_STEPIT, 0, 0);
    if (tick.reset_progress) SendMessageW(progress, PBM_SETPOS, 0, 0);
    // SetTimer with the id of a running timer restarts it with the new period.
    if (tick.new_period_ms > 0 && !tick.stop_timer) {
        SetTimer(dialog, static_cast<UINT_PTR>(timer_id), static_cast<UINT>(tick.new_period_ms),
                 nullptr);
    }
    if (tick.stop_timer) KillTimer(dialog, static_cast<UINT_PTR>(timer_id));
    if (tick.enable_close) EnableWindow(GetDlgItem(dialog, IDCANCEL), TRUE);
    if (tick.close_dialog) EndDialog(dialog, IDOK);
    PostRunPaceTick(ProgramContext().app);
}

}  // namespace tvx
