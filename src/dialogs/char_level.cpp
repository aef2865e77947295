#include "dialogs/char_level.h"

namespace tvx {

std::string LevelItemText(int index) {
    if (index < 0 || index >= kLevelItems) return {};
    return std::string(1, static_cast<char>('0' + index));
}

int LevelSelection(int level) {
    return level >= 0 && level < kLevelItems ? level : -1;
}

bool OnWhiteLevelSelected(SettingsModel& model, int index) {
    if (index < 0 || index >= kLevelItems) return false;
    model.white_level = index;
    return true;
}

bool OnEdgeLevelSelected(SettingsModel& model, int index) {
    if (index < 0 || index >= kLevelItems) return false;
    model.edge_level = index;
    return true;
}

}  // namespace tvx
