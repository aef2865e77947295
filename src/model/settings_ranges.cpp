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
            p.range = FieldNumberText(f, f.low) + "～" + FieldNumberText(f, f.high);
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

bool FindCommandValueOutOfRange(const SettingsModel& model, std::string_view field, int position,
                                SettingRangeProblem& problem) {
    bool any = false;
    ForEachOutOfRange(model, [&](SettingRangeProblem p) {
        if (p.field != field || p.position != position) return false;
        problem = std::move(p);
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

std::string OutOfRangeFileText(const std::vector<SettingRangeProblem>& problems) {
    constexpr std::size_t kShown = 20;
    if (problems.empty()) return {};
    std::string text = "このファイルには機器が持てない値が " + std::to_string(problems.size()) +
                       " 個あります。ファイルのまま読み込みました。\n"
                       "送信する前に、各設定の画面で値を選び直してください。\n";
    for (std::size_t i = 0; i < problems.size() && i < kShown; ++i) {
        text += "\n" + std::to_string(problems[i].line) + " 行目: " + OutOfRangeLine(problems[i]);
    }
    if (problems.size() > kShown)
        text += "\nほか " + std::to_string(problems.size() - kShown) + " 個";
    return text;
}

}  // namespace tvx
