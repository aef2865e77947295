/*
 * The main menu's command table.
 *
 * One row per command id: the function that opens its dialog (declared in the dialog's own
 * header) or runs its command, and two marks: RS-232C only (with TCP/IP the user is told to
 * switch the interface instead) and retitle (the main window title follows tcp_role after the
 * dialog closes). A dialog added later adds its row here. Runs on the user-interface thread;
 * every dialog is modal and owned by the main window, except the communication log's window.
 */
#include "app/menu_commands_win.h"

#include "app/about_win.h"
#include "app/main_window_win.h"
#include "winbase/program_win.h"
#include "dialogs/bulk_transfer_win.h"
#include "dialogs/connection_win.h"
#include "dialogs/network_settings_win.h"
#include "dialogs/char_level_win.h"
#include "dialogs/comm_log_win.h"
#include "dialogs/remote_control_win.h"
#include "dialogs/slave_address_win.h"
#include "dialogs/title_csv_menu.h"
#include "dialogs/title_setting_win.h"
#include "glyphs/glyph_insert_win.h"
#include "glyphs/glyph_list_win.h"
// Display dialogs.
#include "dialogs/page_grid_win.h"
#include "dialogs/page_view_win.h"
#include "dialogs/position_lists_win.h"
#include "model/config.h"
#include "model/file_commands.h"
#include "res/resource.h"

namespace tvx {

namespace {

void FileNewCommand(HWND) {
    FileNew(ProgramContext());
}

void FileOpenCommand(HWND main) {
    FileOpen(ProgramContext(), ProgramFileSystem());
    InvalidateRect(main, nullptr, TRUE);
}

void FileSaveCommand(HWND main) {
    FileSave(ProgramContext(), ProgramFileSystem());
    InvalidateRect(main, nullptr, TRUE);
}

void FileSaveAsCommand(HWND main) {
    FileSaveAs(ProgramContext(), ProgramFileSystem());
    InvalidateRect(main, nullptr, TRUE);
}

void TitlesCsvImportCommand(HWND) {
    FileImportTitlesCsv(ProgramContext(), ProgramFileSystem());
}

void TitlesCsvExportCommand(HWND) {
    FileExportTitlesCsv(ProgramContext(), ProgramFileSystem());
}

void ExitCommand(HWND main) {
    RunExitProcedure(main);
}

// "応答を待って送る（高速）": the check mark follows when the menu next opens.
void ReplyPacedCommand(HWND) {
    CoreContext& c = ProgramContext();
    c.app.reply_paced_runs = c.app.reply_paced_runs == 1 ? 0 : 1;
    WriteReplyPacedKey(c.app, ProgramIniStore());
}

struct MenuCommand {
    int id;
    void (*run)(HWND main);
    bool rs232c_only;
    bool retitle;
};

constexpr MenuCommand kMenuCommands[] = {
    {IDM_FILE_NEW, FileNewCommand, false, false},
    {IDM_FILE_OPEN, FileOpenCommand, false, false},
    {IDM_FILE_SAVE, FileSaveCommand, false, false},
    {IDM_FILE_SAVE_AS, FileSaveAsCommand, false, false},
    {IDM_TITLES_CSV_IMPORT, TitlesCsvImportCommand, false, false},
    {IDM_TITLES_CSV_EXPORT, TitlesCsvExportCommand, false, false},
    {IDM_APP_EXIT, ExitCommand, false, false},
    {IDM_CHARACTER_LEVEL, OpenCharLevelDialog, false, false},
    {IDM_DEVICE_SLAVE_ADDRESS, OpenDeviceSlaveAddressDialog, true, false},
    {IDM_INTERFACE_SETTING, OpenInterfaceDialog, false, false},
    {IDM_RS232C_SETTING, OpenComPortDialog, false, false},
    {IDM_CLIENT_SERVER, OpenClientServerDialog, false, true},
    {IDM_TCPIP_SETTING, OpenTcpIpDialog, false, false},
    {IDM_PROTOCOL_SETTING, OpenNetworkSettingsDialog, true, false},
    {IDM_SET_ALL_ITEMS, OpenSetAllDialog, false, false},
    {IDM_READ_BACK, OpenReadBackDialog, false, false},
    {IDM_VERSION_INFO, OpenVersionDialog, false, false},
    {IDM_ABOUT_GLYPHS, OpenAboutGlyphsDialog, false, false},
    {IDM_REPLY_PACED, ReplyPacedCommand, false, false},
    {IDM_REMOTE_CONTROL, OpenRemoteControlDialog, false, false},
    // The communication log's window (modeless).
    {IDM_COMM_LOG, OpenCommLogWindow, false, false},
    // Title setting.
    {IDM_TITLE_SETTING, OpenTitleSettingDialog, false, false},
    // External characters: the list (and through it the editor) and the insertion.
    {IDM_GLYPH_LIST, OpenGlyphListDialog, false, false},
    {IDM_GLYPH_INSERT, OpenGlyphInsertDialog, false, false},
    // Pictures of pages.
    {IDM_PAGE_VIEW, OpenPageViewDialog, false, false},
    // Display dialogs.
    {IDM_DISPLAY_PAGE_SWITCH, OpenPageSwitchingDialog, false, false},
    {IDM_TITLE_DISPLAY, OpenTitleDisplayDialog, false, false},
    {IDM_PAGE_ASSIGNMENT, OpenPageAssignmentDialog, false, false},
    {IDM_AUTO_SWITCHING, OpenAutoSwitchingDialog, false, false},
    {IDM_STARTUP_SETTING, OpenStartupDialog, false, false},
    {IDM_POSITION_ADJUST, OpenPositionAdjustDialog, false, false},
};

}  // namespace

void RunMenuCommand(HWND main, int command_id) {
    for (const MenuCommand& command : kMenuCommands) {
        if (command.id != command_id) continue;
        CoreContext& c = ProgramContext();
        if (command.rs232c_only && c.app.interface_type != 0) {
            // The network settings dialog refuses with the stop icon, the others with the
            // exclamation mark.
            c.prompts.ShowErrorBox(
                "インターフェイスをRS-232Cにしてください。",
                command_id == IDM_PROTOCOL_SETTING ? BoxIcon::Stop : BoxIcon::Exclamation);
            return;
        }
        if (command.run) command.run(main);
        if (command.retitle) RetitleMainWindow(main);
        return;
    }
}

}  // namespace tvx
