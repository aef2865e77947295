#include "serve.h"

#include <array>
#include <boost/asio.hpp>
#include <csignal>
#include <cstring>
#include <deque>
#include <memory>

#include "console.h"
#include "http/http_server.h"
#include "link/send.h"
#include "link/socket_events.h"
#include "model/remote_hold.h"
#include "model/run_pace.h"
#include "protocol/frame_log.h"
#include "protocol/line_assembly.h"
#include "protocol/replies.h"
#include "remote/remote_service.h"
#include "run_log.h"
#include "runner.h"
#include "targets.h"

#include "res/version.h"

namespace tvxctl {

namespace {

namespace asio = boost::asio;
using error_code = boost::system::error_code;
using tcp = asio::ip::tcp;
using std::chrono::milliseconds;

constexpr milliseconds kNoReplyTick{500};  // the program's no-reply check
constexpr milliseconds kTcpAnswerLimit{kTcpReplyLimitMs};
constexpr milliseconds kReconnectAfter{3000};

// Boxes outside a remote request (a device connection lost) go to stderr and the log.
struct ServePrompts : tvx::Prompts {
    tvx::CommLog* log = nullptr;
    void ShowErrorBox(std::string_view text, tvx::BoxIcon) override { Say(text); }
    void ShowSuccessBox(std::string_view) override {}
    void ShowSetComplete() override {}
    void ShowAcknowledgement(tvx::WindowHandle) override {}
    bool ConfirmNotAutoSwitching(tvx::WindowHandle) override { return true; }
    bool AskYesNo(std::string_view, std::string_view, tvx::WindowHandle) override { return false; }
    void ShowPlainBox(std::string_view text, std::string_view, bool) override { Say(text); }
    bool AskFileName(tvx::FileDialogKind, std::string&) override { return false; }
    void Say(std::string_view text) {
        tvx::LogBoxShown(log, text);
        Write(Stream::Err, "tvx5870ctl: " + tvx::OneLineText(text) + "\n");
    }
};

struct Server;

// One device that listens on TCP/IP, in a client slot of its own (the program's server role
// keeps its devices so), connected again whenever its connection drops.
struct TcpDevice {
    std::string host;
    int port = 0;
    int slot = 0;
    std::unique_ptr<tcp::socket> socket;
    tvx::LineAssembler lines;
    std::deque<std::string> out;
    bool writing = false;
};

struct ServeLink : tvx::Link {
    Server* server = nullptr;
    void WriteSerial(const char* bytes, std::size_t length) override;
    bool SocketSendFrame(std::uintptr_t socket, const char* bytes, std::size_t length) override;
    // The answer comes as a line of the device's connection; its wait is the server's.
    bool ReceiveAnswer(std::uintptr_t) override;
};

struct Server {
    explicit Server(const ServeOptions& o) : options(o) {
        tvx::ResetToDefaults(*model, *app);
        tvx::ResetClientSlots(*sockets);
        log.clock = LocalLogTime;
        prompts.log = &log;
        link.server = this;
        service.program = "tvx5870ctl";
        service.version = TVX_VERSION_TEXT;
    }

    const ServeOptions& options;
    asio::io_context io{1};
    std::unique_ptr<tvx::SettingsModel> model = std::make_unique<tvx::SettingsModel>();
    std::unique_ptr<tvx::AppState> app = std::make_unique<tvx::AppState>();
    std::unique_ptr<tvx::SocketLinkState> sockets = std::make_unique<tvx::SocketLinkState>();
    tvx::CommLog log;
    ServePrompts prompts;
    tvx::HoldingPrompts holding{prompts, *app};
    ServeLink link;
    tvx::CoreContext c{*model, *app, *sockets, holding, link, &log};
    tvx::RemoteService service{c};

    std::unique_ptr<asio::serial_port> serial;
    tvx::LineAssembler serial_lines;
    std::deque<std::string> serial_out;
    bool serial_writing = false;
    std::vector<std::unique_ptr<TcpDevice>> devices;

    asio::steady_timer no_reply_timer{io};
    asio::steady_timer run_timer{io};
    int run_period_ms = 0;
    asio::steady_timer answer_timer{io};
    bool tcp_answer_due = false;
    bool last_frame_broadcast = false;
    tvx::HttpAnswerFn pending;
    std::unique_ptr<tvx::HttpServer> http;
    bool stopping = false;

    // After every reply, tick and request: the waiting request's answer, a run's next step.
    void AfterChange() {
        if (pending && tvx::RemoteAnswerReady(service)) {
            tvx::HttpAnswerFn answer = std::move(pending);
            pending = nullptr;
            answer(tvx::TakeRemoteAnswer(service));
        }
        if (tvx::TakeRunPaceTick(*app)) {
            asio::post(io, [this] {
                tvx::OnRemoteRunTick(service);
                AfterChange();
            });
        }
    }

    void ArmRunTimer(int period_ms) {
        run_period_ms = period_ms;
        run_timer.cancel();
        if (period_ms == 0) return;
        run_timer.expires_after(milliseconds(period_ms));
        run_timer.async_wait([this](error_code ec) {
            if (ec) return;
            tvx::OnRemoteRunTick(service);
            if (run_period_ms != 0 && service.run.going) ArmRunTimer(run_period_ms);
            AfterChange();
        });
    }

    void NoReplyTick() {
        no_reply_timer.expires_after(kNoReplyTick);
        no_reply_timer.async_wait([this](error_code ec) {
            if (ec) return;
            tvx::CheckReplyTimeout(c);
            AfterChange();
            NoReplyTick();
        });
    }

    void OnLine(std::string_view line, TcpDevice* device) {
        if (device == nullptr) {
            tvx::ParseSerialReply(c, line);
        } else {
            tcp_answer_due = false;
            answer_timer.cancel();
            const std::size_t n = line.size() < std::size_t{tvx::kLinkBufferBytes}
                                      ? line.size()
                                      : std::size_t{tvx::kLinkBufferBytes};
            std::memcpy(sockets->socket_reply_buffer, line.data(), n);
            sockets->socket_reply_buffer[n] = '\0';
            sockets->socket_reply_length = static_cast<int>(n);
            tvx::ParseSocketReply(c);
        }
        AfterChange();
    }

    void ExpectTcpAnswer() {
        tcp_answer_due = true;
        answer_timer.expires_after(kTcpAnswerLimit);
        answer_timer.async_wait([this](error_code ec) {
            if (ec || !tcp_answer_due) return;
            tcp_answer_due = false;
            tvx::FailSocketAnswer(c);
            if (service.run.going) tvx::OnRemoteRunTick(service);
            AfterChange();
        });
    }

    // Writes go out one at a time, in order.
    template <typename Stream>
    void WriteNext(Stream& stream, std::deque<std::string>& out, bool& writing,
                   std::function<void(error_code)> failed) {
        if (writing || out.empty()) return;
        writing = true;
        asio::async_write(stream, asio::buffer(out.front()),
                          [this, &stream, &out, &writing, failed](error_code ec, std::size_t) {
                              writing = false;
                              out.pop_front();
                              if (ec) {
                                  out.clear();
                                  failed(ec);
                                  return;
                              }
                              WriteNext(stream, out, writing, failed);
                          });
    }

    void ReadSerial() {
        auto buffer = std::make_shared<std::array<char, tvx::kLinkBufferBytes>>();
        serial->async_read_some(asio::buffer(*buffer), [this, buffer](error_code ec,
                                                                      std::size_t n) {
            tvx::FeedLineAssembler(serial_lines, buffer->data(), n,
                                   [this](std::string_view line) { OnLine(line, nullptr); });
            if (ec) {
                if (!stopping) Fatal(options.serial_port + ": " + ErrorReason(ec));
                return;
            }
            ReadSerial();
        });
    }

    void Connect(TcpDevice& d) {
        if (stopping) return;
        auto resolver = std::make_shared<tcp::resolver>(io);
        resolver->async_resolve(
            d.host, std::to_string(d.port),
            [this, &d, resolver](error_code ec, tcp::resolver::results_type endpoints) {
                if (ec) return Retry(d, "cannot find host " + d.host + ": " + ErrorReason(ec));
                d.socket = std::make_unique<tcp::socket>(io);
                asio::async_connect(*d.socket, endpoints,
                                    [this, &d](error_code cec, const tcp::endpoint& peer) {
                                        if (cec) return Retry(d, ErrorReason(cec));
                                        Connected(d, peer);
                                    });
            });
    }

    void Connected(TcpDevice& d, const tcp::endpoint& peer) {
        error_code ignored;
        d.socket->set_option(tcp::no_delay(true), ignored);
        d.lines = {};
        tvx::StoreClient(*sockets, d.slot, static_cast<std::uintptr_t>(d.slot),
                         peer.address().to_string());
        tvx::LogLinkEvent(c, tvx::SlotLinkName(*sockets, d.slot), "connected");
        ReadDevice(d);
    }

    void ReadDevice(TcpDevice& d) {
        auto buffer = std::make_shared<std::array<char, tvx::kLinkBufferBytes>>();
        d.socket->async_read_some(asio::buffer(*buffer), [this, &d, buffer](error_code ec,
                                                                           std::size_t n) {
            tvx::FeedLineAssembler(d.lines, buffer->data(), n,
                                   [this, &d](std::string_view line) { OnLine(line, &d); });
            if (ec) return Lost(d, ec == asio::error::eof ? "the device closed the connection"
                                                          : ErrorReason(ec));
            ReadDevice(d);
        });
    }

    void Lost(TcpDevice& d, const std::string& why) {
        if (!d.socket) return;
        tvx::LogLinkEvent(c, tvx::SlotLinkName(*sockets, d.slot), "closed: " + why);
        error_code ignored;
        d.socket->close(ignored);
        d.socket.reset();
        d.out.clear();
        tvx::ReleaseClientSocket(*sockets, static_cast<std::uintptr_t>(d.slot));
        Retry(d, why);
    }

    void Retry(TcpDevice& d, const std::string& why) {
        if (stopping) return;
        Write(Stream::Err, "tvx5870ctl: " + d.host + ":" + std::to_string(d.port) + ": " + why +
                               "; trying again\n");
        auto timer = std::make_shared<asio::steady_timer>(io, kReconnectAfter);
        timer->async_wait([this, &d, timer](error_code ec) {
            if (!ec) Connect(d);
        });
    }

    void Fatal(const std::string& why) {
        Write(Stream::Err, "tvx5870ctl: " + why + "\n");
        exit_code = 1;
        Stop();
    }

    void Stop() {
        if (stopping) return;
        stopping = true;
        tvx::LogRemoteEvent(service, "stopped");
        if (pending) {
            pending(tvx::RemoteError(503, "stopping", "tvx5870ctl is stopping"));
            pending = nullptr;
        }
        tvx::DropRemoteRequest(service);
        if (http) http->Close();
        io.stop();
    }

    int exit_code = 0;
};

void ServeLink::WriteSerial(const char* bytes, std::size_t length) {
    Server& s = *server;
    s.serial_out.emplace_back(bytes, length);
    s.WriteNext(*s.serial, s.serial_out, s.serial_writing, [&s](error_code ec) {
        if (!s.stopping) s.Fatal(s.options.serial_port + ": " + ErrorReason(ec));
    });
}

bool ServeLink::SocketSendFrame(std::uintptr_t socket, const char* bytes, std::size_t length) {
    Server& s = *server;
    s.last_frame_broadcast = length >= 2 && bytes[0] == 'F' && bytes[1] == 'F';
    for (auto& d : s.devices) {
        if (static_cast<std::uintptr_t>(d->slot) != socket || !d->socket) continue;
        d->out.emplace_back(bytes, length);
        TcpDevice& device = *d;
        s.WriteNext(*device.socket, device.out, device.writing,
                    [&s, &device](error_code ec) { s.Lost(device, ErrorReason(ec)); });
        return true;
    }
    return false;
}

bool ServeLink::ReceiveAnswer(std::uintptr_t) {
    // A broadcast is answered by no device; every other frame waits for its answer.
    if (!server->last_frame_broadcast) server->ExpectTcpAnswer();
    return true;
}

}  // namespace

bool ParseHttpAddress(const std::string& text, std::string& address, int& port,
                      std::string& error) {
    const std::size_t colon = text.rfind(':');
    std::uint32_t ip = 0;
    if (colon == std::string::npos || !tvx::ParseIpv4(text.substr(0, colon), ip)) {
        error = "--http " + text + ": give ADDR:PORT, e.g. 127.0.0.1:5870 or 0.0.0.0:5870";
        return false;
    }
    const std::string digits = text.substr(colon + 1);
    port = -1;
    if (!digits.empty() && digits.size() <= 5 &&
        digits.find_first_not_of("0123456789") == std::string::npos)
        port = std::stoi(digits);
    if (port < 0 || port > 65535) {
        error = "--http " + text + ": the port is 0..65535";
        return false;
    }
    address = text.substr(0, colon);
    return true;
}

int Serve(const ServeOptions& o) {
    Server s(o);
    // The files of --log get every entry as it comes; the ring keeps the last ones for GET /log.
    if (o.file_log != nullptr) {
        for (const tvx::CommLog::Sink& sink : o.file_log->sinks) tvx::AddLogSink(s.log, *sink.sink);
    }
    tvx::AppState& app = *s.app;
    app.slave_address = o.address;
    app.address_prefix_on = 1;
    app.reply_paced_runs = 1;  // a run steps on the device's replies, as tvx5870ctl's runs do
    if (!o.serial_port.empty()) {
        s.serial = std::make_unique<asio::serial_port>(s.io);
        std::string error;
        if (!OpenDeviceSerialPort(*s.serial, o.serial_port, error)) {
            Write(Stream::Err, "tvx5870ctl: " + error + "\n");
            return 1;
        }
        s.c.log_serial_name = o.serial_port;
        tvx::LogLinkEvent(s.c, o.serial_port, "port opened");
        s.ReadSerial();
    } else {
        app.interface_type = 1;
        app.tcp_role = 1;  // devices in slots: ?device= picks one
        app.selected_connection = 1;
        app.socket_connected = 1;
        for (std::size_t i = 0; i < o.tcp.size(); ++i) {
            auto d = std::make_unique<TcpDevice>();
            std::string error;
            ParseHostPort(o.tcp[i], d->host, d->port, error);  // checked with the options
            d->slot = static_cast<int>(i) + 1;
            s.devices.push_back(std::move(d));
        }
        for (auto& d : s.devices) s.Connect(*d);
    }

    tvx::HttpServerOptions http;
    int port = 0;
    std::string error;
    if (!ParseHttpAddress(o.http, http.address, port, error) ||
        !tvx::ParseAllowedHosts(o.allow, http.allowed_hosts, error)) {
        Write(Stream::Err, "tvx5870ctl: " + error + "\n");
        return 1;
    }
    http.port = static_cast<unsigned short>(port);
    s.service.allowed_hosts = http.allowed_hosts;
    s.service.token = o.token;
    s.service.arm_run_timer = [&s](int ms) { s.ArmRunTimer(ms); };
    s.http = std::make_unique<tvx::HttpServer>(
        s.io, http,
        [&s](tvx::RemoteRequest r, tvx::HttpAnswerFn answer) {
            tvx::RemoteAnswer a;
            if (tvx::HandleRemoteRequest(s.service, r, a)) {
                answer(std::move(a));
            } else {
                s.pending = std::move(answer);
            }
            s.AfterChange();
        },
        [&s](const std::string& peer, const std::string& why) {
            tvx::LogRemoteRefusal(s.service, peer, why);
        });
    if (!s.http->Listen(error)) {
        Write(Stream::Err, "tvx5870ctl: cannot listen on " + o.http + ": " + error + "\n");
        return 1;
    }
    tvx::LogRemoteEvent(s.service, "listening on " + s.http->Where());
    Write(Stream::Err, "tvx5870ctl: serving on http://" + s.http->Where() + "/api/v1/ (Ctrl+C ends)\n");
    s.NoReplyTick();

#ifdef _WIN32
    SetInterruptHandler([&s] { asio::post(s.io, [&s] { s.Stop(); }); });
#else
    asio::signal_set signals(s.io, SIGINT, SIGTERM, SIGHUP);
    signals.async_wait([&s](error_code ec, int) {
        if (!ec) s.Stop();
    });
#endif
    try {
        s.io.run();
    } catch (const std::exception& e) {
        Write(Stream::Err, std::string("tvx5870ctl: stopped: ") + e.what() + "\n");
        s.exit_code = 1;
    }
#ifdef _WIN32
    ClearInterruptHandler();
#endif
    return s.exit_code;
}

}  // namespace tvxctl
