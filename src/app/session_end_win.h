// The end of a Windows session (logoff, shutdown, an update's restart) with unsaved titles or
// drawn glyphs: they are kept in recovery files that the next start offers to open
// (model/recovery.h).
#pragma once

#include <windows.h>

#include "model/recovery.h"

namespace tvx {

// %LOCALAPPDATA%\TVX-5870\recovery.dat, recovery-name.txt, recovery-glyphs.tlm and
// recovery-glyphs-name.txt of the user running the program.
RecoveryFiles ProgramRecoveryFiles();

// WM_QUERYENDSESSION of the main window: TRUE to let the session end. Unsaved titles and drawn
// glyphs are written to the recovery first; when that fails the end is held, with the reason
// Windows shows.
LRESULT OnQueryEndSession(HWND main);
// WM_ENDSESSION: when the end was called off, the program runs on with its titles, so the
// recovery and the reason go. When an application is asked to close (close_app: the Restart
// Manager of an installer's upgrade; Windows ends no process then), the program ends once what
// was unsaved is kept, without the exit questions; the recovery stays for the next start.
void OnEndSession(HWND main, bool ending, bool close_app);
// Start-up: offers the titles and glyphs a session end kept, and shows them when taken.
void OfferSessionRecovery(HWND main);

}  // namespace tvx
