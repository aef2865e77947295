#include "runner.h"

#include <boost/asio.hpp>
#include <csignal>
#include <cstdio>

#include "console.h"
#include "model/std_file_system.h"
#include "protocol/frame_log.h"
#include "protocol/line_assembly.h"
#include "targets.h"

namespace tvxctl {

namespace {

namespace asio = boost::asio;
using error_code = boost::system::error_code;
using asio::awaitable;
using asio::use_awaitable;
using std::chrono::milliseconds;

constexpr milliseconds kProgressPeriod{200};
// A write that the line does not take in this time (a port held by XOFF, a peer that does not
// read) ends the line.
constexpr milliseconds kWriteLimit{10000};

auto Redirect(error_code& ec) {
    return asio::redirect_error(use_awaitable, ec);
}

// "192.168.1.3:9004", "[::1]:9004".
std::string EndpointText(const asio::ip::tcp::endpoint& endpoint) {
    const std::string address = endpoint.address().to_string();
    const std::string port = std::to_string(endpoint.port());
    return endpoint.address().is_v6() ? "[" + address + "]:" + port : address + ":" + port;
}

// The reason an operation failed, in the system's own words. Asio takes a system error's text
// through the ANSI code page on Windows, which garbles it on a Japanese system: it is asked for
// as UTF-16 instead.
std::string Reason(const error_code& ec) {
#ifdef _WIN32
    if (ec.category() == boost::system::system_category()) return SystemErrorText(ec.value());
#endif
    return ec.message();
}

std::string Seconds(milliseconds ms) {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f s", ms.count() / 1000.0);
    return text;
}

// One line to devices: the serial port or one TCP connection, read all the time. Each complete
// line goes to the session being served, and wakes it.
struct Line {
    explicit Line(asio::io_context& io) : wake(io) {}

    std::unique_ptr<asio::serial_port> serial;
    std::unique_ptr<asio::ip::tcp::socket> socket;
    tvx::LineAssembler assembler;
    std::function<void(std::string_view)> on_line;
    asio::steady_timer wake;
    bool closed = false;
    std::string closed_reason;
    std::string name;                  // the port or peer, as the log names the line
    tvx::CommLog* log = nullptr;

    void Close(const std::string& reason) {
        if (closed) return;
        closed = true;
        closed_reason = reason;
        tvx::LogLinkEvent(log, name, reason == "done" ? "closed" : "closed: " + reason);
        error_code ignored;
        if (serial) serial->close(ignored);
        if (socket) {
            socket->shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
            socket->close(ignored);
        }
        wake.cancel();
    }

    awaitable<void> Sleep(Clock::time_point until) {
        wake.expires_at(until);
        error_code ec;
        co_await wake.async_wait(Redirect(ec));
    }

    awaitable<bool> Write(const std::string& bytes) {
        asio::steady_timer watchdog(wake.get_executor(), kWriteLimit);
        watchdog.async_wait([this](error_code ec) {
            if (!ec) Close("the line took no data for " + Seconds(kWriteLimit));
        });
        error_code ec;
        if (serial) {
            co_await asio::async_write(*serial, asio::buffer(bytes), Redirect(ec));
        } else {
            co_await asio::async_write(*socket, asio::buffer(bytes), Redirect(ec));
        }
        watchdog.cancel();
        if (ec && !closed) Close("cannot send: " + Reason(ec));
        co_return !ec;
    }
};

awaitable<void> ReadLines(Line& line) {
    char buffer[tvx::kLinkBufferBytes];
    for (;;) {
        error_code ec;
        std::size_t n = 0;
        if (line.serial) {
            n = co_await line.serial->async_read_some(asio::buffer(buffer), Redirect(ec));
        } else {
            n = co_await line.socket->async_read_some(asio::buffer(buffer), Redirect(ec));
        }
        if (n > 0) {
            tvx::FeedLineAssembler(line.assembler, buffer, n, [&line](std::string_view l) {
                if (line.on_line) line.on_line(l);
            });
            line.wake.cancel();
        }
        if (ec) {
            line.Close(ec == asio::error::eof ? "the device closed the connection"
                                              : "cannot receive: " + Reason(ec));
            co_return;
        }
    }
}

// Waits, handing the lines that come to the session, until every reply is in (answered) or
// until the time given, whichever the caller asks for. A reply past its limit, or a line that
// went down, ends the device's run.
awaitable<void> Await(Line& line, DeviceSession& s, bool answered, Clock::time_point until,
                      milliseconds limit) {
    for (;;) {
        if (s.stopped) co_return;
        if (line.closed) {
            FailSession(s, line.closed_reason);
            co_return;
        }
        const Clock::time_point now = Clock::now();
        const bool waiting = !s.awaiting.empty();
        if (waiting && s.awaiting.front().deadline <= now) {
            tvx::LogLinkEvent(s.c, line.name, "no reply within " + Seconds(limit));
            FailSession(s, "no reply within " + Seconds(limit));
            co_return;
        }
        if (answered ? !waiting : now >= until) co_return;
        Clock::time_point wake_at = answered ? Clock::time_point::max() : until;
        if (waiting && s.awaiting.front().deadline < wake_at) wake_at = s.awaiting.front().deadline;
        co_await line.Sleep(wake_at);
    }
}

awaitable<void> WriteOut(Line& line, DeviceSession& s, milliseconds limit) {
    std::string bytes = std::move(s.out);
    s.out.clear();
    // The round trip runs from the start of the write: a quick reply may come before the write's
    // own completion is seen.
    const Clock::time_point start = Clock::now();
    for (SentCommand& sent : s.awaiting) {
        if (sent.written == Clock::time_point{}) sent.written = start;
    }
    if (!co_await line.Write(bytes)) {
        FailSession(s, line.closed_reason);
        co_return;
    }
    const Clock::time_point deadline = Clock::now() + limit;
    for (SentCommand& sent : s.awaiting) {
        if (sent.deadline == Clock::time_point::max()) sent.deadline = deadline;
    }
}

awaitable<void> RunDevice(Line& line, DeviceSession& s) {
    if (!StartSession(s)) {
        FinishSession(s);
        co_return;
    }
    const milliseconds limit{s.transport == Transport::Serial ? kSerialReplyLimitMs
                                                              : kTcpReplyLimitMs};
    line.on_line = [&s](std::string_view l) { OnSessionLine(s, l); };
    // A run keeps the program's periods unless the core paces it by replies (not when asked
    // for the program's pace, and never for a broadcast, which no device answers).
    const bool timed = IsTimedRun(s) && s.app->run_pace.by_reply == 0;
    ProgramTimer timer = StartProgramTimer(s);
    while (!s.stopped) {
        if (timed) {
            co_await Await(line, s, false, s.started + milliseconds(timer.next_tick_ms), limit);
            if (s.stopped) break;
        }
        SessionTick t = TickSession(s);
        if (t.sent && !s.stopped) co_await WriteOut(line, s, limit);
        AdvanceProgramTimer(timer, t);
        if (!timed || t.ended) co_await Await(line, s, true, {}, limit);
        if (t.ended) break;
    }
    line.on_line = nullptr;
    FinishSession(s);
}

// Everything one run holds, alive until the event loop has finished.
struct Run {
    asio::io_context io;
    const Job& job;
    const Targets& targets;
    std::vector<std::unique_ptr<Line>> lines;
    std::vector<std::unique_ptr<DeviceSession>> sessions;
    std::vector<DeviceResult> missing;  // devices that never connected
    int pending = 0;                    // lines still being served
    asio::steady_timer all_done{io, Clock::time_point::max()};
    std::unique_ptr<asio::ip::tcp::acceptor> acceptor;
    bool interrupted = false;

    Run(const Job& j, const Targets& t) : job(j), targets(t) {}

    Line& NewLine(const std::string& name) {
        lines.push_back(std::make_unique<Line>(io));
        lines.back()->name = name;
        lines.back()->log = job.comm_log;
        return *lines.back();
    }

    // The sessions of one line: one per address, or one for a frame without an address or for
    // every device (broadcast). A device is named by its address on the serial line, by its
    // host on TCP/IP ("host#03" when one connection serves several addresses).
    std::vector<DeviceSession*> NewSessions(const std::string& line_name,
                                            const std::string& host_label, Transport transport,
                                            bool several_lines) {
        const bool one_frame = targets.broadcast || job.bare || job.kind == JobKind::NetShow ||
                               job.kind == JobKind::NetSet;
        const std::vector<int> addresses =
            one_frame ? std::vector<int>{targets.broadcast ? kBroadcast : 0} : targets.addresses;
        std::vector<DeviceSession*> out;
        for (int address : addresses) {
            char number[4];
            std::snprintf(number, sizeof number, "%02d", address);
            std::string name = host_label;
            if (one_frame) {
                if (name.empty()) name = targets.broadcast ? "FF" : targets.serial_port;
            } else if (name.empty()) {
                name = number;
            } else if (addresses.size() > 1) {
                name += std::string("#") + number;
            }
            sessions.push_back(std::make_unique<DeviceSession>(name, transport, address, job));
            DeviceSession& s = *sessions.back();
            s.result.line = line_name;
            s.c.log_serial_name = line_name;
            s.c.log_socket_name = line_name;
            s.output_file =
                DeviceFileName(targets.output_file, name, several_lines || addresses.size() > 1);
            out.push_back(&s);
        }
        return out;
    }

    void LineDone() {
        if (--pending == 0) all_done.cancel();
    }
};

// A line that cannot even come up: each of its devices fails with the reason.
void FailAll(const std::vector<DeviceSession*>& devices, const std::string& reason) {
    for (DeviceSession* s : devices) {
        StartSession(*s);
        FailSession(*s, reason);
        FinishSession(*s);
    }
}

// The line itself failed: the log says why (a line closed has said so), then each device fails
// with it.
void FailLine(const Line& line, const std::vector<DeviceSession*>& devices,
              const std::string& reason) {
    if (!line.closed) tvx::LogLinkEvent(line.log, line.name, reason);
    FailAll(devices, reason);
}

// A pull never overwrites a file unless told to: such a device is refused before it is asked.
bool RefuseExistingFile(Run& run, DeviceSession& s) {
    const bool writes = run.job.kind == JobKind::Pull || run.job.kind == JobKind::GlyphPull ||
                        run.job.kind == JobKind::Render;
    if (!writes || run.job.overwrite) return false;
    if (!tvx::StdFileSystem().FileExists(s.output_file)) return false;
    FailAll({&s}, s.output_file + " exists; nothing read (--overwrite replaces it)");
    return true;
}

awaitable<void> ServeLine(Run& run, Line& line, std::vector<DeviceSession*> devices) {
    for (DeviceSession* s : devices) {
        if (RefuseExistingFile(run, *s)) continue;
        if (line.closed) {
            FailAll({s}, line.closed_reason);
            continue;
        }
        co_await RunDevice(line, *s);
    }
    line.Close("done");
    run.LineDone();
}

void StartLine(Run& run, Line& line, std::vector<DeviceSession*> devices) {
    asio::co_spawn(run.io, ReadLines(line), asio::detached);
    asio::co_spawn(run.io, ServeLine(run, line, std::move(devices)), asio::detached);
}

void OpenSerialLine(Run& run) {
    Line& line = run.NewLine(run.targets.serial_port);
    std::vector<DeviceSession*> devices =
        run.NewSessions(run.targets.serial_port, "", Transport::Serial, false);
    line.serial = std::make_unique<asio::serial_port>(run.io);
    std::string error;
    if (!OpenDeviceSerialPort(*line.serial, run.targets.serial_port, error)) {
        FailLine(line, devices, error);
        return;
    }
    tvx::LogLinkEvent(line.log, line.name, "port opened");
    ++run.pending;
    StartLine(run, line, std::move(devices));
}

awaitable<void> ConnectLine(Run& run, Line& line, std::string host, int port,
                            std::vector<DeviceSession*> devices) {
    const std::string where = host + ":" + std::to_string(port);
    asio::ip::tcp::resolver resolver(run.io);
    error_code ec;
    auto endpoints = co_await resolver.async_resolve(host, std::to_string(port), Redirect(ec));
    if (ec || line.closed) {
        FailLine(line, devices,
                 line.closed ? line.closed_reason
                             : "cannot find host " + host + ": " + Reason(ec));
        run.LineDone();
        co_return;
    }
    line.socket = std::make_unique<asio::ip::tcp::socket>(run.io);
    asio::steady_timer watchdog(run.io, milliseconds(kConnectLimitMs));
    bool timed_out = false;
    watchdog.async_wait([&](error_code wait_ec) {
        if (wait_ec) return;
        timed_out = true;
        error_code ignored;
        line.socket->close(ignored);
    });
    co_await asio::async_connect(*line.socket, endpoints, Redirect(ec));
    watchdog.cancel();
    if (timed_out || ec || line.closed) {
        FailLine(line, devices,
                 line.closed  ? line.closed_reason
                 : timed_out ? "host " + where + " does not answer (no connection within " +
                                   Seconds(milliseconds(kConnectLimitMs)) + ")"
                             : "cannot connect to " + where + ": " + Reason(ec));
        run.LineDone();
        co_return;
    }
    line.socket->set_option(asio::ip::tcp::no_delay(true), ec);
    const asio::ip::tcp::endpoint peer = line.socket->remote_endpoint(ec);
    for (DeviceSession* s : devices) s->peer = ec ? std::string("?") : EndpointText(peer);
    tvx::LogLinkEvent(line.log, line.name, "connected");
    StartLine(run, line, std::move(devices));
}

void ConnectHosts(Run& run) {
    std::vector<std::string> hosts;
    std::vector<int> ports;
    for (const std::string& text : run.targets.tcp) {
        std::string host, error;
        int port = 0;
        ParseHostPort(text, host, port, error);  // checked with the options
        hosts.push_back(host);
        ports.push_back(port);
    }
    std::vector<std::string> labels = HostLabels(hosts, ports);
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        Line& line = run.NewLine(run.targets.tcp[i]);
        std::vector<DeviceSession*> devices =
            run.NewSessions(run.targets.tcp[i], labels[i], Transport::Tcp, hosts.size() > 1);
        ++run.pending;
        asio::co_spawn(run.io, ConnectLine(run, line, hosts[i], ports[i], std::move(devices)),
                       asio::detached);
    }
}

void ReportMissing(Run& run, int from, const std::string& reason) {
    const Targets& t = run.targets;
    for (int i = from; i < t.expect; ++i) {
        DeviceResult r;
        r.device = "device " + std::to_string(i + 1) + " of " + std::to_string(t.expect);
        r.transport = "tcp";
        r.ok = false;
        r.message = reason;
        run.missing.push_back(r);
    }
}

awaitable<void> ListenForDevices(Run& run) {
    const Targets& t = run.targets;
    const std::string port = std::to_string(t.listen_port);
    error_code ec;
    run.acceptor = std::make_unique<asio::ip::tcp::acceptor>(run.io);
    asio::ip::tcp::endpoint endpoint(asio::ip::tcp::v4(),
                                     static_cast<unsigned short>(t.listen_port));
    run.acceptor->open(endpoint.protocol(), ec);
    if (!ec) run.acceptor->set_option(asio::ip::tcp::acceptor::reuse_address(true), ec);
    if (!ec) run.acceptor->bind(endpoint, ec);
    if (!ec) run.acceptor->listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        ReportMissing(run, 0, "cannot listen on port " + port + ": " + Reason(ec));
        co_return;
    }
    asio::steady_timer deadline(run.io, std::chrono::seconds(t.wait_seconds));
    deadline.async_wait([&run](error_code wait_ec) {
        error_code ignored;
        if (!wait_ec) run.acceptor->close(ignored);
    });
    std::vector<std::unique_ptr<asio::ip::tcp::socket>> accepted;
    while (static_cast<int>(accepted.size()) < t.expect && run.acceptor->is_open()) {
        auto socket = std::make_unique<asio::ip::tcp::socket>(run.io);
        co_await run.acceptor->async_accept(*socket, Redirect(ec));
        if (ec) break;
        socket->set_option(asio::ip::tcp::no_delay(true), ec);
        accepted.push_back(std::move(socket));
    }
    deadline.cancel();
    error_code ignored;
    run.acceptor->close(ignored);
    ReportMissing(run, static_cast<int>(accepted.size()),
                  run.interrupted ? "interrupted"
                                  : "did not connect to port " + port + " within " +
                                        std::to_string(t.wait_seconds) + " s");

    std::vector<std::string> hosts, peers;
    std::vector<int> ports;
    for (auto& socket : accepted) {
        asio::ip::tcp::endpoint peer = socket->remote_endpoint(ec);
        hosts.push_back(ec ? std::string("?") : peer.address().to_string());
        ports.push_back(ec ? 0 : peer.port());
        peers.push_back(ec ? std::string("?") : EndpointText(peer));
    }
    std::vector<std::string> labels = HostLabels(hosts, ports);
    for (std::size_t i = 0; i < accepted.size(); ++i) {
        Line& line = run.NewLine(peers[i]);
        line.socket = std::move(accepted[i]);
        tvx::LogLinkEvent(line.log, line.name, "device connected");
        ++run.pending;
        std::vector<DeviceSession*> devices =
            run.NewSessions(peers[i], labels[i], Transport::Tcp, t.expect > 1);
        for (DeviceSession* s : devices) s->peer = peers[i];
        StartLine(run, line, std::move(devices));
    }
}

awaitable<void> Main(Run& run, const ProgressDraw& draw) {
    ++run.pending;  // the start itself, until every line has been started
    if (!run.targets.serial_port.empty()) OpenSerialLine(run);
    ConnectHosts(run);
    if (run.targets.listen_port != 0) co_await ListenForDevices(run);
    run.LineDone();

    std::vector<const DeviceSession*> view;
    while (run.pending > 0) {
        view.assign(run.sessions.size(), nullptr);
        for (std::size_t i = 0; i < run.sessions.size(); ++i) view[i] = run.sessions[i].get();
        if (draw) draw(view, false);
        run.all_done.expires_after(kProgressPeriod);
        error_code ec;
        co_await run.all_done.async_wait(Redirect(ec));
    }
    view.assign(run.sessions.size(), nullptr);
    for (std::size_t i = 0; i < run.sessions.size(); ++i) view[i] = run.sessions[i].get();
    if (draw) draw(view, true);
}

// Ctrl+C and the like: every line is closed, so each device ends where it is and the run ends.
void Interrupt(Run& run) {
    run.interrupted = true;
    for (auto& line : run.lines) line->Close("interrupted");
    error_code ignored;
    if (run.acceptor) run.acceptor->close(ignored);
}

}  // namespace

bool OpenDeviceSerialPort(asio::serial_port& serial, const std::string& port, std::string& error) {
    error_code ec;
    serial.open(port, ec);
    if (ec) {
        error = "cannot open serial port " + port + ": " + Reason(ec);
        return false;
    }
    using Base = asio::serial_port_base;
    serial.set_option(Base::baud_rate(9600), ec);
    if (!ec) serial.set_option(Base::character_size(8), ec);
    if (!ec) serial.set_option(Base::stop_bits(Base::stop_bits::one), ec);
    if (!ec) serial.set_option(Base::flow_control(Base::flow_control::software), ec);
    if (ec) {
        error = "cannot set up serial port " + port + ": " + Reason(ec);
        return false;
    }
    // A pty takes even parity only once; the bytes are the same without it.
    serial.set_option(Base::parity(Base::parity::even), ec);
    if (ec) {
        Write(Stream::Err, "tvx5870ctl: " + port + " takes no even parity (" + Reason(ec) +
                               "); going on without it\n");
    }
    return true;
}

std::string ErrorReason(const boost::system::error_code& ec) {
    return Reason(ec);
}

std::vector<DeviceResult> RunJob(const Targets& targets, const Job& job, const ProgressDraw& draw,
                                 bool* interrupted) {
    Run run(job, targets);
#ifdef _WIN32
    // Ctrl+C, Ctrl+Break and the console window's close, from the system's own thread.
    SetInterruptHandler([&run] { asio::post(run.io, [&run] { Interrupt(run); }); });
    auto stop_watching = [] { ClearInterruptHandler(); };
#else
    // SIGHUP: the terminal window closed.
    asio::signal_set signals(run.io, SIGINT, SIGTERM, SIGHUP);
    signals.async_wait([&run](error_code ec, int) {
        if (!ec) Interrupt(run);
    });
    auto stop_watching = [&signals] {
        error_code ignored;
        signals.cancel(ignored);
    };
#endif
    asio::co_spawn(run.io, Main(run, draw), [&stop_watching](std::exception_ptr e) {
        stop_watching();
        if (e) std::rethrow_exception(e);
    });
    try {
        run.io.run();
    } catch (const boost::system::system_error& e) {
        stop_watching();
        throw std::runtime_error(Reason(e.code()));
    } catch (...) {
        stop_watching();
        throw;
    }
    stop_watching();
    if (interrupted) *interrupted = run.interrupted;

    std::vector<DeviceResult> results;
    for (auto& s : run.sessions) results.push_back(s->result);
    for (DeviceResult& r : run.missing) results.push_back(r);
    return results;
}

}  // namespace tvxctl
