/*
 * The dialog "文字レベルの設定".
 *
 * A modal dialog from the template IDD_CHAR_LEVEL, run on the user-interface thread over the
 * program's objects (ProgramContext). Combo changes go to the model at once; each "設定" sends
 * its level immediately through SendCommand. Socket answers (MSG_SOCKET_REPLY) go to the reply
 * handling one piece at a time. It owns no state of its own.
 */
#include "dialogs/char_level_win.h"

#include "winbase/program_win.h"
#include "dialogs/char_level.h"
#include "dialogs/frame_win.h"
#include "res/resource.h"

namespace tvx {

namespace {

void FillLevelCombos(HWND dialog, CoreContext& c) {
    FillCombo(dialog, IDC_WHITE_LEVEL, LevelItemText, kLevelItems);
    FillCombo(dialog, IDC_EDGE_LEVEL, LevelItemText, kLevelItems);
    SelectComboIndex(dialog, IDC_WHITE_LEVEL, LevelSelection(c.model.white_level));
    SelectComboIndex(dialog, IDC_EDGE_LEVEL, LevelSelection(c.model.edge_level));
}

INT_PTR OnCommand(HWND dialog, CoreContext& c, int id, int code) {
    switch (id) {
        case IDC_WHITE_LEVEL:
            if (code == CBN_SELCHANGE) {
                OnWhiteLevelSelected(c.model, ComboSelection(dialog, IDC_WHITE_LEVEL));
            }
            return TRUE;
        case IDC_EDGE_LEVEL:
            if (code == CBN_SELCHANGE) {
                OnEdgeLevelSelected(c.model, ComboSelection(dialog, IDC_EDGE_LEVEL));
            }
            return TRUE;
        case IDC_WHITE_LEVEL_SET:
            if (code == BN_CLICKED) SendWhiteLevel(c);
            return TRUE;
        case IDC_EDGE_LEVEL_SET:
            if (code == BN_CLICKED) SendEdgeLevel(c);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK CharLevelDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    CoreContext& c = ProgramContext();
    if (message == WM_INITDIALOG) {
        InitDialogFrame(dialog, c, FrameDialog::CharLevel, AddressPrefix::On, FillLevelCombos);
        return TRUE;
    }
    INT_PTR result = FALSE;
    if (OnFrameMessage(dialog, message, wparam, c, 0, result)) return result;
    if (message == WM_COMMAND) return OnCommand(dialog, c, LOWORD(wparam), HIWORD(wparam));
    return FALSE;
}

}  // namespace

void OpenCharLevelDialog(HWND owner) {
    DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(IDD_CHAR_LEVEL), owner, CharLevelDialogProc,
                    0);
}

}  // namespace tvx
