// The main window: class "TCP Server", the front panel, the menu, the no-reply timer, the
// corner gesture and the exit procedure. wWinMain (main_win.cpp) creates it; tests create it
// in-process the same way.
#pragma once

#include <windows.h>

#include "model/settings_model.h"

namespace tvx {

constexpr wchar_t kMainWindowClass[] = L"TCP Server";
constexpr wchar_t kMutexName[] = L"TVX5870_Mutex";
constexpr int kMainWindowWidth = 640;
constexpr int kCornerClicksToOpen = 10;
constexpr unsigned kCornerSize = 20;

// "TVX-5870 Client Program" for the client role (0), "TVX-5870 Server Program" for the server.
const wchar_t* MainWindowTitle(int tcp_role);
// The window height for the Windows version: 200 for 6.x; 196 for 4.x and 5.x other than 5.1;
// 205 for 5.1 and every other major version.
int MainWindowHeight(unsigned long major, unsigned long minor);
// The true Windows version (RtlGetVersion, which no compatibility shim rewrites).
void TrueWindowsVersion(unsigned long& major, unsigned long& minor);

// One context-menu click at the screen position packed in lparam (x low, y high, unsigned).
// True when it is the tenth in a row in the top-left corner: then the count starts again and
// the read-back dialog is due.
bool OnCornerClick(AppState& app, LPARAM lparam);

// "RS-232Cの設定" enabled only with RS-232C, "クライアント/サーバー" and "TCP/IPの設定" only with
// TCP/IP.
void ApplyInterfaceMenuState(HMENU menu, int interface_type);

// Registers the window class; false when registration fails.
bool RegisterMainWindowClass(HINSTANCE instance);
// Creates the main window (visible, initially minimized), shows, paints it and draws its menu;
// null on failure.
HWND CreateMainWindow(HINSTANCE instance);
// Sets the main window title from tcp_role.
void RetitleMainWindow(HWND main);

// The exit procedure: refuses while a TCP connection is up, asks about unsaved titles (and
// saves on No), then stops the timer and the read thread, closes the sockets and posts the
// quit message. True when the program is ending.
bool RunExitProcedure(HWND main);

// The end of the exit procedure, without its questions: stops the timer and the read thread,
// closes the sockets and the log window and posts the quit message. A session end that kept
// the unsaved work for the next start ends the program this way too.
void EndProgram(HWND main);

// Common controls of the dialogs (progress bar, IP address field).
void InitProgramControls();

}  // namespace tvx
