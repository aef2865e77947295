// What the user sees: a progress line per device on a terminal while the devices run, then a
// summary table (or a JSON report) and the exit code.
#pragma once

#include <string>
#include <vector>

#include "session.h"

namespace tvxctl {

// Progress lines on stderr, redrawn in place; more devices than fit are summed up in one line.
// Without a terminal (output redirected, a scheduled task) plain: one line per device as it
// finishes, with its result.
struct ProgressLines {
    bool enabled = false;
    bool plain = false;
    std::string verb;             // "push", "pull", ...
    int drawn = 0;                // lines on the screen now
    std::vector<bool> reported;   // plain: per session, its line is out
};
void DrawProgress(ProgressLines& progress, const std::vector<const DeviceSession*>& sessions,
                  bool final);

// The summary table: one row per device with its result, steps, time and what went wrong or
// what it wrote; the values a send or net show brought back under its row; a count at the end.
// A device compared with a file is "same" or "DIFFERS" with the count and the first names of
// its differences, and with details every difference under its row.
std::string SummaryTable(const std::vector<DeviceResult>& results, bool details = false);

// info: one row per device with its round trip and its network values (serial line) or the
// address it was reached at (TCP/IP); why a device failed under its row.
std::string InfoTable(const std::vector<DeviceResult>& results);

// One line per difference: "T005: 「朝のニュース」 ≠ 「夜のニュース」".
std::string DifferenceLines(const std::vector<tvx::SettingDifference>& differences);
// diff with devices: a block per device, "== 00: same", "== 01: 2 differences" and its lines,
// or "== 02: FAILED ..." with the reason.
std::string DeviceDiffText(const std::vector<DeviceResult>& results);
// diff of two files as JSON.
std::string FileDiffJson(const std::string& a, const std::string& b,
                         const std::vector<tvx::SettingDifference>& differences);

// The same as one JSON document, with the extra fields at its top ("a", "b" of a diff).
using JsonFields = std::vector<std::pair<std::string, std::string>>;
std::string JsonReport(const std::string& command, Pace pace,
                       const std::vector<DeviceResult>& results, const JsonFields& extra = {});

// 0 when every device succeeded and matched what it was compared with, 1 otherwise (also when
// there was no device at all).
int ExitCode(const std::vector<DeviceResult>& results);

}  // namespace tvxctl
