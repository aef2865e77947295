// The program's remote interface: the HTTP server on a thread of its own, each request handed to
// the main window and run there, on the user-interface thread, by the remote piece.
#pragma once

#include <windows.h>

#include <string>

#include "model/config.h"
#include "remote/remote_service.h"

namespace tvx {

// The server thread hands a request to the main window (lParam: the request, which the window
// takes over), and tells it of connections it refused.
constexpr UINT MSG_REMOTE_REQUEST = WM_USER + 23;
constexpr UINT MSG_REMOTE_REFUSED = WM_USER + 24;

// Start-up, after the configuration was read: serves when remote_enabled is 1. A port that
// cannot be listened on is told in a box and in the log; the program runs on without it.
void StartRemoteControl(HWND main);
// The dialog's OK: the configuration is written, the server stopped and, when on, started
// again with it. False, with the reason, when it could not listen (the settings stay written).
bool ApplyRemoteControl(const RemoteConfig& config, std::string& error);
// Exit: a waiting request is given up, the server's loop stopped and its thread waited for
// (two seconds at most).
void StopRemoteControl();

// What the dialog's status line shows.
RemoteServerStatus CurrentRemoteControlStatus();

// The main window's part: MSG_REMOTE_REQUEST, MSG_REMOTE_REFUSED and the timer of a remote
// run. True when the message was one of these.
bool OnRemoteControlMessage(UINT message, WPARAM wparam, LPARAM lparam);
// After replies were parsed and after each tick of the no-reply check: the waiting request's
// answer goes out once its reply is in or its wait has ended.
void PollRemoteControl();

}  // namespace tvx
