#include "dialogs/page_grid.h"

#include "runs/display_sends.h"

namespace tvx {

namespace {

constexpr int kPreviewPages = 24;
constexpr int kPreviewRows = 8;
constexpr int kSecondsItems = 100;

bool InRange(int value, int count) {
    return value >= 0 && value < count;
}

int* SelectedValue(const PageGrid& g, SettingsModel& model, const AppState& app) {
    if (!InRange(app.selected_position_index, kPositionCount) ||
        !InRange(app.selected_page_index, kPageCount))
        return nullptr;
    return &(model.*g.values)[app.selected_position_index][app.selected_page_index];
}

}  // namespace

std::string DisplayFlagItemText(int index) {
    if (index == 0) return "OFF";
    if (index == 1) return "ON ";
    return {};
}

const PageGrid kTitleDisplayGrid = {
    .dialog = FrameDialog::TitleDisplay,
    .values = &SettingsModel::page_display_on,
    .value_items = 2,
    .value_item_text = DisplayFlagItemText,
    .same_choice = &AppState::same_display_choice,
    .preview_column_px = 150,
    .send = SendTitleDisplayFlags,
    .sequence = {.steps = 4, .timer_id = 3, .period_ms = 500},
    .progress_max = 3,
};

const PageGrid kPageAssignmentGrid = {
    .dialog = FrameDialog::PageAssignment,
    .values = &SettingsModel::page_title_number,
    .value_items = kNumberItems,
    .value_item_text = NumberItemText,
    .value_selects_title = true,
    .preview_prefix = "T",
    .preview_column_px = 120,
    .send = SendPageAssignment,
    // Four positions and a closing tick that sends nothing, so that the answer to the last
    // command still comes during the run; any error ends the run in its own tick.
    .sequence = {.steps = 5,
                 .timer_id = 12,
                 .period_ms = 2600,
                 .confirm = true,
                 .reset_progress_on_error = true,
                 .end_in_failing_tick = true},
    .progress_max = 4,
};

const PageGrid kAutoSwitchingGrid = {
    .dialog = FrameDialog::AutoSwitching,
    .values = &SettingsModel::page_switch_seconds,
    .value_items = kSecondsItems,
    .value_item_text = TwoDigitItemText,
    .same_choice = &AppState::same_time_choice,
    .preview_suffix = " 秒",
    .preview_column_px = 120,
    .send = SendAutoSwitchTimes,
    .refusal_skips_position = true,
    .sequence = {.steps = 4, .timer_id = 4, .period_ms = 1200},
    .progress_max = 3,
};

PageGridSelection PageGridSelections(const PageGrid& g, const SettingsModel& model,
                                     const AppState& app) {
    PageGridSelection s;
    if (InRange(app.selected_position_index, kPositionCount))
        s.position = app.selected_position_index;
    if (InRange(app.selected_page_index, kPageCount)) s.page = app.selected_page_index;
    if (s.position >= 0 && s.page >= 0) {
        int value = (model.*g.values)[s.position][s.page];
        if (InRange(value, g.value_items)) s.value = value;
    }
    if (g.same_choice && InRange(app.*g.same_choice, g.value_items)) s.same = app.*g.same_choice;
    return s;
}

bool OnGridPositionSelected(AppState& app, int index) {
    if (!InRange(index, kPositionCount)) return false;
    app.selected_position_index = index;
    return true;
}

bool OnGridPageSelected(AppState& app, int index) {
    if (!InRange(index, kPageCount)) return false;
    app.selected_page_index = index;
    return true;
}

bool OnGridValueSelected(const PageGrid& g, SettingsModel& model, AppState& app, int index) {
    int* value = SelectedValue(g, model, app);
    if (!value || !InRange(index, g.value_items)) return false;
    *value = index;
    if (g.value_selects_title) app.selected_title_index = index;
    return true;
}

bool OnGridSameSelected(const PageGrid& g, SettingsModel& model, AppState& app, int index) {
    if (!g.same_choice || !InRange(index, g.value_items) ||
        !InRange(app.selected_position_index, kPositionCount))
        return false;
    app.*g.same_choice = index;
    for (int& value : (model.*g.values)[app.selected_position_index]) value = index;
    return true;
}

std::vector<PreviewTextLine> PageGridPreview(const PageGrid& g, const SettingsModel& model,
                                             const AppState& app) {
    std::vector<PreviewTextLine> lines;
    int p = app.selected_position_index;
    if (!InRange(p, kPositionCount) || !InRange(app.selected_page_index, kPageCount)) return lines;
    int first = app.selected_page_index / kPreviewPages * kPreviewPages;
    for (int i = 0; i < kPreviewPages && first + i < kPageCount; ++i) {
        std::string value = g.value_item_text((model.*g.values)[p][first + i]);
        if (value.empty()) value = "?";  // a value from a damaged file that no item stands for
        PreviewTextLine line;
        line.x = 20 + g.preview_column_px * (i / kPreviewRows);
        line.y = 10 + 20 * (i % kPreviewRows);
        line.text = "P" + NumberItemText(first + i) + " = ";
        line.text.append(g.preview_prefix).append(value).append(g.preview_suffix);
        lines.push_back(std::move(line));
    }
    return lines;
}

bool OnGridSet(const PageGrid& g, CoreContext& c) {
    if (!GuardedSendAllowed(c.app)) return false;
    return g.send(c, c.app.selected_position_index);
}

bool GridSequenceStep(const PageGrid& g, CoreContext& c, int k) {
    if (k < 1 || k > kPositionCount) return true;
    bool sent = g.send(c, k - 1);
    return sent || g.refusal_skips_position;
}

}  // namespace tvx
