// The ranges of the settings a device takes, those of the settings file (titles aside, which
// the title encoding checks), as the file's field table gives them. The program's dialogs keep
// every value in range; a settings file edited by hand need not, and a whole-model send checks it
// before the first byte.
#pragma once

#include <string>
#include <string_view>
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
    std::string name;   // the operator's name, e.g. "自動切換え ch.2 Bottom ページ 10"
    int line = 0;       // the line of the settings file the value is read from
    std::string range;  // the values the device takes, as shown: "0 秒～99 秒", "001～AUTO"
};

// The first value outside its range, in settings file order; false when every value is in range.
bool FindSettingOutOfRange(const SettingsModel& model, SettingRangeProblem& problem);

// Every value outside its range, in settings file order.
std::vector<SettingRangeProblem> ListSettingsOutOfRange(const SettingsModel& model);

// The first value outside its range among what one command sends: the items of the model field
// (by its name, "page_switch_seconds") at one display position, or the single value (-1).
bool FindCommandValueOutOfRange(const SettingsModel& model, std::string_view field, int position,
                                SettingRangeProblem& problem);

// One line for a user: 「自動切換え ch.1 Top ページ 4」 150 （0 秒～99 秒）.
std::string OutOfRangeLine(const SettingRangeProblem& problem);
// The refusal of a send: the line and that nothing was sent.
std::string OutOfRangeSendText(const SettingRangeProblem& problem);
// What "開く" says of a file with values no list holds: how many, the first twenty of them with
// their lines, and that the file was read as it is. Empty when every value is in range.
std::string OutOfRangeFileText(const SettingsModel& model);

}  // namespace tvx
