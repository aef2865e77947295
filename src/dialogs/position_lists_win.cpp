/*
 * The dialogs "表示ページ切換え", "スタートアップの設定" and "表示位置微調整".
 *
 * One procedure serves the three templates, which share their control ids: one list and one
 * "設定" per display position. The rules of each (its model field, items and command) are a
 * PositionLists row (dialogs/position_lists.h), handed over through DialogBoxParamW and kept
 * in DWLP_USER. Runs on the user-interface thread over the program's objects
 * (ProgramContext); no timer, no sequence, no preview.
 */
#include "dialogs/position_lists_win.h"

#include "dialogs/frame_win.h"
#include "dialogs/position_lists.h"
#include "res/resource.h"
#include "winbase/program_win.h"

namespace tvx {

namespace {

constexpr int kListIds[kPositionCount] = {IDC_POSITION_LIST_0, IDC_POSITION_LIST_1,
                                          IDC_POSITION_LIST_2, IDC_POSITION_LIST_3};
constexpr int kSetIds[kPositionCount] = {IDC_POSITION_SET_0, IDC_POSITION_SET_1, IDC_POSITION_SET_2,
                                         IDC_POSITION_SET_3};

const PositionLists& ListsOf(HWND dialog) {
    return *reinterpret_cast<const PositionLists*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// The display position whose control this is, or -1.
int PositionOf(const int (&ids)[kPositionCount], int id) {
    for (int p = 0; p < kPositionCount; ++p) {
        if (ids[p] == id) return p;
    }
    return -1;
}

void FillPositionLists(HWND dialog, CoreContext& c) {
    const PositionLists& lists = ListsOf(dialog);
    for (int p = 0; p < kPositionCount; ++p) {
        FillCombo(dialog, kListIds[p], lists.item_text, lists.items);
        SelectComboIndex(dialog, kListIds[p], PositionListSelection(lists, c.model, p));
    }
}

INT_PTR OnCommand(HWND dialog, CoreContext& c, int id, int code) {
    const PositionLists& lists = ListsOf(dialog);
    if (int p = PositionOf(kListIds, id); p >= 0) {
        if (code == CBN_SELCHANGE)
            OnPositionListSelected(lists, c.model, p, ComboSelection(dialog, id));
        return TRUE;
    }
    if (int p = PositionOf(kSetIds, id); p >= 0) {
        if (code == BN_CLICKED) OnPositionSet(lists, c, p);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK PositionListsDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    CoreContext& c = ProgramContext();
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lparam);
        InitDialogFrame(dialog, c, ListsOf(dialog).dialog, AddressPrefix::On, FillPositionLists);
        return TRUE;
    }
    if (GetWindowLongPtrW(dialog, DWLP_USER) == 0) return FALSE;
    INT_PTR result = FALSE;
    if (OnFrameMessage(dialog, message, wparam, c, 0, result)) return result;
    if (message == WM_COMMAND) return OnCommand(dialog, c, LOWORD(wparam), HIWORD(wparam));
    return FALSE;
}

void OpenPositionListsDialog(HWND owner, int template_id, const PositionLists& lists) {
    DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(template_id), owner,
                    PositionListsDialogProc, reinterpret_cast<LPARAM>(&lists));
}

}  // namespace

void OpenPageSwitchingDialog(HWND owner) {
    OpenPositionListsDialog(owner, IDD_PAGE_SWITCHING, kPageSwitchingLists);
}

void OpenStartupDialog(HWND owner) {
    OpenPositionListsDialog(owner, IDD_STARTUP, kStartupLists);
}

void OpenPositionAdjustDialog(HWND owner) {
    OpenPositionListsDialog(owner, IDD_POSITION_ADJUST, kPositionAdjustLists);
}

}  // namespace tvx
