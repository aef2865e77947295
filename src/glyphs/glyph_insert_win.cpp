/*
 * The dialog "外字挿入".
 *
 * A modal dialog from the template IDD_GLYPH_INSERT, run on the user-interface thread over the
 * program's objects. List changes go to the shared selections at once; "設定" sends the G
 * command immediately; Enter (the OK id) closes like "Close". Socket answers
 * (MSG_SOCKET_REPLY) go to the reply handling. It owns no state of its own.
 */
#include "glyphs/glyph_insert_win.h"

#include "dialogs/frame_win.h"
#include "dialogs/title_setting.h"
#include "glyphs/glyph_editor.h"
#include "glyphs/glyph_insert.h"
#include "glyphs/glyph_window_win.h"
#include "res/resource.h"
#include "winbase/program_win.h"

namespace tvx {

namespace {

void FillInsertControls(HWND dialog, CoreContext& c) {
    FillCombo(dialog, IDC_GLYPH_INSERT_POSITION, InsertPositionItemText, kInsertPositions);
    FillCombo(dialog, IDC_GLYPH_NUMBER, RegisterNumberItemText, kRegisterNumbers);
    FillCombo(dialog, IDC_GLYPH_INSERT_TITLE, TitleNumberItemText, kTitleCount);
    SelectComboIndex(dialog, IDC_GLYPH_INSERT_TITLE, TitleNumberSelection(c.app));
    SelectComboIndex(dialog, IDC_GLYPH_NUMBER, RegisterNumberSelection(c.app));
    SelectComboIndex(dialog, IDC_GLYPH_INSERT_POSITION,
                     InsertPositionSelection(ProgramGlyphState()));
}

void OnSelectionChange(HWND dialog, CoreContext& c, int id) {
    const int index = ComboSelection(dialog, id);
    switch (id) {
        case IDC_GLYPH_INSERT_TITLE:
            OnTitleNumberSelected(c.app, index);
            break;
        case IDC_GLYPH_NUMBER:
            OnRegisterNumberSelected(c.app, index);
            break;
        case IDC_GLYPH_INSERT_POSITION:
            OnInsertPositionSelected(ProgramGlyphState(), index);
            break;
        case IDC_SLAVE_ADDRESS:
            OnSlaveAddressComboChange(dialog, c.app);
            break;
        default:
            break;
    }
}

INT_PTR OnCommand(HWND dialog, CoreContext& c, int id, int code) {
    switch (id) {
        case IDC_GLYPH_INSERT_TITLE:
        case IDC_GLYPH_NUMBER:
        case IDC_GLYPH_INSERT_POSITION:
        case IDC_SLAVE_ADDRESS:
            if (code == CBN_SELCHANGE) OnSelectionChange(dialog, c, id);
            return TRUE;
        case IDC_GLYPH_INSERT_SET:
            if (code == BN_CLICKED) SendGlyphInsert(c, ProgramGlyphState());
            return TRUE;
        case IDOK:
        case IDCANCEL:
            if (code == BN_CLICKED) EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK GlyphInsertDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    CoreContext& c = ProgramContext();
    switch (message) {
        case WM_INITDIALOG:
            InitDialogFrame(dialog, c, FrameDialog::GlyphInsert, AddressPrefix::On,
                            FillInsertControls);
            return TRUE;
        case WM_COMMAND:
            return OnCommand(dialog, c, LOWORD(wparam), HIWORD(wparam));
        default:
            return HandleSocketReplyMessage(message, c) ? TRUE : FALSE;
    }
}

}  // namespace

void OpenGlyphInsertDialog(HWND owner) {
    DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(IDD_GLYPH_INSERT), owner,
                    GlyphInsertDialogProc, 0);
}

}  // namespace tvx
