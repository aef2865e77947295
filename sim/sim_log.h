// The traffic log: one JSON object per line, written and flushed at once so
// that a test can read what the simulator has seen while it still runs.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace tvxsim {

struct TrafficLog {
    std::FILE* file = nullptr;
    bool verbose = false;  // also a readable line per event on stderr
};

bool OpenLog(TrafficLog& log, const std::string& path, std::string& error);
void CloseLog(TrafficLog& log);

// transport: "serial" or "tcp"; direction: "rx", "tx" or "event"; address:
// "00".."31", "FF" or "". `bytes` is the exact data (or the event text).
void LogRecord(TrafficLog& log, const char* transport, int conn, const char* direction,
               std::string_view address, std::string_view bytes);

// The log line itself, without its line end. Each byte b of `bytes` becomes
// the code point U+00bb, so the JSON string keeps every byte.
std::string FormatLogLine(double time, const char* transport, int conn, const char* direction,
                          std::string_view address, std::string_view bytes);

// Bytes shown readably for the terminal: printable ASCII as is, others as \xHH.
std::string EscapeForDisplay(std::string_view bytes);

double NowSeconds();

}  // namespace tvxsim
