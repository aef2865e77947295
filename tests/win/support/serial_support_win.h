// In-process tests of the real serial link against the simulator on COM1: a window that stands
// in for the main window (drains the line queue, runs the no-reply check on its timer), a link
// that records and writes to the real port, and waits on the simulator's log.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/recorders.h"

namespace tvx::test {

constexpr UINT_PTR kTestTimerId = 20;

// Records the frame and writes it to the real port.
struct PortLink : RecordingLink {
    void WriteSerial(const char* bytes, std::size_t length) override;
};

// The message-only window that drains serial lines (MSG_SERIAL_LINE) and runs CheckReplyTimeout
// on timer kTestTimerId.
HWND LinkWindow();
// Opens COM1 and starts the read thread towards LinkWindow(); prompts shown while opening are
// recorded in open_calls. True when both worked.
bool OpenTestSerialLink(std::vector<std::string>& open_calls);
void CloseTestSerialLink();

// The program's main window with the communication log's day files and the serial link
// started towards it, as wWinMain starts them; quiet tells whether no box came up meanwhile.
// The port stays open until StopMainWindowAndLink.
HWND StartMainWindowAndLink(bool& quiet);
void StopMainWindowAndLink(HWND main);

std::wstring SimLogPath();
// Dispatches messages until done() or the time is up; false on time-out.
bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms);
// Serial frames the simulator logged in one direction ("rx" received, "tx" answered).
std::vector<std::string> SimFrames(const std::string& direction);
std::size_t CountSimFrames(const std::string& direction, const std::string& bytes);
// Waits until the simulator has logged these bytes once more than `before` times.
bool WaitForNextSimFrame(const std::string& direction, const std::string& bytes, std::size_t before,
                         DWORD timeout_ms = 5000);

}  // namespace tvx::test
