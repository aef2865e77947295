#include "session.h"

#include <cstdio>
#include <cstring>

#include "console.h"
#include "describe.h"
#include "glyphs/glyph_files.h"
#include "link/send.h"
#include "model/settings_file.h"
#include "model/std_file_system.h"
#include "protocol/encodings.h"
#include "protocol/frame_log.h"
#include "protocol/replies.h"
#include "runs/glyph_runs.h"
#include "runs/network_sends.h"
#include "runs/set_all_read_back.h"
#include "targets.h"
#include "titles.h"

namespace tvxctl {

namespace {

std::string AddressText(int address) {
    if (address < 0 || address >= kBroadcast) return "FF";
    char text[3];
    tvx::FormatTwoDigits(address, text);
    return std::string(text, 2);
}

std::string_view WithoutLineEnd(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// A reply as the report quotes it: at most 40 characters, anything unprintable as "?".
std::string Quoted(std::string_view text) {
    constexpr std::size_t kMax = 40;
    std::string out = "\"";
    for (char ch : text.substr(0, kMax)) out += ch >= 0x20 && ch < 0x7F ? ch : '?';
    if (text.size() > kMax) out += "...";
    return out + "\"";
}

// A complete line handed to the socket parser as one reception.
tvx::ReplyOutcome ParseSocketLine(tvx::CoreContext& c, std::string_view line) {
    std::size_t n =
        line.size() < std::size_t{tvx::kLinkBufferBytes} ? line.size() : tvx::kLinkBufferBytes;
    std::memcpy(c.sockets.socket_reply_buffer, line.data(), n);
    c.sockets.socket_reply_buffer[n] = '\0';
    c.sockets.socket_reply_length = static_cast<int>(n);
    return tvx::ParseSocketReply(c);
}

void Queue(DeviceSession& s, const char* bytes, std::size_t length, bool prefixed,
           bool expects_reply) {
    std::string_view frame(bytes, length);
    s.out.append(frame);
    SentCommand sent;
    sent.step = s.step;
    sent.command = std::string(WithoutLineEnd(prefixed ? frame.substr(2) : frame));
    sent.prefixed = prefixed;
    if (expects_reply) s.awaiting.push_back(std::move(sent));
}

// Boxes shown during a step (an all-zero switching time refused) are kept as warnings.
void KeepNewMessages(DeviceSession& s, std::size_t seen) {
    for (std::size_t i = seen; i < s.prompts.messages.size(); ++i) {
        s.result.warnings.push_back("step " + std::to_string(s.step) + ": " +
                                    s.prompts.messages[i]);
    }
}

// Ticks that send through SendCommand: with the address prefix on both links.
tvx::BulkTick SendCommandTick(tvx::CoreContext& c, tvx::BulkRun& run) {
    return tvx::OnBulkTick(c, run, [](tvx::CoreContext& cc, std::string_view command) {
        tvx::SendCommand(cc, command);
    });
}

// The reads of info. On the serial line the network read: bare like the dialog's for the one
// device connected, or behind each address given. On TCP/IP, where the device's network values
// are not read, one read of the white level times the link.
bool StartInfo(DeviceSession& s) {
    if (s.transport == Transport::Serial && s.job.bare) {
        s.bulk_tick = tvx::OnNetworkReadTick;
        return tvx::StartNetworkRead(s.c, s.run);
    }
    if (s.transport == Transport::Serial) {
        s.run.table = tvx::NetworkReadTable();
        s.run.table.bare_serial = false;
    } else {
        constexpr int kReadPeriodMs = 800;  // the read-back's period
        s.run.table = {};
        s.run.table.kind = tvx::BulkKind::ReadBack;
        s.run.table.steps = {{tvx::BulkAction::ReadWhiteLevel, 0, 0}};
        s.run.table.first_period_ms = kReadPeriodMs;
    }
    s.bulk_tick = SendCommandTick;
    s.app->sequence_running = 1;
    return true;
}

// The model a read-back fills, back at its defaults: a field the read does not reach must not
// keep a value that would pass for the device's.
void ClearModel(DeviceSession& s) {
    auto scratch = std::make_unique<tvx::AppState>();
    tvx::ResetToDefaults(*s.model, *scratch);
}

void Compare(DeviceSession& s) {
    const tvx::SettingsModel& file = *s.job.settings;
    const tvx::SettingsModel& device = *s.model;
    s.result.compared = true;
    s.result.differences = s.job.device_first
                               ? tvx::ListSettingDifferences(device, file, Cp932ToUtf8)
                               : tvx::ListSettingDifferences(file, device, Cp932ToUtf8);
}

void Fail(DeviceSession& s, int step, const std::string& command, const std::string& message,
          std::string_view code = {}) {
    if (!s.result.ok) return;  // the first reason is the one that counts
    s.result.ok = false;
    s.result.step = step;
    s.result.command = command;
    s.result.code = std::string(code);
    s.result.message = message;
    s.stopped = true;
}

// push --verify, after the push's last step: the read-back follows in the same run, its steps
// counted on from the push's.
void StartVerifyRead(DeviceSession& s, SessionTick& t) {
    s.step_offset = s.result.steps_total;
    ClearModel(s);
    if (!tvx::StartBulkTransfer(s.c, tvx::BulkTransfer::ReadBack, s.run, 0)) {
        Fail(s, s.step, "",
             s.prompts.messages.empty() ? "the read-back cannot start" : s.prompts.messages.back());
        return;
    }
    s.result.steps_total += static_cast<int>(s.run.table.steps.size());
    t.ended = false;
    t.new_period_ms = s.run.table.first_period_ms;
}

}  // namespace

void SessionPrompts::ShowErrorBox(std::string_view text, tvx::BoxIcon) {
    if (c) tvx::LogBoxShown(c->comm_log, text, c->log_serial_name);
    messages.emplace_back(text);
}

void SessionPrompts::ShowPlainBox(std::string_view text, std::string_view, bool) {
    if (c) tvx::LogBoxShown(c->comm_log, text, c->log_serial_name);
    messages.emplace_back(text);
}

void SessionLink::WriteSerial(const char* bytes, std::size_t length) {
    // SerialSend has just said whether the frame is answered (not a prefixed broadcast).
    Queue(*session, bytes, length, session->app->address_prefix_on == 1,
          session->app->awaiting_reply == 1);
}

bool SessionLink::SocketSendFrame(std::uintptr_t, const char* bytes, std::size_t length) {
    bool broadcast = length >= 2 && bytes[0] == 'F' && bytes[1] == 'F';
    Queue(*session, bytes, length, true, !broadcast);
    return true;
}

DeviceSession::DeviceSession(std::string label_in, Transport transport_in, int address_in,
                             const Job& job_in)
    : label(std::move(label_in)),
      transport(transport_in),
      address(address_in),
      job(job_in),
      model(std::make_unique<tvx::SettingsModel>()),
      app(std::make_unique<tvx::AppState>()),
      sockets(std::make_unique<tvx::SocketLinkState>()),
      c{*model, *app, *sockets, prompts, link, job_in.comm_log} {
    link.session = this;
    prompts.c = &c;
}

bool StartSession(DeviceSession& s) {
    tvx::ResetToDefaults(*s.model, *s.app);
    tvx::ResetClientSlots(*s.sockets);
    tvx::AppState& app = *s.app;
    const bool tcp = s.transport == Transport::Tcp;
    app.interface_type = tcp ? 1 : 0;
    app.tcp_role = 0;
    app.socket_connected = tcp ? 1 : 0;
    s.sockets->link_socket = 1;  // the driver's connection; the core only passes it back
    app.slave_address = s.address;
    app.address_prefix_on = 1;
    // The program's option "応答を待って送る（高速）": the core's runs step on replies unless the
    // program's periods are asked for (or no reply comes: a broadcast keeps the timer).
    app.reply_paced_runs = s.job.pace == Pace::Ack ? 1 : 0;

    DeviceResult& r = s.result;
    r.device = s.label;
    r.transport = tcp ? "tcp" : "serial";
    const bool bare = s.job.bare || s.job.kind == JobKind::NetShow || s.job.kind == JobKind::NetSet;
    if (tcp) r.peer = s.peer;
    r.address = bare ? "" : AddressText(s.address);
    s.started = Clock::now();

    bool started = true;
    switch (s.job.kind) {
        case JobKind::Push:
            *s.model = *s.job.settings;
            started = tvx::StartBulkTransfer(s.c, tvx::BulkTransfer::SetAll, s.run, 0);
            s.bulk_tick = tvx::OnBulkTransferTick;
            break;
        case JobKind::Pull:
        case JobKind::Render:
        case JobKind::Compare:
            started = tvx::StartBulkTransfer(s.c, tvx::BulkTransfer::ReadBack, s.run, 0);
            s.bulk_tick = tvx::OnBulkTransferTick;
            break;
        case JobKind::Info:
            started = StartInfo(s);
            break;
        case JobKind::NetShow:
            started = tvx::StartNetworkRead(s.c, s.run);
            s.bulk_tick = tvx::OnNetworkReadTick;
            break;
        case JobKind::Send:
            r.steps_total = 1;
            break;
        case JobKind::NetSet:
            r.steps_total = static_cast<int>(s.job.net_settings.size());
            break;
        case JobKind::GlyphPush:
        case JobKind::GlyphPull: {
            const bool register_run = s.job.kind == JobKind::GlyphPush;
            if (register_run) *s.model = *s.job.settings;
            s.glyphs = std::make_unique<tvx::GlyphState>();
            s.first_period_ms = tvx::StartGlyphBulkRun(s.c, *s.glyphs, 0, register_run);
            started = s.first_period_ms != 0;
            // A read run takes one tick more: the one after the last reply ends it.
            r.steps_total = register_run ? tvx::kBulkGlyphs : tvx::kBulkGlyphs + 1;
            break;
        }
    }
    if (s.bulk_tick != nullptr) {
        r.steps_total = static_cast<int>(s.run.table.steps.size());
        s.first_period_ms = s.run.table.first_period_ms;
    }
    if (!started) {
        Fail(s, 0, "",
             s.prompts.messages.empty() ? "the run cannot start" : s.prompts.messages.back());
    }
    return started;
}

bool IsTimedRun(const DeviceSession& s) {
    return s.bulk_tick != nullptr || s.glyphs != nullptr;
}

SessionTick TickSession(DeviceSession& s) {
    SessionTick t;
    const std::size_t seen = s.prompts.messages.size();
    if (s.bulk_tick != nullptr) {
        s.step = s.step_offset + s.app->sequence_running;
        tvx::BulkTick bulk = s.bulk_tick(s.c, s.run);
        t.new_period_ms = bulk.new_period_ms;
        t.ended = bulk.ended;
        if (t.ended && s.job.verify && s.step_offset == 0 && s.result.ok && s.app->error_reply == 0)
            StartVerifyRead(s, t);
    } else if (s.glyphs != nullptr) {
        // The step is the glyph the run is at (a read tick with its reply pending sends nothing).
        s.step = s.app->current_glyph_index + 1;
        tvx::OnGlyphListTick(s.c, *s.glyphs);
        t.ended = !tvx::GlyphBulkRunActive(*s.app);
    } else {
        s.step += 1;
        if (s.job.kind == JobKind::Send) {
            std::string command = s.job.command + "\r\n";
            if (s.job.bare) {
                s.app->address_prefix_on = 0;
                tvx::SerialSend(s.c, command);
            } else {
                tvx::SendCommand(s.c, command);
            }
        } else if (!s.job.net_settings[static_cast<std::size_t>(s.step - 1)].send(s.c)) {
            Fail(s, s.step, "", s.prompts.messages.empty() ? "refused" : s.prompts.messages.back());
        }
        t.ended = s.step >= s.result.steps_total;
    }
    s.result.steps_done = s.step;
    // A title that cannot be encoded is refused by the engine itself (nothing went out).
    if (s.app->error_reply == 1 && s.result.ok) {
        Fail(s, s.step, "", s.prompts.messages.empty() ? "refused" : s.prompts.messages.back());
    } else if (s.result.ok) {
        KeepNewMessages(s, seen);
    }
    t.sent = !s.out.empty();
    return t;
}

ProgramTimer StartProgramTimer(const DeviceSession& s) {
    return {s.first_period_ms, s.first_period_ms};
}

void AdvanceProgramTimer(ProgramTimer& timer, const SessionTick& tick) {
    if (tick.new_period_ms != 0) timer.period_ms = tick.new_period_ms;
    timer.next_tick_ms += timer.period_ms;
}

void OnSessionLine(DeviceSession& s, std::string_view line) {
    if (s.stopped || s.awaiting.empty()) {
        ++s.stray_lines;
        tvx::LogUnparsedBytes(s.c, s.c.log_serial_name, line, "ignored: no command waits for it");
        return;
    }
    const bool prefixed = s.awaiting.front().prefixed;
    const std::string prefix = AddressText(s.address);
    if (prefixed && line.substr(0, 2) != prefix) {
        ++s.stray_lines;  // another device's reply on a shared line
        tvx::LogUnparsedBytes(s.c, s.c.log_serial_name, line, "ignored: not this device's reply");
        return;
    }
    const std::size_t seen = s.prompts.messages.size();
    tvx::ReplyOutcome outcome = s.transport == Transport::Serial ? tvx::ParseSerialReply(s.c, line)
                                                                 : ParseSocketLine(s.c, line);
    SentCommand command = std::move(s.awaiting.front());
    s.awaiting.pop_front();
    std::string_view work = WithoutLineEnd(prefixed ? line.substr(2) : line);
    if (s.job.kind == JobKind::Send) s.result.reply = std::string(WithoutLineEnd(line));

    if (outcome.kind == tvx::ReplyKind::Error) {
        Fail(s, command.step, command.command,
             s.prompts.messages.empty() ? std::string(outcome.error_code)
                                        : s.prompts.messages.back(),
             outcome.error_code);
        return;
    }
    // A read is answered by its own name and fields ("RCT005" by "CT005..."), a setting by GO.
    const bool read = !command.command.empty() && command.command[0] == 'R';
    const bool answered =
        read ? outcome.kind == tvx::ReplyKind::Applied &&
                   work.substr(0, command.command.size() - 1) == command.command.substr(1)
             : outcome.kind == tvx::ReplyKind::Acknowledged;
    if (answered) {
        if (command.written != Clock::time_point{}) {
            const double ms =
                std::chrono::duration<double, std::milli>(Clock::now() - command.written).count();
            if (s.result.round_trip_ms < 0 || ms < s.result.round_trip_ms)
                s.result.round_trip_ms = ms;
        }
        return;
    }
    // The core's own word for it, when it has one ("GN": "Mode difference", "自動切換え中！").
    std::string message = "unexpected reply " + Quoted(work);
    if (s.prompts.messages.size() > seen) message += ": " + s.prompts.messages.back();
    Fail(s, command.step, command.command, message);
}

void FailSession(DeviceSession& s, const std::string& message) {
    const SentCommand* waiting = s.awaiting.empty() ? nullptr : &s.awaiting.front();
    Fail(s, waiting ? waiting->step : s.step, waiting ? waiting->command : "", message);
}

void FinishSession(DeviceSession& s) {
    DeviceResult& r = s.result;
    r.seconds = std::chrono::duration<double>(Clock::now() - s.started).count();
    s.finished = true;
    if (!r.ok) return;
    switch (s.job.kind) {
        case JobKind::Pull:
        case JobKind::Render:
        case JobKind::GlyphPull: {
            tvx::StdFileSystem files;
            const std::string text =
                s.job.kind == JobKind::Pull     ? tvx::WriteSettingsText(*s.model)
                : s.job.kind == JobKind::Render ? s.job.render(*s.model)
                                                : tvx::GlyphFileText(*s.model);
            if (!s.job.overwrite && files.FileExists(s.output_file)) {
                Fail(s, 0, "", s.output_file + " exists now; nothing written");
            } else if (!files.ReplaceFileContents(s.output_file, text)) {
                Fail(s, 0, "", "cannot write " + s.output_file);
            } else {
                r.file = s.output_file;
                if (s.job.kind == JobKind::Pull) {
                    for (std::string& warning : FileGlyphWarnings(*s.model))
                        r.warnings.push_back(std::move(warning));
                }
            }
            break;
        }
        case JobKind::NetShow:
            r.decoded = DescribeNetwork(*s.model);
            break;
        case JobKind::Compare:
            Compare(s);
            break;
        case JobKind::Push:
            if (s.job.verify) Compare(s);
            break;
        case JobKind::Info:
            if (s.transport == Transport::Serial) r.network = NetworkValues(*s.model);
            break;
        case JobKind::Send:
            r.decoded = s.address >= kBroadcast
                            ? std::vector<std::string>{"sent to every device; none answers a "
                                                       "broadcast"}
                            : DescribeRead(*s.model, s.job.command);
            break;
        default:
            break;
    }
}

}  // namespace tvxctl
