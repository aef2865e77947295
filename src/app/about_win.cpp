/*
 * The version dialog and the notes on external characters.
 *
 * Both are modal (DialogBoxParamW) from the resources, owned by the window given. The version
 * dialog opens like every feature dialog: it becomes active_dialog, records the window active
 * before it as reply_owner_window, clears the corner gesture count, turns the address prefix on
 * and names the selected connection in its title; a socket answer that reaches it is read like
 * in every other dialog.
 */
#include "app/about_win.h"

#include "winbase/program_win.h"
#include "winbase/text_win.h"
#include "dialogs/frame.h"
#include "dialogs/frame_win.h"
#include "res/resource.h"

namespace tvx {

namespace {

INT_PTR CALLBACK VersionDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    if (HandleSocketReplyMessage(message, ProgramContext())) return TRUE;
    switch (message) {
        case WM_INITDIALOG: {
            CoreContext& c = ProgramContext();
            BeginDialogFrame(c.app, reinterpret_cast<WindowHandle>(dialog));
            SettleDialogFrame(c.app, reinterpret_cast<WindowHandle>(GetActiveWindow()),
                              AddressPrefix::On);
            std::string title;
            if (ConnectionTitle(FrameDialog::Version, c.app, c.sockets, title)) {
                SetWindowTextW(dialog, Utf8ToWide(title).c_str());
            }
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wparam)) {
                case IDOK:
                case IDCANCEL:
                    EndDialog(dialog, LOWORD(wparam));
                    return TRUE;
                default:
                    break;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

INT_PTR CALLBACK AboutGlyphsDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wparam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

}  // namespace

void OpenVersionDialog(HWND owner) {
    DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(IDD_VERSION), owner, VersionDialogProc, 0);
}

void OpenAboutGlyphsDialog(HWND owner) {
    DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(IDD_ABOUT_GLYPHS), owner,
                    AboutGlyphsDialogProc, 0);
}

}  // namespace tvx
