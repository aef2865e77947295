// The three page-grid dialogs: "タイトル表示の設定" (on/off per page), "表示ページ割り付け"
// (title per page) and "自動切換えの設定" (seconds per page). Each edits one value per page and
// display position through the same controls: a "Channel Number" list, a "Page Number" combo,
// a value combo, in two of them a "Same ..." combo that sets all pages of the position; a
// preview of 24 pages; a guarded "設定" for the selected position and a "全設定" run over the
// four positions. The rules are the same; a PageGrid row says what differs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dialogs/frame.h"
#include "model/context.h"
#include "model/settings_model.h"

namespace tvx {

struct PageGrid {
    FrameDialog dialog = FrameDialog::TitleDisplay;
    int (SettingsModel::*values)[kPositionCount][kPageCount] = nullptr;
    int value_items = 0;                            // items of the value combo; index = value
    std::string (*value_item_text)(int) = nullptr;  // and of the "Same ..." combo
    int AppState::*same_choice = nullptr;           // the "Same ..." combo's last choice
    bool value_selects_title = false;      // a chosen value also becomes selected_title_index
    std::string_view preview_prefix = {};  // before the value's item text in a preview line
    std::string_view preview_suffix = {};  // after it
    int preview_column_px = 0;             // distance of the preview's three columns
    bool (*send)(CoreContext& c, int position) = nullptr;
    bool refusal_skips_position = false;  // in "全設定" a position the send refused is passed
    SequenceParams sequence;
    int progress_max = 0;
};

extern const PageGrid kTitleDisplayGrid;
extern const PageGrid kPageAssignmentGrid;
extern const PageGrid kAutoSwitchingGrid;

// "OFF", "ON " (with its blank): the items of "Display" and "Same Display".
std::string DisplayFlagItemText(int index);

// What the combos show: the selected position and page, the value of that page, and the
// "Same ..." choice; -1 where the model holds nothing the combo lists.
struct PageGridSelection {
    int position = -1;
    int page = -1;
    int value = -1;
    int same = -1;
};
PageGridSelection PageGridSelections(const PageGrid& g, const SettingsModel& model,
                                     const AppState& app);

// Choices from the lists; index -1 (text typed into a combo's edit field, no item chosen)
// changes nothing and returns false. After a true, the dialog shows PageGridSelections again
// and draws the preview.
bool OnGridPositionSelected(AppState& app, int index);
bool OnGridPageSelected(AppState& app, int index);
bool OnGridValueSelected(const PageGrid& g, SettingsModel& model, AppState& app, int index);
// Sets all 144 pages of the selected position (only that position) to the choice.
bool OnGridSameSelected(const PageGrid& g, SettingsModel& model, AppState& app, int index);

// The preview: the block of 24 pages holding the selected page, in three columns of eight,
// read down the columns ("P025 = ON ", "P001 = T001", "P001 = 02 秒").
std::vector<PreviewTextLine> PageGridPreview(const PageGrid& g, const SettingsModel& model,
                                             const AppState& app);

// "設定": the guarded single send of the selected position. True when a command went out.
bool OnGridSet(const PageGrid& g, CoreContext& c);
// Step k of "全設定": positions 0..3 at steps 1..4; the page assignment dialog's fifth step
// sends nothing.
bool GridSequenceStep(const PageGrid& g, CoreContext& c, int k);

}  // namespace tvx
