// Applying a bulk run's tick to a dialog window: percent box, progress bar, timer, "Close".
#pragma once

#include <windows.h>

#include "protocol/bulk_run.h"

namespace tvx {

// percent_id may be 0 for a dialog without a percent box. Ends the dialog when the tick says so.
void ApplyBulkTick(HWND dialog, const BulkTick& tick, int timer_id, int progress_id,
                   int percent_id);

}  // namespace tvx
