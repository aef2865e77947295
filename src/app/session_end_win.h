// The end of a Windows session (logoff, shutdown, an update's restart) with unsaved titles:
// they are kept in a recovery file that the next start offers to open (model/recovery.h).
#pragma once

#include <windows.h>

#include "model/recovery.h"

namespace tvx {

// %LOCALAPPDATA%\TVX-5870\recovery.dat and recovery-name.txt of the user running the program.
RecoveryFiles ProgramRecoveryFiles();

// WM_QUERYENDSESSION of the main window: TRUE to let the session end. Unsaved titles are written
// to the recovery first; when that fails the end is held, with the reason Windows shows.
LRESULT OnQueryEndSession(HWND main);
// WM_ENDSESSION: when the end was called off, the program runs on with its titles, so the
// recovery and the reason go.
void OnEndSession(HWND main, bool ending);
// Start-up: offers the titles a session end kept, and shows their file name when taken.
void OfferSessionRecovery(HWND main);

}  // namespace tvx
