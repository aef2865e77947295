// One device's run of one command, free of any transport and any clock: the core's model, state
// and seams for that device, the step that goes out next, and the check of every reply against
// the command that caused it. The driver (runner.h) moves the bytes and keeps the time.
//
// The steps are the program's own: push and pull walk the set-all and read-back tables through
// the tick functions the dialogs use (src/runs), net show the network read table, glyphs push
// and pull the glyph list's register and read runs, send and net set call the same core
// operations as the dialogs' buttons. A comparison (verify, diff, push --verify) is a read-back whose model is compared
// with the file's instead of written; info reads the network values (serial line) or one level
// (TCP/IP) and times the round trips. Frames reach the driver through the Link seam.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "describe.h"
#include "model/glyph_state.h"
#include "model/context.h"
#include "protocol/bulk_run.h"
#include "protocol/settings_diff.h"

namespace tvxctl {

using Clock = std::chrono::steady_clock;

enum class JobKind {
    Send, Push, Pull, Compare, Info, NetShow, NetSet, GlyphPush, GlyphPull, Render
};
enum class Pace { Ack, Spec };
enum class Transport { Serial, Tcp };

// One setting of "net set": the core operation of its button, named for the report. False when
// the core refuses the value (its message is in the prompts).
struct NetSetting {
    std::string name;
    std::function<bool(tvx::CoreContext&)> send;
};

struct Job {
    JobKind kind = JobKind::Send;
    Pace pace = Pace::Ack;
    std::string command;  // send: as the catalogue writes it, without prefix and CR LF
    bool bare = false;    // send: without the address prefix (serial line)
    // push, glyphs push: what to send; compare, push --verify: what the device must hold.
    std::shared_ptr<const tvx::SettingsModel> settings;
    std::vector<NetSetting> net_settings;  // net set, in order
    bool overwrite = false;                // pull, render: replace an existing file
    // render: the picture file of the settings read back (read as pull reads them).
    std::function<std::string(const tvx::SettingsModel&)> render;
    bool verify = false;                   // push: read each device back and compare
    bool device_first = false;             // compare: the device is a, the file b
    tvx::CommLog* comm_log = nullptr;      // --log, --log-json: every frame, reply and line event
};

// What the report says of one device.
struct DeviceResult {
    std::string device;     // label: "03", "192.168.1.3", "127.0.0.1:51234"
    std::string line;       // the serial port, the host as given, or the peer that connected
    std::string transport;  // "serial" or "tcp"
    std::string address;    // "00".."31", "FF", or "" for frames without a prefix
    bool ok = true;
    int step = 0;         // the step that failed (1-based), 0 when none did
    std::string command;  // the command of that step, without prefix and CR LF
    std::string code;     // the device's error code: "E0".."E3", "MENU"
    std::string message;  // why it failed, one line
    int steps_done = 0;
    int steps_total = 0;
    double seconds = 0;
    std::string file;                  // pull, glyphs pull, render: the file written
    std::string reply;                 // send: the reply line without CR LF
    std::vector<std::string> decoded;  // send, net show: the values, one per line
    std::vector<std::string> warnings;
    bool compared = false;  // compare, push --verify: the device was read back and compared
    std::vector<tvx::SettingDifference> differences;
    std::string peer;                   // tcp: the device's address and port as connected
    double round_trip_ms = -1;          // the shortest round trip of a command and its reply
    std::vector<NetworkValue> network;  // info on the serial line: the nine values read
};

// A command on its way that a reply must answer: sent (or about to be), oldest first.
struct SentCommand {
    int step = 0;
    std::string command;  // without prefix and CR LF
    bool prefixed = true;
    Clock::time_point deadline = Clock::time_point::max();  // set when the write is done
    Clock::time_point written;  // when its write started: the start of the round trip
};

struct DeviceSession;

// The prompts seam without boxes: every text is kept for the report; the confirmation that
// the device is not switching automatically is the user's by starting the command.
struct SessionPrompts : tvx::Prompts {
    std::vector<std::string> messages;
    tvx::CoreContext* c = nullptr;  // the device's, whose log sees each box
    void ShowErrorBox(std::string_view text, tvx::BoxIcon) override;
    void ShowSuccessBox(std::string_view) override {}
    void ShowSetComplete() override {}
    void ShowAcknowledgement(tvx::WindowHandle) override {}
    bool ConfirmNotAutoSwitching(tvx::WindowHandle) override { return true; }
    bool AskYesNo(std::string_view, std::string_view, tvx::WindowHandle) override { return false; }
    void ShowPlainBox(std::string_view text, std::string_view, bool) override;
    bool AskFileName(tvx::FileDialogKind, std::string&) override { return false; }
};

// The link seam: the core's finished frames are collected for the driver's next write. The
// driver waits for the answer itself, so the core's answer wait returns at once.
struct SessionLink : tvx::Link {
    DeviceSession* session = nullptr;
    void WriteSerial(const char* bytes, std::size_t length) override;
    bool SocketSendFrame(std::uintptr_t socket, const char* bytes, std::size_t length) override;
    bool ReceiveAnswer(std::uintptr_t) override { return true; }
};

struct DeviceSession {
    DeviceSession(std::string label, Transport transport, int address, const Job& job);
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    std::string label;
    Transport transport;
    int address;  // 0..31, or kBroadcast
    const Job& job;
    std::string output_file;  // pull, glyphs pull, render: where the file goes
    std::string peer;         // tcp: the device's address and port, once connected

    std::unique_ptr<tvx::SettingsModel> model;
    std::unique_ptr<tvx::AppState> app;
    std::unique_ptr<tvx::SocketLinkState> sockets;
    SessionPrompts prompts;
    SessionLink link;
    tvx::CoreContext c;

    tvx::BulkRun run;
    tvx::BulkTick (*bulk_tick)(tvx::CoreContext&, tvx::BulkRun&) = nullptr;
    std::unique_ptr<tvx::GlyphState> glyphs;  // the glyph list's state for its runs
    int step = 0;                             // the step being done or last done (1-based)
    int step_offset = 0;                      // push --verify: the push's steps before the read
    int first_period_ms = 0;
    std::string out;                   // frames for the next write
    std::deque<SentCommand> awaiting;  // oldest first
    int stray_lines = 0;               // lines that answered nothing of this device
    bool stopped = false;
    bool finished = false;  // FinishSession has run: the result is final
    Clock::time_point started;
    DeviceResult result;
};

// Prepares the device's model and state for the job; false (with the result failed) when the
// job cannot start.
bool StartSession(DeviceSession& s);

// True for the jobs that walk a run of ticks (push, pull, net show, glyphs), which can keep the
// program's periods; the others are single commands.
bool IsTimedRun(const DeviceSession& s);

struct SessionTick {
    bool sent = false;      // frames wait in s.out
    int new_period_ms = 0;  // the program restarts its timer with this period
    bool ended = false;     // that was the last step
};
// Does the next step.
SessionTick TickSession(DeviceSession& s);

// The program's timer, for the program's pace: the first tick one period after the start, then
// one each period; a step that names a period restarts the timer with it at that tick.
struct ProgramTimer {
    long long next_tick_ms = 0;  // counted from the start of the run
    int period_ms = 0;
};
ProgramTimer StartProgramTimer(const DeviceSession& s);
void AdvanceProgramTimer(ProgramTimer& timer, const SessionTick& tick);

// A complete line (with its CR LF) from the device's line. Lines that carry another address
// are not this device's and are only counted; a reply is parsed by the core and checked
// against the oldest command waiting: an error reply, or a reply that does not answer its
// command, stops the device's run.
void OnSessionLine(DeviceSession& s, std::string_view line);

// The run cannot go on: the reason is kept with the step the device was at.
void FailSession(DeviceSession& s, const std::string& message);

// After the last step and its replies: a pull writes its file, net show and send describe what
// came back. Sets the time taken.
void FinishSession(DeviceSession& s);

}  // namespace tvxctl
