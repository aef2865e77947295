// The ranges of the settings a device takes, those of the settings file (titles aside, which
// the title encoding checks), as the file's field table gives them. The program's dialogs keep
// every value in range; a settings file edited by hand need not, and a whole-model send checks it
// before the first byte.
#pragma once

#include <string>
#include <vector>

#include "model/settings_model.h"

namespace tvx {

struct SettingRangeProblem {
    const char* field = nullptr;  // the model field, e.g. "page_switch_seconds"
    int position = -1;            // display position 0..3, or -1 for a single value
    int index = -1;               // page index 0..143, or -1
    int value = 0;
    int low = 0;
    int high = 0;
    std::string name;  // the operator's name, e.g. "自動切換え ch.2 Bottom ページ 10"
    int line = 0;      // the line of the settings file the value is read from
};

// The first value outside its range, in settings file order; false when every value is in range.
bool FindSettingOutOfRange(const SettingsModel& model, SettingRangeProblem& problem);

// Every value outside its range, in settings file order.
std::vector<SettingRangeProblem> ListSettingsOutOfRange(const SettingsModel& model);

}  // namespace tvx
