#include "dialogs/position_lists.h"

#include "runs/display_sends.h"

namespace tvx {

namespace {

bool InRange(int value, int count) {
    return value >= 0 && value < count;
}

}  // namespace

const PositionLists kPageSwitchingLists = {FrameDialog::PageSwitching, &SettingsModel::display_page,
                                           kPageItems, PageItemText, SendDisplayPage};
const PositionLists kStartupLists = {FrameDialog::Startup, &SettingsModel::startup_page, kPageItems,
                                     PageItemText, SendStartupPage};
const PositionLists kPositionAdjustLists = {FrameDialog::PositionAdjust,
                                            &SettingsModel::position_offset, kOffsetItems,
                                            TwoDigitItemText, SendPositionOffset};

int PositionListSelection(const PositionLists& lists, const SettingsModel& model, int position) {
    if (!InRange(position, kPositionCount)) return -1;
    int value = (model.*lists.values)[position];
    return InRange(value, lists.items) ? value : -1;
}

bool OnPositionListSelected(const PositionLists& lists, SettingsModel& model, int position,
                            int index) {
    if (!InRange(position, kPositionCount) || !InRange(index, lists.items)) return false;
    (model.*lists.values)[position] = index;
    return true;
}

bool OnPositionSet(const PositionLists& lists, CoreContext& c, int position) {
    if (!InRange(position, kPositionCount)) return false;
    return lists.send(c, position);
}

}  // namespace tvx
