// The window "通信ログ" ("設定" menu): the program's communication log as a list, newest at the
// bottom, with "コピー", "保存...", "クリア" and the day files' check box. Modeless: it stays open
// while the dialogs are used. Also the start of the day files.
#pragma once

#include <windows.h>

#include <string>

namespace tvx {

// Opens the window, or brings it to the front when it is open.
void OpenCommLogWindow(HWND main);
// The window while it is open, else null (the message loop's IsDialogMessage).
HWND CommLogWindow();
// Closes the window, keeping its place in the configuration file (the exit procedure).
void CloseCommLogWindow();

// Start-up: the day files in %LOCALAPPDATA%\TVX-5870\logs\ (the folder made when missing, files
// older than the last 14 days removed), unless the configuration turned them off.
void StartCommLogFiles();
// The folder of the day files, ending with its separator; empty when Windows names none.
std::string CommLogFolder();

}  // namespace tvx
