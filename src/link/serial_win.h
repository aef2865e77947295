// The RS-232C link: the COM port, its writes, and the read thread that hands complete reply
// lines to the user-interface thread.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "model/context.h"

namespace tvx {

// Start-up with RS-232C: OpenSerialPort, then the read thread; "error creating read thread"
// when the thread cannot be started. Lines are announced to notify_window with message.
void StartSerialLink(CoreContext& c, HWND notify_window, UINT message);
// Exit: stops the read thread (bounded wait). The port itself is left to the process end.
void StopSerialLink();

// Opens "COM1".."COM6" by com_port_index and configures it; each failing step shows its box
// ("Miss! File Open" .. "Miss! Set Comm State") and the next step still runs. True when every
// step succeeded. A port that cannot be opened is looked for again like a lost one.
bool OpenSerialPort(CoreContext& c);
// Closes the port after the read thread has stopped; for tests that open it again.
void CloseSerialPort();

// The program's Link::WriteSerial: one overlapped write of a copy of the frame, not awaited.
// A lost port is opened again first; while it cannot be, the frame is dropped.
void WriteSerialPort(const char* bytes, std::size_t length);

// The box that tells of a lost port (a USB adapter unplugged or gone in sleep), naming it.
std::string SerialPortLostText(int com_port_index);

// Starts SerialReadThread; false when the thread could not be created.
bool StartSerialReadThread(HWND notify_window, UINT message);
// Tests replace the thread creation to see the failure path; nullptr restores CreateThread.
using SerialThreadStarter = HANDLE (*)(LPTHREAD_START_ROUTINE routine);
void SetSerialThreadStarterForTests(SerialThreadStarter starter);
// Tests replace the announcement (PostMessageW) to lose some; nullptr restores it.
using SerialAnnouncer = BOOL (*)(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void SetSerialAnnouncerForTests(SerialAnnouncer announcer);
// Sets the stop flag and cancels the pending read until the thread has ended, at most
// timeout_ms; false when it did not end in time.
bool StopSerialReadThread(DWORD timeout_ms = 2000);

// On the user-interface thread, for each announcement: lines that arrived end the wait for a
// reply at once; then the queued lines are parsed one at a time, in order. A call made while a
// parse of this drain shows a box returns after that first step; the outer drain parses the
// next line when the box is closed. A lost port is reported here, once.
void DrainSerialLines(CoreContext& c);

// The main window's no-reply check: CheckReplyTimeout, holding back the lines that arrive while
// its "No Connect" box is open (as for a box a parse opened) and parsing them after it, so that
// a late reply's box never opens on top of it.
void CheckSerialReplyTimeout(CoreContext& c);

// True while the lines that arrive wait behind a box (one a parse opened, or "No Connect"):
// a reply that comes now is parsed only once the operator has closed it.
bool SerialRepliesHeldBack();

// Clears the port's error flags and status.
void ClearSerialError();

}  // namespace tvx
