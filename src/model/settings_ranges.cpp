#include "model/settings_ranges.h"

#include "model/settings_fields.h"

namespace tvx {

namespace {

// Walks the number fields of the file; stops when found(field, item, value) returns true. The
// names and ranges are made only for the problems a caller keeps (a damaged file may hold
// hundreds).
template <typename Found>
void ForEachOutOfRange(const SettingsModel& model, Found&& found) {
    for (const SettingsFileField& f : SettingsFileFields()) {
        if (f.repeat || f.number == nullptr) continue;
        for (int item = 0; item < FieldItemCount(f); ++item) {
            const int value = FieldNumber(model, f, item);
            if (value >= f.low && value <= f.high) continue;
            if (found(f, item, value)) return;
        }
    }
}

// The display position a field's item belongs to, or -1 for a single value.
int PositionOf(const SettingsFileField& f, int item) {
    if (f.shape == FieldShape::PerPage) return item / kPageCount;
    if (f.shape == FieldShape::PerPosition) return item;
    return -1;
}

SettingRangeProblem MakeProblem(const SettingsFileField& f, int item, int value) {
    SettingRangeProblem p;
    p.field = f.field;
    p.value = value;
    p.low = f.low;
    p.high = f.high;
    p.name = FieldItemName(f, item);
    p.line = FieldValueLine(f, item);
    p.range = FieldNumberText(f, f.low) + "～" + FieldNumberText(f, f.high);
    p.position = PositionOf(f, item);
    if (f.shape == FieldShape::PerPage) p.index = item % kPageCount;
    return p;
}

}  // namespace

bool FindSettingOutOfRange(const SettingsModel& model, SettingRangeProblem& problem) {
    bool any = false;
    ForEachOutOfRange(model, [&](const SettingsFileField& f, int item, int value) {
        problem = MakeProblem(f, item, value);
        any = true;
        return true;
    });
    return any;
}

std::vector<SettingRangeProblem> ListSettingsOutOfRange(const SettingsModel& model) {
    std::vector<SettingRangeProblem> out;
    ForEachOutOfRange(model, [&](const SettingsFileField& f, int item, int value) {
        out.push_back(MakeProblem(f, item, value));
        return false;
    });
    return out;
}

bool FindCommandValueOutOfRange(const SettingsModel& model, std::string_view field, int position,
                                SettingRangeProblem& problem) {
    bool any = false;
    ForEachOutOfRange(model, [&](const SettingsFileField& f, int item, int value) {
        if (f.field != field || PositionOf(f, item) != position) return false;
        problem = MakeProblem(f, item, value);
        any = true;
        return true;
    });
    return any;
}

std::string OutOfRangeLine(const SettingRangeProblem& p) {
    return "「" + p.name + "」 " + std::to_string(p.value) + " （" + p.range + "）";
}

std::string OutOfRangeSendText(const SettingRangeProblem& p) {
    return "機器が持てない値なので送信しません。\n" + OutOfRangeLine(p);
}

std::string OutOfRangeFileText(const SettingsModel& model) {
    constexpr std::size_t kShown = 20;
    std::size_t count = 0;
    std::string lines;
    ForEachOutOfRange(model, [&](const SettingsFileField& f, int item, int value) {
        if (count++ < kShown) {
            const SettingRangeProblem p = MakeProblem(f, item, value);
            lines += "\n" + std::to_string(p.line) + " 行目: " + OutOfRangeLine(p);
        }
        return false;
    });
    if (count == 0) return {};
    std::string text = "このファイルには機器が持てない値が " + std::to_string(count) +
                       " 個あります。ファイルのまま読み込みました。\n"
                       "送信する前に、各設定の画面で値を選び直してください。\n" + lines;
    if (count > kShown) text += "\nほか " + std::to_string(count - kShown) + " 個";
    return text;
}

}  // namespace tvx
