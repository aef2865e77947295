// The character level dialog: the white level and the edge level (one digit 0..3 each), chosen
// from two combos and sent one at a time with their own "設定" buttons.
#pragma once

#include <string>

#include "model/context.h"
#include "model/settings_model.h"
#include "runs/display_sends.h"

namespace tvx {

constexpr int kLevelItems = 4;  // "0".."3", item index = level

// The item text at index (0..3); empty outside.
std::string LevelItemText(int index);
// The item to select for a level, or -1 when the level is outside 0..3.
int LevelSelection(int level);

// Selection changes; nothing is sent. False for a missing selection (the edit field's text).
bool OnWhiteLevelSelected(SettingsModel& model, int index);
bool OnEdgeLevelSelected(SettingsModel& model, int index);

// The two "設定" buttons send CWL or CEL with the level the model holds, at once:
// SendWhiteLevel and SendEdgeLevel (runs/display_sends.h).

}  // namespace tvx
