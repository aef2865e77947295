// The difference list of two settings: every field of the settings file whose value differs,
// in file order, named and shown as an operator knows it ("ページ 3 ch.1 Top: T001 ≠ T002").
// Titles are compared as a device keeps them: two titles that send the same codes (one padded
// with full-width blanks, one with an IBM extension character and one with its NEC-selected
// twin) are the same title.
#pragma once

#include <string>
#include <vector>

#include "model/settings_fields.h"

namespace tvx {

struct SettingDifference {
    std::string field;  // the operator's name, "自動切換え ch.2 Bottom ページ 10"
    std::string a, b;   // the values as shown, "5 秒", "「朝のニュース」"
    int line = 0;       // the line of the settings file the value is read from
};

std::vector<SettingDifference> ListSettingDifferences(const SettingsModel& a,
                                                      const SettingsModel& b,
                                                      Cp932ToUtf8Converter to_utf8);

// "T005: 「朝のニュース」 ≠ 「夜のニュース」"
std::string DifferenceLine(const SettingDifference& difference);

}  // namespace tvx
