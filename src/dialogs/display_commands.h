// The display settings of one display position, built from the model and sent through
// SendCommand: what the "設定" buttons of the display dialogs send, and the steps that their
// "全設定" runs and the set-all run repeat for every position. Each returns true when the
// command went out.
#pragma once

#include "model/context.h"

namespace tvx {

// CTD: the 144 on/off flags of the position.
bool SendTitleDisplayFlags(CoreContext& c, int position);
// P: the page shown now, or "AS".
bool SendDisplayPage(CoreContext& c, int position);
// PP: the title of each of the 144 pages.
bool SendPageAssignment(CoreContext& c, int position);
// AST: the 144 switching times. A position whose times are all 0 is refused with
// "全て０秒は､設定出来ません" and nothing is sent.
bool SendAutoSwitchTimes(CoreContext& c, int position);
// SUS: the page shown at start-up, or "AS".
bool SendStartupPage(CoreContext& c, int position);
// CTDPO: the fine position offset.
bool SendPositionOffset(CoreContext& c, int position);

}  // namespace tvx
