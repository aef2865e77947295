#include "protocol/settings_diff.h"

#include <cstring>

#include "model/title_text.h"
#include "protocol/commands.h"

namespace tvx {

namespace {

bool SameTitle(const SettingsModel& a, const SettingsModel& b, int t) {
    const std::size_t length = TitleTextLength(a.title_text[t]);
    if (length == TitleTextLength(b.title_text[t]) &&
        std::memcmp(a.title_text[t], b.title_text[t], length) == 0)
        return true;
    std::string sent_a, sent_b;
    if (BuildTitleCommandFromModel(a, 1, t, sent_a) && BuildTitleCommandFromModel(b, 1, t, sent_b))
        return sent_a == sent_b;
    return false;  // a title that cannot be sent differs unless its bytes are the same
}

}  // namespace

std::vector<SettingDifference> ListSettingDifferences(const SettingsModel& a,
                                                      const SettingsModel& b,
                                                      Cp932ToUtf8Converter to_utf8) {
    std::vector<SettingDifference> out;
    for (const SettingsFileField& f : SettingsFileFields()) {
        if (f.repeat) continue;
        for (int item = 0; item < FieldItemCount(f); ++item) {
            std::string text_a, text_b;
            if (f.title != nullptr) {
                if (SameTitle(a, b, item)) continue;
                text_a = TitleValueText(FieldTitle(a, f, item), to_utf8);
                text_b = TitleValueText(FieldTitle(b, f, item), to_utf8);
            } else {
                const int value_a = FieldNumber(a, f, item), value_b = FieldNumber(b, f, item);
                if (value_a == value_b) continue;
                text_a = FieldNumberText(f, value_a);
                text_b = FieldNumberText(f, value_b);
            }
            out.push_back({FieldItemName(f, item), std::move(text_a), std::move(text_b),
                           FieldValueLine(f, item)});
        }
    }
    return out;
}

std::string DifferenceLine(const SettingDifference& d) {
    return d.field + ": " + d.a + " ≠ " + d.b;
}

}  // namespace tvx
