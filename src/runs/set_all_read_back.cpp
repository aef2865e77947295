#include "runs/set_all_read_back.h"

#include "link/send.h"
#include "model/run_pace.h"

namespace tvx {

BulkTable BulkTransferTable(BulkTransfer which, const AppState& app) {
    return which == BulkTransfer::SetAll ? SetAllTable() : ReadBackTable(app.interface_type == 1);
}

int BulkTransferTimerId(BulkTransfer which) {
    return which == BulkTransfer::SetAll ? kSetAllTimerId : kReadBackTimerId;
}

bool StartBulkTransfer(CoreContext& c, BulkTransfer which, BulkRun& run, WindowHandle dialog) {
    if (which == BulkTransfer::ReadBack && !ReadAddressAllowed(c)) return false;
    // The same checks in the same order as every "全設定", with the confirmation first.
    SendSequence checks;
    checks.params.confirm = true;
    if (!StartSendSequence(c, checks, dialog)) return false;
    run = BulkRun{BulkTransferTable(which, c.app)};
    BeginRunPace(c.app, !AddressesBroadcast(c.app), dialog, BulkTransferTimerId(which));
    return true;
}

BulkTick OnBulkTransferTick(CoreContext& c, BulkRun& run) {
    return OnBulkTick(c, run,
                      [](CoreContext& cc, std::string_view command) { SendCommand(cc, command); });
}

bool BulkPercentText(const BulkTick& tick, std::string& text_out) {
    if (tick.clear_percent) {
        text_out = "   ";
        return true;
    }
    if (tick.percent < 0) return false;
    text_out = std::to_string(tick.percent);
    return true;
}

}  // namespace tvx
