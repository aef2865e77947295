// The three dialogs with one list and one "設定" per display position: "表示ページ切換え"
// (the page shown now), "スタートアップの設定" (the page shown at start-up) and
// "表示位置微調整" (the fine position offset). A choice is stored at once; each "設定" sends
// its position's value immediately. A PositionLists row says what differs.
#pragma once

#include <string>

#include "dialogs/frame.h"
#include "model/context.h"
#include "model/settings_model.h"

namespace tvx {

struct PositionLists {
    FrameDialog dialog;
    int (SettingsModel::*values)[kPositionCount];
    int items;  // item index = value
    std::string (*item_text)(int);
    bool (*send)(CoreContext& c, int position);
};

extern const PositionLists kPageSwitchingLists;
extern const PositionLists kStartupLists;
extern const PositionLists kPositionAdjustLists;

constexpr int kOffsetItems = 16;  // "00".."15"

// The item to select in the list of a position, or -1 when the model holds a value the list
// lacks.
int PositionListSelection(const PositionLists& lists, const SettingsModel& model, int position);
// A choice from the list of a position; nothing is sent. False for no choice (-1).
bool OnPositionListSelected(const PositionLists& lists, SettingsModel& model, int position,
                            int index);
// The "設定" of a position: sent at once, with no link or sequence check (the send itself
// reports a missing TCP/IP connection).
bool OnPositionSet(const PositionLists& lists, CoreContext& c, int position);

}  // namespace tvx
