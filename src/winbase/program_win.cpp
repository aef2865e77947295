/*
 * The program's objects and the seams that tie the core to Win32.
 *
 * Owns: the one SettingsModel, AppState, SocketLinkState and communication log (static, never
 * freed; the log is stamped with the local time and sees every error box), the forwarding
 * seams handed to the core in ProgramContext() (their targets are the message boxes of
 * prompts_win, the transports of the link layer, the ini store and file system of this folder,
 * or the recorders a test installs), the instance handle and the main window handle.
 * Threads: user-interface thread only.
 */
#include "winbase/program_win.h"

#include "model/remote_hold.h"
#include "model/run_pace.h"

#include "winbase/prompts_win.h"
#include "winbase/file_system_win.h"
#include "winbase/ini_store_win.h"
#include "model/socket_state.h"
#include "model/settings_model.h"
#include "protocol/frame_log.h"

namespace {

tvx::SettingsModel g_model;
tvx::AppState g_app;
tvx::SocketLinkState g_sockets;
tvx::CommLog StampedLog() {
    tvx::CommLog log;
    log.clock = LocalLogTime;
    log.words = tvx::LogWords::Japanese;  // the program's screens are Japanese
    return log;
}
tvx::CommLog g_comm_log = StampedLog();
HINSTANCE g_instance = nullptr;
HWND g_main_window = nullptr;

// Hands every prompt to the program's message boxes or to a test's recorder. Every error box
// goes into the communication log as it opens.
struct ForwardingPrompts : tvx::Prompts {
    tvx::Prompts* target = nullptr;
    tvx::Prompts& T() { return target ? *target : tvx::WindowsPrompts(); }
    void ShowErrorBox(std::string_view text, tvx::BoxIcon icon) override {
        tvx::LogBoxShown(&g_comm_log, text);
        T().ShowErrorBox(text, icon);
    }
    void ShowSuccessBox(std::string_view text) override { T().ShowSuccessBox(text); }
    void ShowSetComplete() override { T().ShowSetComplete(); }
    void ShowAcknowledgement(tvx::WindowHandle owner) override { T().ShowAcknowledgement(owner); }
    bool ConfirmNotAutoSwitching(tvx::WindowHandle owner) override {
        return T().ConfirmNotAutoSwitching(owner);
    }
    bool AskYesNo(std::string_view text, std::string_view caption,
                  tvx::WindowHandle owner = 0) override {
        return T().AskYesNo(text, caption, owner);
    }
    void ShowPlainBox(std::string_view text, std::string_view caption, bool icon_stop) override {
        tvx::LogBoxShown(&g_comm_log, text);
        T().ShowPlainBox(text, caption, icon_stop);
    }
    bool AskFileName(tvx::FileDialogKind kind, std::string& path_out) override {
        return T().AskFileName(kind, path_out);
    }
    void PaintGlyphGrid(tvx::WindowHandle dialog) override { T().PaintGlyphGrid(dialog); }
    void RedrawFileName() override { T().RedrawFileName(); }
};

struct ForwardingLink : tvx::Link {
    tvx::Link* target = nullptr;
    tvx::Link& T() { return target ? *target : tvx::ProgramTransports(); }
    void WriteSerial(const char* bytes, std::size_t length) override {
        T().WriteSerial(bytes, length);
    }
    bool SocketSendFrame(std::uintptr_t socket, const char* bytes, std::size_t length) override {
        return T().SocketSendFrame(socket, bytes, length);
    }
    bool ReceiveAnswer(std::uintptr_t socket) override { return T().ReceiveAnswer(socket); }
};

ForwardingPrompts g_prompts;
// In front of them, so that no box opens for a remote request.
tvx::HoldingPrompts g_holding{g_prompts, g_app};
ForwardingLink g_link;
tvx::FileSystem* g_file_system_override = nullptr;
tvx::IniStore* g_ini_store_override = nullptr;

}  // namespace

void PostRunPaceTick(tvx::AppState& app) {
    if (!tvx::TakeRunPaceTick(app) || app.run_pace.dialog == 0) return;
    // A posted tick comes before the next timer tick and still lets paints and input through.
    PostMessageW(reinterpret_cast<HWND>(app.run_pace.dialog), WM_TIMER,
                 static_cast<WPARAM>(app.run_pace.timer_id), 0);
}

tvx::CoreContext& ProgramContext() {
    static tvx::CoreContext context{g_model, g_app, g_sockets, g_holding, g_link, &g_comm_log};
    return context;
}


tvx::CommLog& ProgramCommLog() {
    return g_comm_log;
}

tvx::IniStore& ProgramIniStore() {
    if (g_ini_store_override) return *g_ini_store_override;
    return tvx::ConfigurationIniStore();
}

tvx::FileSystem& ProgramFileSystem() {
    if (g_file_system_override) return *g_file_system_override;
    static tvx::WinFileSystem file_system;
    return file_system;
}

tvx::LogTime LocalLogTime() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

HINSTANCE ProgramInstance() {
    return g_instance ? g_instance : GetModuleHandleW(nullptr);
}
void SetProgramInstance(HINSTANCE instance) {
    g_instance = instance;
}
HWND MainWindow() {
    return g_main_window;
}
void SetMainWindow(HWND window) {
    g_main_window = window;
}

void SetProgramPrompts(tvx::Prompts* prompts) {
    g_prompts.target = prompts;
}
void SetProgramLink(tvx::Link* link) {
    g_link.target = link;
}
void SetProgramFileSystem(tvx::FileSystem* file_system) {
    g_file_system_override = file_system;
}
void SetProgramIniStore(tvx::IniStore* store) {
    g_ini_store_override = store;
}
