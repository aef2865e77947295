// Figures of the communication log in the program (printed, not judged; scripts/bench_log.sh
// runs it under Wine with the simulator on COM1):
//  - a full title run: the 144 titles (Japanese text) sent as CT through the real COM port, each
//    after the device's GO to the one before has been parsed (the run paced by replies), once
//    with the log off and once with it on (the ring and the day file on disk), three times
//    each, alternating; the wall times and their ratio;
//  - the process's private memory after 10,000, 50,000 and 100,000 entries of a run's frames and
//    replies with the day file on, and the time per entry.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "link/send.h"
#include "model/comm_log.h"
#include "model/cp932.h"
#include "protocol/commands.h"
#include "protocol/frame_log.h"
#include "protocol/replies.h"
#include "support/recorders.h"
#include "support/serial_support_win.h"
#include "winbase/file_system_win.h"
#include "winbase/program_win.h"
#include "winbase/text_win.h"

namespace {

using tvx::CoreContext;

constexpr int kRounds = 3;

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

LARGE_INTEGER Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
}

// The commit charge (PagefileUsage): the process's private bytes, also under Wine, which
// leaves PrivateUsage at 0.
double PrivateMegabytes() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage / (1024.0 * 1024.0);
}

// Every title holds 21 characters of Japanese text, so each CT carries a title to decode.
void FillTitles(tvx::SettingsModel& model) {
    std::string line;
    tvx::Utf8ToCp932("東京都の天気は晴れ時々曇り降水確率十パー", line);
    for (int t = 0; t < tvx::kTitleCount; ++t) {
        std::memset(model.title_text[t], 0, tvx::kTitleBytes);
        std::memcpy(model.title_text[t], line.data(), line.size());
    }
}

// One run of the 144 titles at the pace of the replies; its wall time, or -1 when a reply
// did not come.
double TitleRun(CoreContext& c) {
    c.app.sequence_running = 1;  // as in the dialog's run: the acknowledgements raise no box
    const LARGE_INTEGER start = Now();
    for (int t = 0; t < tvx::kTitleCount; ++t) {
        std::string command;
        tvx::BuildTitleCommandFromModel(c.model, 1, t, command);
        tvx::SendCommand(c, command);
        // The line is parsed in the same drain that ends the wait.
        if (!tvx::test::PumpUntil([&] { return c.app.awaiting_reply == 0; }, 5000)) return -1;
    }
    const double took = Seconds(start, Now());
    c.app.sequence_running = 0;
    return took;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    CoreContext& c = ProgramContext();
    tvx::test::RecordingPrompts prompts;
    tvx::test::PortLink link;
    std::vector<std::string> open_calls;
    if (!tvx::test::OpenTestSerialLink(open_calls)) {
        std::printf("log_bench: COM1 cannot be opened\n");
        return 1;
    }
    SetProgramPrompts(&prompts);
    SetProgramLink(&link);
    tvx::ResetToDefaults(c.model, c.app);
    c.app.address_prefix_on = 1;
    FillTitles(c.model);

    // The day files go to a folder of their own in the temporary folder.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::string folder = tvx::WideToUtf8(temp) + "tvx-log-bench\\";
    tvx::WinFileSystem files;
    tvx::DayFileSink day_files(files, folder);
    tvx::CommLog& log = ProgramCommLog();
    if (!tvx::StartDayFiles(log, day_files)) {
        std::printf("log_bench: cannot make %s\n", folder.c_str());
        return 1;
    }

    std::printf("== a full title run (144 CT frames, each sent after the GO to the one before)\n");
    std::vector<double> off, on;
    TitleRun(c);  // warms the port, the simulator and the caches
    for (int round = 0; round < kRounds; ++round) {
        c.comm_log = nullptr;
        off.push_back(TitleRun(c));
        c.comm_log = &log;
        on.push_back(TitleRun(c));
        std::printf("round %d: log off %.3f s, log on %.3f s\n", round + 1, off.back(), on.back());
    }
    if (*std::min_element(off.begin(), off.end()) < 0 ||
        *std::min_element(on.begin(), on.end()) < 0) {
        std::printf("log_bench: a reply did not come\n");
        return 1;
    }
    std::printf("median: log off %.3f s, log on %.3f s; on / off: %.3f\n", Median(off), Median(on),
                Median(on) / Median(off));
    std::printf("  (at the program's own period the run takes 144 s; the log adds %.1f ms)\n",
                (Median(on) - Median(off)) * 1000.0);

    std::printf("== memory: entries of a run's frames and replies, the day file on\n");
    std::string frame;
    tvx::BuildTitleCommandFromModel(c.model, 1, 0, frame);
    frame = "00" + frame;
    const tvx::ReplyOutcome acknowledged{tvx::ReplyKind::Acknowledged, {}, "GO"};
    tvx::ClearLog(log);
    std::printf("0 entries: %.1f MB private\n", PrivateMegabytes());
    const LARGE_INTEGER start = Now();
    int made = 0;
    for (int target : {10000, 50000, 100000}) {
        for (; made < target; made += 2) {
            tvx::LogSentFrame(c, tvx::LogLinkSide::Serial, frame, true);
            tvx::LogReceivedLine(c, tvx::LogLinkSide::Serial, "00GO\r\n", true, acknowledged);
        }
        std::printf("%d entries: %.1f MB private, %zu kept in the window's ring\n", made,
                    PrivateMegabytes(), tvx::LogSize(log));
    }
    std::printf("time per entry, day file included: %.1f us\n", Seconds(start, Now()) * 1e6 / made);

    SetProgramPrompts(nullptr);
    SetProgramLink(nullptr);
    tvx::test::CloseTestSerialLink();
    return 0;
}
