// The display settings, built from the model and sent through SendCommand: what the "設定"
// buttons of the display and level dialogs send, and the steps that their "全設定" runs and the
// set-all run repeat for every position. Each returns true when the command went out; a value
// outside what the device takes is refused with its box and nothing is sent.
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
// CWL and CEL: the character white and edge levels.
bool SendWhiteLevel(CoreContext& c);
bool SendEdgeLevel(CoreContext& c);

}  // namespace tvx
