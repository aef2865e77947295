/*
 * The main window of the program.
 *
 * Owns: the window class "TCP Server", the window procedure, the front-panel painting, timer 20
 * (the serial no-reply check), the corner gesture and the exit procedure. Menu commands go to
 * the table in menu_commands_win.cpp. A close from outside while a dialog, a box or a run is on
 * brings that window forward instead of ending the program; the window grows when larger
 * caption or menu text leaves the front panel too little room. Serial reply lines are announced
 * by the read thread with MSG_SERIAL_LINE and parsed here, on the user-interface thread, one
 * line at a time. The remote interface's requests (MSG_REMOTE_REQUEST) are run here too, and
 * its waiting request is answered after each drain of reply lines and each no-reply tick.
 * The session end (logoff, shutdown) is handled in session_end_win.cpp.
 * Threads: user-interface thread only. GDI objects are created, used and deleted within one
 * paint step.
 */
#include "app/main_window_win.h"

#include <commctrl.h>

#include "app/menu_commands_win.h"
#include "app/session_end_win.h"
#include "dialogs/comm_log_win.h"
#include "dialogs/frame_win.h"
#include "glyphs/glyph_list.h"
#include "glyphs/glyph_window_win.h"
#include "winbase/program_win.h"
#include "winbase/prompts_win.h"
#include "winbase/text_win.h"
#include "link/send.h"
#include "link/serial_win.h"
#include "link/socket_win.h"
#include "model/file_commands.h"
#include "remote/remote_server_win.h"
#include "res/resource.h"

namespace tvx {

namespace {

// The timer runs from creation (or, failing that, the first paint) until the exit procedure stops
// it; repaints do not restart it, so a stream of repaints cannot hold back the no-reply check.
bool g_timer_started = false;
bool g_exiting = false;

void FillStep(HDC dc, COLORREF colour, const RECT* rects, int count) {
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HBRUSH brush = CreateSolidBrush(colour);
    HGDIOBJ old_pen = SelectObject(dc, pen);
    HGDIOBJ old_brush = SelectObject(dc, brush);
    for (int i = 0; i < count; ++i) {
        Rectangle(dc, rects[i].left, rects[i].top, rects[i].right, rects[i].bottom);
    }
    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
    DeleteObject(brush);
    DeleteObject(pen);
}

void PaintFrontPanel(HDC dc, const AppState& app) {
    const RECT panel[] = {{0, 0, 630, 132}};
    FillStep(dc, RGB(255, 255, 204), panel, 1);
    const RECT feet[] = {{60, 133, 120, 150}, {510, 133, 570, 150}};
    FillStep(dc, RGB(34, 34, 34), feet, 2);

    HPEN line_pen = CreatePen(PS_SOLID, 3, RGB(80, 80, 80));
    HGDIOBJ old_pen = SelectObject(dc, line_pen);
    MoveToEx(dc, 12, 24, nullptr);
    LineTo(dc, 513, 24);
    MoveToEx(dc, 567, 24, nullptr);
    LineTo(dc, 618, 24);
    SelectObject(dc, old_pen);
    DeleteObject(line_pen);

    SetTextColor(dc, RGB(80, 80, 80));
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, 234, 2, L"TITLE GENERATOR", 15);
    TextOutW(dc, 519, 18, L"POWER", 5);
    const std::wstring name = FrontPanelFileNameText(app.current_file_name);
    TextOutW(dc, 124, 132, name.c_str(), static_cast<int>(name.size()));
}

// The front panel's client area: the panel to x 630, the feet to y 150 and the file name line
// from y 132 in the window's default font.
SIZE PanelClientSize(HWND window) {
    SIZE size = {631, 150};
    HDC dc = GetDC(window);
    if (dc) {
        TEXTMETRICW metrics = {};
        if (GetTextMetricsW(dc, &metrics) && 132 + metrics.tmHeight > size.cy) {
            size.cy = 132 + metrics.tmHeight;
        }
        ReleaseDC(window, dc);
    }
    return size;
}

// With larger caption or menu text (or a menu bar that wraps) the window's fixed outer size
// leaves too little client area: it grows by what the panel lacks, and by no more.
void FitClientToPanel(HWND window) {
    if (IsIconic(window)) return;
    RECT client = {}, outer = {};
    if (!GetClientRect(window, &client) || !GetWindowRect(window, &outer)) return;
    const SIZE need = PanelClientSize(window);
    const LONG grow_x = need.cx > client.right ? need.cx - client.right : 0;
    const LONG grow_y = need.cy > client.bottom ? need.cy - client.bottom : 0;
    if (grow_x == 0 && grow_y == 0) return;
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + grow_x,
                 outer.bottom - outer.top + grow_y, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A close from outside (Task Manager, taskkill, the taskbar) while a dialog, a box or a run is
// on must not cut it short: the window on top is brought to the front instead. True when so.
bool BringBusyWindowForward(HWND main, const AppState& app) {
    const bool busy = !IsWindowEnabled(main) || app.sequence_running != 0 ||
                      app.glyph_bulk_read_running != 0;
    if (!busy) return false;
    if (IsIconic(main)) ShowWindow(main, SW_RESTORE);
    HWND top = ProgramBoxOwner();
    if (top) {
        SetForegroundWindow(top);
        FLASHWINFO flash = {sizeof flash, top, FLASHW_ALL | FLASHW_TIMERNOFG, 3, 0};
        FlashWindowEx(&flash);
    }
    return true;
}

void StartNoReplyTimer(HWND window) {
    if (!g_timer_started && !g_exiting) {
        g_timer_started = SetTimer(window, kMainTimerId, kMainTimerPeriodMs, nullptr) != 0;
    }
}

void OnPaint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (dc) PaintFrontPanel(dc, ProgramContext().app);
    EndPaint(window, &ps);
    StartNoReplyTimer(window);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    CoreContext& c = ProgramContext();
    switch (message) {
        case WM_CREATE:
            c.app.read_thread_running = 1;
            // The window starts minimized and may never be painted: the no-reply check must run
            // from the start all the same.
            StartNoReplyTimer(window);
            return 0;
        case WM_PAINT:
            OnPaint(window);
            return 0;
        case WM_TIMER:
            if (wparam == kMainTimerId) {
                CheckSerialReplyTimeout(c);
                PollRemoteControl();
            } else {
                OnRemoteControlMessage(message, wparam, lparam);
            }
            return 0;
        case WM_CLOSE:
            if (!BringBusyWindowForward(window, c.app)) RunExitProcedure(window);
            return 0;
        case WM_SIZE:
            if (wparam == SIZE_RESTORED) FitClientToPanel(window);
            return 0;
        case WM_CONTEXTMENU:
            if (OnCornerClick(c.app, lparam)) RunMenuCommand(window, IDM_READ_BACK);
            return 0;
        case WM_INITMENUPOPUP:
            CheckMenuItem(GetMenu(window), IDM_REPLY_PACED,
                          MF_BYCOMMAND | (c.app.reply_paced_runs == 1 ? MF_CHECKED : MF_UNCHECKED));
            return 0;
        case WM_MENUSELECT:
            ApplyInterfaceMenuState(GetMenu(window), c.app.interface_type);
            InvalidateRect(window, nullptr, TRUE);
            return 0;
        case WM_COMMAND:
            RunMenuCommand(window, LOWORD(wparam));
            return 0;
        case MSG_SERIAL_LINE:
            DrainSerialLines(c);
            PollRemoteControl();
            return 0;
        case MSG_REMOTE_REQUEST:
        case MSG_REMOTE_REFUSED:
            OnRemoteControlMessage(message, wparam, lparam);
            return 0;
        case WM_QUERYENDSESSION:
            return OnQueryEndSession(window);
        case WM_ENDSESSION:
            OnEndSession(window, wparam != FALSE, (lparam & ENDSESSION_CLOSEAPP) != 0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

const wchar_t* MainWindowTitle(int tcp_role) {
    return tcp_role == 1 ? L"TVX-5870 Server Program" : L"TVX-5870 Client Program";
}

int MainWindowHeight(unsigned long major, unsigned long minor) {
    if (major == 6) return 200;
    if (major == 4) return 196;
    if (major == 5) return minor == 1 ? 205 : 196;
    return 205;
}

void TrueWindowsVersion(unsigned long& major, unsigned long& minor) {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    major = 0;
    minor = 0;
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto get_version = ntdll ? reinterpret_cast<RtlGetVersionFn>(
                                   reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                             : nullptr;
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (get_version && get_version(&info) == 0) {
        major = info.dwMajorVersion;
        minor = info.dwMinorVersion;
    }
}

bool OnCornerClick(AppState& app, LPARAM lparam) {
    const unsigned x = static_cast<unsigned>(lparam) & 0xFFFFu;
    const unsigned y = (static_cast<unsigned>(lparam) >> 16) & 0xFFFFu;
    if (x < kCornerSize && y < kCornerSize) {
        app.corner_click_count += 1;
    } else {
        app.corner_click_count = 0;
    }
    if (app.corner_click_count < kCornerClicksToOpen) return false;
    app.corner_click_count = 0;
    return true;
}

void ApplyInterfaceMenuState(HMENU menu, int interface_type) {
    if (!menu) return;
    const UINT serial = interface_type == 0 ? MF_ENABLED : MF_GRAYED;
    const UINT tcp = interface_type == 1 ? MF_ENABLED : MF_GRAYED;
    EnableMenuItem(menu, IDM_RS232C_SETTING, MF_BYCOMMAND | serial);
    EnableMenuItem(menu, IDM_CLIENT_SERVER, MF_BYCOMMAND | tcp);
    EnableMenuItem(menu, IDM_TCPIP_SETTING, MF_BYCOMMAND | tcp);
}

bool RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSW wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, L"MYICON");
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszMenuName = L"IDM_MENU";
    wc.lpszClassName = kMainWindowClass;
    return RegisterClassW(&wc) != 0;
}

HWND CreateMainWindow(HINSTANCE instance) {
    unsigned long major = 0;
    unsigned long minor = 0;
    TrueWindowsVersion(major, minor);
    g_timer_started = false;
    g_exiting = false;
    HWND main =
        CreateWindowExW(0, kMainWindowClass, MainWindowTitle(ProgramContext().app.tcp_role),
                        WS_VISIBLE | WS_SYSMENU | WS_MINIMIZE, 0, 0, kMainWindowWidth,
                        MainWindowHeight(major, minor), nullptr, nullptr, instance, nullptr);
    if (!main) return nullptr;
    SetMainWindow(main);
    ShowWindow(main, SW_SHOW);
    UpdateWindow(main);
    DrawMenuBar(main);
    return main;
}

void RetitleMainWindow(HWND main) {
    if (main) SetWindowTextW(main, MainWindowTitle(ProgramContext().app.tcp_role));
}

bool RunExitProcedure(HWND main) {
    CoreContext& c = ProgramContext();
    if (c.app.socket_connected == 1) {
        c.prompts.ShowErrorBox("TCP/IPを切断してください。", BoxIcon::Exclamation);
        return false;
    }
    if (c.app.document_modified == 1 &&
        !c.prompts.AskYesNo("データを保存せずに終了しますか？", "TVX-5870")) {
        const bool saved = c.app.current_file_name[0] != '\0' ? FileSave(c, ProgramFileSystem())
                                                              : FileSaveAs(c, ProgramFileSystem());
        // The user asked to keep the titles: when they could not be saved, stay open.
        if (!saved) return false;
    }
    if (!MayExitWithGlyphs(c, ProgramGlyphState(), ProgramFileSystem())) return false;
    // Every unsaved change has been saved or let go: what a session end kept is older.
    DiscardRecovery(ProgramFileSystem(), ProgramRecoveryFiles());
    EndProgram(main);
    return true;
}

void EndProgram(HWND main) {
    CoreContext& c = ProgramContext();
    g_exiting = true;
    KillTimer(main, kMainTimerId);
    g_timer_started = false;
    c.app.read_thread_running = 0;
    StopRemoteControl();
    StopSerialLink();
    CloseAllSockets(c);
    CloseCommLogWindow();
    PostQuitMessage(0);
}

void InitProgramControls() {
    INITCOMMONCONTROLSEX icc = {};
    icc.dwSize = sizeof(icc);
    icc.dwICC =
        ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_INTERNET_CLASSES | ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&icc);
}

}  // namespace tvx
