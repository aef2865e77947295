// What the user sees: a progress line per device on a terminal while the devices run, then a
// summary table (or a JSON report) and the exit code.
#pragma once

#include <string>
#include <vector>

#include "session.h"

namespace tvxctl {

// Progress lines on stderr, redrawn in place; more devices than fit are summed up in one line.
struct ProgressLines {
    bool enabled = false;
    std::string verb;  // "push", "pull", ...
    int drawn = 0;     // lines on the screen now
};
void DrawProgress(ProgressLines& progress, const std::vector<const DeviceSession*>& sessions,
                  bool final);

// The summary table: one row per device with its result, steps, time and what went wrong or
// what it wrote; the values a send or net show brought back under its row; a count at the end.
std::string SummaryTable(const std::vector<DeviceResult>& results);

// The same as one JSON document.
std::string JsonReport(const std::string& command, Pace pace,
                       const std::vector<DeviceResult>& results);

// 0 when every device succeeded, 1 otherwise (also when there was no device at all).
int ExitCode(const std::vector<DeviceResult>& results);

}  // namespace tvxctl
