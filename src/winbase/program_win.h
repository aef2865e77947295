// The Windows program's shared objects: the one settings model, program state, socket link
// state and the seam objects, held for the program's whole life, plus the main window and the
// instance handle. Dialog code reaches them only through this header. Everything here belongs
// to the user-interface thread; the serial read thread hands its lines over with
// MSG_SERIAL_LINE instead of touching any of it.
#pragma once

#include <windows.h>

#include "model/context.h"
#include "model/seams.h"

// Private window messages.
constexpr UINT MSG_SOCKET_REPLY = WM_USER + 2;   // 1026: a socket answer piece for active_dialog
constexpr UINT MSG_SOCKET_EVENT = WM_USER + 10;  // 1034: WSAAsyncSelect notifications
// The serial read thread queued complete lines; the main window drains them one at a time.
constexpr UINT MSG_SERIAL_LINE = WM_USER + 20;
// Sent to the external character editor when a read-back glyph is to be drawn (PaintGlyphGrid).
constexpr UINT MSG_PAINT_GLYPH_GRID = WM_USER + 21;

// The main window's timer: the serial no-reply check.
constexpr UINT_PTR kMainTimerId = 20;
constexpr UINT kMainTimerPeriodMs = 500;

// A run paced by replies: posts its next tick (WM_TIMER with the run's timer id) to its dialog
// when one is due; called after every tick and after replies were applied. Nothing for a timed
// run.
void PostRunPaceTick(tvx::AppState& app);

// The program's model, state and seams; valid from the first call to the end of the process.
tvx::CoreContext& ProgramContext();
// The program's communication log (ProgramContext().comm_log), stamped with the local time.
tvx::CommLog& ProgramCommLog();
// The local time, as the log stamps its entries.
tvx::LogTime LocalLogTime();
// Sent to the log window after entries were added (posted once until it is handled).
constexpr UINT MSG_LOG_ADDED = WM_USER + 22;
// The configuration file store and the file system used by the File menu and the dialogs.
tvx::IniStore& ProgramIniStore();
tvx::FileSystem& ProgramFileSystem();

namespace tvx {
// The real transports (the COM port and the TCP/IP link). Defined by the link layer
// (link/transports_win.cpp), which sits above this folder; declared here so that the program's
// context can forward to them without including the link.
Link& ProgramTransports();
}  // namespace tvx

HINSTANCE ProgramInstance();
void SetProgramInstance(HINSTANCE instance);
// The main window; null before it is created (and in dialog tests that run without one).
HWND MainWindow();
void SetMainWindow(HWND window);

// Tests put recorders in place of the message boxes and the transports; nullptr restores the
// program's own.
void SetProgramPrompts(tvx::Prompts* prompts);
void SetProgramLink(tvx::Link* link);
void SetProgramFileSystem(tvx::FileSystem* file_system);
void SetProgramIniStore(tvx::IniStore* store);
