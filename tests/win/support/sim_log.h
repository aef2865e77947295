// Reads the simulator's JSON Lines log: one object per frame received, reply sent or event.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tvx::test {

struct SimLogEntry {
    std::string transport;  // "serial" or "tcp"
    std::string direction;  // "rx" (the device received), "tx" (it answered) or "event"
    std::string address;    // "00".."31", "FF" or ""
    std::string bytes;      // the exact bytes
    long long conn = 0;
};

// Parses one log line; false when it is not a log object.
bool ParseSimLogLine(const std::string& line, SimLogEntry& entry);
// Every entry of the log file so far.
std::vector<SimLogEntry> ReadSimLog(const std::wstring& path);
// Waits until an entry with this direction and exactly these bytes is in the log.
bool WaitForSimEntry(const std::wstring& path, const std::string& direction,
                     const std::string& bytes, DWORD timeout_ms);

}  // namespace tvx::test
