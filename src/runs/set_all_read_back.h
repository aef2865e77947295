// The two runs that move the whole model at once: set all ("全項目の設定") sends every setting to
// the selected device, read back ("設定項目の読み込み") reads them all back. Both walk a step table
// of the bulk-run engine from a timer (the dialogs': set-all timer 1, read-back timer 6) and send
// through SendCommand.
#pragma once

#include <string>

#include "model/context.h"
#include "protocol/bulk_run.h"
#include "runs/send_sequence.h"

namespace tvx {

enum class BulkTransfer { SetAll, ReadBack };

constexpr int kSetAllTimerId = 1;
constexpr int kReadBackTimerId = 6;

inline constexpr std::string_view kReadBackNotice =
    "メインテナンス以外で読み込み動作を行わないでください。";

// The dialog's table: the read-back takes one tick more on TCP/IP.
BulkTable BulkTransferTable(BulkTransfer which, const AppState& app);
int BulkTransferTimerId(BulkTransfer which);

// The start button: ConfirmNotAutoSwitching (No does nothing), the link check with its box, the
// running check. True when the caller must disable "Close" and start its timer with
// run.table.first_period_ms; the run then stands at step 1.
bool StartBulkTransfer(CoreContext& c, BulkTransfer which, BulkRun& run, WindowHandle dialog);
// One tick of the dialog's timer: the step goes out through SendCommand.
BulkTick OnBulkTransferTick(CoreContext& c, BulkRun& run);

// The percent box's text for a tick: the number, or three blanks at the end; false when the
// box keeps what it shows.
bool BulkPercentText(const BulkTick& tick, std::string& text_out);

}  // namespace tvx
