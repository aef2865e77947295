/*
 * wWinMain: the single-instance check, the main window, the model reset, the configuration,
 * the communication log's day files, the serial link, the remote interface, the offer of titles
 * a session end kept, and the message loop.
 *
 * The named mutex "TVX5870_Mutex" is held until the process ends. Everything else lives in
 * program_win (objects) and main_window_win (the window). The serial read thread started here
 * is stopped by the exit procedure.
 */
#include <windows.h>

#include "app/main_window_win.h"
#include "app/session_end_win.h"
#include "dialogs/comm_log_win.h"
#include "winbase/program_win.h"
#include "winbase/single_instance_win.h"
#include "link/serial_win.h"
#include "link/socket_win.h"
#include "model/socket_state.h"
#include "model/config.h"
#include "model/settings_model.h"
#include "remote/remote_server_win.h"

namespace {

void ShowDoubleStartBox() {
    MessageBoxW(nullptr, L"２重に起動はできません", L"TVX-5870", MB_OK);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR, int) {
    SetProgramInstance(instance);

    HANDLE mutex = nullptr;
    if (tvx::AnotherCopyRuns(tvx::kMutexName, mutex)) {
        ShowDoubleStartBox();
        return 0;
    }

    tvx::InitProgramControls();
    if (!previous && !tvx::RegisterMainWindowClass(instance)) return 0;
    HWND main = tvx::CreateMainWindow(instance);
    if (!main) return 0;

    tvx::CoreContext& c = ProgramContext();
    tvx::ResetClientSlots(c.sockets);
    tvx::ResetToDefaults(c.model, c.app);
    c.app.socket_connected = 0;
    tvx::ReadConfiguration(c.app, ProgramIniStore());
    tvx::RetitleMainWindow(main);
    // The day files first, so that they see the port open.
    tvx::StartCommLogFiles();
    if (c.app.interface_type == 0) tvx::StartSerialLink(c, main, MSG_SERIAL_LINE);
    tvx::LoadServerHostGuard(ProgramIniStore());
    tvx::StartRemoteControl(main);
    // Titles a Windows session end kept for the user; a save of them removes them.
    static const tvx::RecoveryFiles recovery = tvx::ProgramRecoveryFiles();
    c.recovery = &recovery;
    tvx::OfferSessionRecovery(main);

    MSG msg;
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) break;
        // The communication log's window is modeless: its keys (Tab, Esc) need the dialog manager.
        HWND log_window = tvx::CommLogWindow();
        if (log_window && IsDialogMessageW(log_window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return got == 0 ? static_cast<int>(msg.wParam) : 0;
}
