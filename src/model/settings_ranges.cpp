#include "model/settings_ranges.h"

#include "model/settings_fields.h"

namespace tvx {

namespace {

// Walks the number fields of the file; stops when found returns true.
template <typename Found>
void ForEachOutOfRange(const SettingsModel& model, Found&& found) {
    for (const SettingsFileField& f : SettingsFileFields()) {
        if (f.repeat || f.number == nullptr) continue;
        for (int item = 0; item < FieldItemCount(f); ++item) {
            const int value = FieldNumber(model, f, item);
            if (value >= f.low && value <= f.high) continue;
            SettingRangeProblem p;
            p.field = f.field;
            p.value = value;
            p.low = f.low;
            p.high = f.high;
            p.name = FieldItemName(f, item);
            p.line = FieldValueLine(f, item);
            if (f.shape == FieldShape::PerPage) {
                p.position = item / kPageCount;
                p.index = item % kPageCount;
            } else if (f.shape == FieldShape::PerPosition) {
                p.position = item;
            }
            if (found(std::move(p))) return;
        }
    }
}

}  // namespace

bool FindSettingOutOfRange(const SettingsModel& model, SettingRangeProblem& problem) {
    bool any = false;
    ForEachOutOfRange(model, [&](SettingRangeProblem p) {
        problem = std::move(p);
        any = true;
        return true;
    });
    return any;
}

std::vector<SettingRangeProblem> ListSettingsOutOfRange(const SettingsModel& model) {
    std::vector<SettingRangeProblem> out;
    ForEachOutOfRange(model, [&](SettingRangeProblem p) {
        out.push_back(std::move(p));
        return false;
    });
    return out;
}

}  // namespace tvx
