#include "sim_run.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "sim_line.h"
#include "sim_log.h"
#include "sim_output.h"
#include "sim_state.h"

namespace tvxsim {
namespace {

constexpr size_t kMaxConnections = 64;          // accepted at once; more are closed at once
constexpr size_t kReadPauseOutput = 64 * 1024;  // stop taking frames while this much waits
constexpr size_t kMaxQueuedOutput = 1 << 20;    // replies a peer has not read
constexpr double kSerialRetrySeconds = 0.5;
constexpr double kFirstReconnectSeconds = 0.2;
constexpr double kMaxReconnectSeconds = 2.0;

int g_signal_pipe[2] = {-1, -1};

void OnSignal(int) {
    int saved = errno;
    char c = 1;
    ssize_t ignored = write(g_signal_pipe[1], &c, 1);
    (void)ignored;
    errno = saved;
}

enum class Transport { kSerial, kTcp };

struct Line {
    int fd = -1;
    Transport transport = Transport::kTcp;
    int conn = 0;
    std::vector<SimDevice*> devices;
    LineAssembler assembler;
    ReplySchedule schedule;
    ByteBudget rx_budget;
    ByteBudget tx_budget;
    int64_t frames = 0;
    bool want_write = false;  // the last write would have blocked
    bool closing = false;     // --drop-after reached: close once the replies are out
    bool connecting = false;  // outgoing connection not yet established
    bool established = false;
    bool dead = false;
    int outgoing = -1;  // index of the --tcp-connect device, -1 for others
};

struct Outgoing {
    SimDevice* device = nullptr;
    bool has_line = false;
    double retry_at = 0;
    double backoff = kFirstReconnectSeconds;
};

const char* TransportName(const Line& l) {
    return l.transport == Transport::kSerial ? "serial" : "tcp";
}

struct Sim {
    const Options& opt;
    TrafficLog log;
    StateFile state;
    std::vector<SimDevice*> main_devices;  // serial line and --tcp-listen connections
    std::unique_ptr<Line> serial;
    double serial_retry_at = 0;  // when a lost serial line is opened again
    bool serial_warned = false;
    int listen_fd = -1;
    std::vector<std::unique_ptr<Line>> conns;
    std::vector<Outgoing> outgoing;
    sockaddr_storage connect_addr{};
    socklen_t connect_addr_len = 0;
    int next_conn = 1;
    uint64_t frame_count = 0;  // every frame of the run, all lines together

    explicit Sim(const Options& o) : opt(o) {}

    void Event(const Line& l, const std::string& text, std::string_view address = "") {
        LogRecord(log, TransportName(l), l.conn, "event", address, text);
    }
    void GlobalEvent(const char* transport, const std::string& text) {
        LogRecord(log, transport, 0, "event", "", text);
    }
};

Line MakeLine(int fd, Transport t, int conn, std::vector<SimDevice*> devices) {
    Line l;
    l.fd = fd;
    l.transport = t;
    l.conn = conn;
    l.devices = std::move(devices);
    double now = NowSeconds();
    l.rx_budget.last = now;
    l.tx_budget.last = now;
    l.schedule.last_due = now;
    return l;
}

// --- serial ---

// Opens and configures the tty. Returns the fd, or -1 with `error` set.
int OpenSerial(Sim& sim, const std::string& path, std::string& error) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open serial device " + path + ": " + std::strerror(errno);
        return -1;
    }
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        error = path + " is not a terminal: " + std::strerror(errno);
        close(fd);
        return -1;
    }
    cfmakeraw(&t);
    t.c_cflag &= ~(CSIZE | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | PARENB | CREAD | CLOCAL;
    // XON and XOFF are data to be dropped by us, not flow control for the driver.
    t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | ISTRIP | PARMRK | IGNPAR);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    if (tcsetattr(fd, TCSANOW, &t) != 0) {
        // A Linux pty refuses even parity when it is already set; the line
        // carries bytes all the same, so only raw mode matters here.
        int err = errno;
        t.c_cflag &= ~PARENB;
        bool raw_ok = tcsetattr(fd, TCSANOW, &t) == 0;
        if (!sim.serial_warned)
            std::fprintf(
                stderr, "tvx5870-sim: warning: %s: cannot set 9600 baud 8E1 (%s)%s; going on\n",
                path.c_str(), std::strerror(err), raw_ok ? ", set 9600 baud 8N1 raw instead" : "");
        sim.serial_warned = true;
    }
    // Bytes left in a pty from an earlier run are not for this device.
    tcflush(fd, TCIOFLUSH);
    return fd;
}

// --- TCP ---

// Replies are short and a device has little memory: small kernel buffers let a
// peer that never reads show up as queued output, which is bounded, instead of
// megabytes parked in the kernel.
void LimitSocketBuffers(int fd) {
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    int size = 64 * 1024;
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
}

int OpenListener(const Options& opt, int& bound_port, std::string& error) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(opt.listen_port));
    if (inet_pton(AF_INET, opt.bind_address.c_str(), &addr.sin_addr) != 1) {
        error = "--bind " + opt.bind_address + ": not an IPv4 address";
        return -1;
    }
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("cannot create a socket: ") + std::strerror(errno);
        return -1;
    }
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(fd, SOMAXCONN) != 0) {
        error = "cannot listen on " + opt.bind_address + ":" + std::to_string(opt.listen_port) +
                ": " + std::strerror(errno);
        close(fd);
        return -1;
    }
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    bound_port = ntohs(addr.sin_port);
    return fd;
}

bool ResolveConnect(Sim& sim, std::string& error) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;  // any address family: IPv4 or IPv6
    addrinfo* res = nullptr;
    std::string port = std::to_string(sim.opt.connect_port);
    int rc = getaddrinfo(sim.opt.connect_host.c_str(), port.c_str(), &hints, &res);
    if (rc != 0 || !res) {
        error = "cannot resolve " + sim.opt.connect_host + ": " + gai_strerror(rc);
        return false;
    }
    std::memcpy(&sim.connect_addr, res->ai_addr, res->ai_addrlen);
    sim.connect_addr_len = res->ai_addrlen;
    freeaddrinfo(res);
    return true;
}

// With nobody listening on a port of the ephemeral range, a loopback connect
// can meet itself (simultaneous open). That is no program; try again later.
bool IsSelfConnected(int fd) {
    sockaddr_storage a{}, b{};
    socklen_t la = sizeof a, lb = sizeof b;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&a), &la) != 0 ||
        getpeername(fd, reinterpret_cast<sockaddr*>(&b), &lb) != 0)
        return false;
    return la == lb && std::memcmp(&a, &b, la) == 0;
}

void StartConnect(Sim& sim, size_t index, double now) {
    Outgoing& o = sim.outgoing[index];
    int fd = socket(sim.connect_addr.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    auto line = std::make_unique<Line>(
        MakeLine(fd, Transport::kTcp, sim.next_conn++, std::vector<SimDevice*>{o.device}));
    line->outgoing = static_cast<int>(index);
    std::string target = sim.opt.connect_host + ":" + std::to_string(sim.opt.connect_port);
    if (fd < 0) {
        sim.Event(*line, std::string("cannot create a socket: ") + std::strerror(errno));
        o.retry_at = now + o.backoff;
        return;
    }
    LimitSocketBuffers(fd);
    int rc = connect(fd, reinterpret_cast<sockaddr*>(&sim.connect_addr), sim.connect_addr_len);
    if (rc != 0 && errno != EINPROGRESS) {
        sim.Event(*line, "cannot connect to " + target + " (device " + std::to_string(index + 1) +
                             "): " + std::strerror(errno));
        close(fd);
        o.retry_at = now + o.backoff;
        o.backoff = std::min(o.backoff * 2, kMaxReconnectSeconds);
        return;
    }
    if (rc == 0 && IsSelfConnected(fd)) {
        close(fd);
        o.retry_at = now + o.backoff;
        return;
    }
    line->connecting = rc != 0;
    line->established = !line->connecting;
    o.has_line = true;
    if (line->established)
        sim.Event(*line, "connected to " + target + " (device " + std::to_string(index + 1) + ")");
    sim.conns.push_back(std::move(line));
}

void FinishConnect(Sim& sim, Line& l, double now) {
    int err = 0;
    socklen_t len = sizeof err;
    getsockopt(l.fd, SOL_SOCKET, SO_ERROR, &err, &len);
    if (err == 0 && IsSelfConnected(l.fd)) err = ECONNREFUSED;
    std::string target = sim.opt.connect_host + ":" + std::to_string(sim.opt.connect_port);
    std::string device = " (device " + std::to_string(l.outgoing + 1) + ")";
    l.connecting = false;
    if (err != 0) {
        sim.Event(l, "cannot connect to " + target + device + ": " + std::strerror(err));
        Outgoing& o = sim.outgoing[l.outgoing];
        l.dead = true;
        o.retry_at = now + o.backoff;
        o.backoff = std::min(o.backoff * 2, kMaxReconnectSeconds);
        return;
    }
    sim.outgoing[l.outgoing].backoff = kFirstReconnectSeconds;
    l.established = true;
    sim.Event(l, "connected to " + target + device);
}

void AcceptAll(Sim& sim) {
    for (;;) {
        sockaddr_storage peer{};
        socklen_t len = sizeof peer;
        int fd = accept4(sim.listen_fd, reinterpret_cast<sockaddr*>(&peer), &len,
                         SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;  // EAGAIN, or the peer gave up before we got to it
        char host[INET6_ADDRSTRLEN] = "?";
        int port = 0;
        if (peer.ss_family == AF_INET) {
            auto* in = reinterpret_cast<sockaddr_in*>(&peer);
            inet_ntop(AF_INET, &in->sin_addr, host, sizeof host);
            port = ntohs(in->sin_port);
        }
        int conn = sim.next_conn++;
        std::string who = std::string(host) + ":" + std::to_string(port);
        if (sim.conns.size() >= kMaxConnections) {
            LogRecord(sim.log, "tcp", conn, "event", "",
                      "connection from " + who + " refused: too many connections");
            close(fd);
            continue;
        }
        LimitSocketBuffers(fd);
        auto line = std::make_unique<Line>(MakeLine(fd, Transport::kTcp, conn, sim.main_devices));
        sim.Event(*line, "connected from " + who);
        sim.conns.push_back(std::move(line));
    }
}

// --- frames ---

void HandleFrames(Sim& sim, Line& l, AssembledInput& in, double now) {
    for (const std::string& e : in.events) sim.Event(l, e);
    for (const std::string& frame : in.frames) {
        if (l.closing) break;  // frames after --drop-after are not taken
        ++sim.frame_count;
        ++l.frames;
        FrameView view = ClassifyFrame(frame);
        LogRecord(sim.log, TransportName(l), l.conn, "rx", view.prefix, frame);

        const char* injected = nullptr;
        auto it = sim.opt.errors.find(sim.frame_count);
        if (it != sim.opt.errors.end()) injected = it->second.c_str();
        bool silent = sim.opt.silent_after >= 0 &&
                      static_cast<int64_t>(sim.frame_count) > sim.opt.silent_after;
        FrameResult r = HandleFrame(l.devices, frame, injected, silent);
        for (const std::string& e : r.events) sim.Event(l, e, view.prefix);
        if (injected && !r.injected_used && !silent)
            sim.Event(l, "frame " + std::to_string(sim.frame_count) +
                             " is answered by no device here: " + injected + " not sent");
        if (!r.reply.empty())
            ScheduleReply(l.schedule, sim.opt.faults, r.reply, r.reply_address, now);

        if (l.transport == Transport::kTcp && sim.opt.drop_after > 0 &&
            l.frames >= sim.opt.drop_after) {
            l.closing = true;
            sim.Event(l, "dropping the connection after " + std::to_string(l.frames) + " frames");
        }
    }
}

void ReadLine(Sim& sim, Line& l, double now) {
    char buf[4096];
    // Bounded per wake-up so that one busy peer cannot starve the others.
    for (int round = 0; round < 16 && !l.dead && !l.closing; ++round) {
        // A peer that does not read its replies gets no more frames taken: the
        // line's own flow control then holds it back, and memory stays bounded.
        if (QueuedBytes(l.schedule) > kReadPauseOutput) return;
        size_t want = sizeof buf;
        if (sim.opt.baud_limit) {
            want = Take(l.rx_budget, want, now);
            if (want == 0) return;
        }
        ssize_t n = read(l.fd, buf, want);
        if (n > 0) {
            AssembledInput in;
            FeedBytes(l.assembler, buf, static_cast<size_t>(n), l.transport == Transport::kSerial,
                      in);
            HandleFrames(sim, l, in, now);
            if (static_cast<size_t>(n) < want) return;
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
        // End of stream or a hard error.
        if (l.transport == Transport::kSerial) {
            sim.Event(l, n == 0 ? "serial line closed by the other end; reopening"
                                : std::string("serial read failed (") + std::strerror(errno) +
                                      "); reopening");
        } else {
            sim.Event(
                l, n == 0 ? "disconnected" : std::string("disconnected: ") + std::strerror(errno));
        }
        l.dead = true;
        return;
    }
}

void WriteLine(Sim& sim, Line& l, double now) {
    l.want_write = false;
    auto& q = l.schedule.queue;
    while (!q.empty() && q.front().due <= now && !l.dead) {
        OutChunk& c = q.front();
        size_t n = c.bytes.size();
        if (sim.opt.baud_limit) {
            n = Take(l.tx_budget, n, now);
            if (n == 0) return;
        }
        ssize_t w = l.transport == Transport::kTcp ? send(l.fd, c.bytes.data(), n, MSG_NOSIGNAL)
                                                   : write(l.fd, c.bytes.data(), n);
        if (w < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
                l.want_write = true;
                return;
            }
            sim.Event(l, std::string("write failed: ") + std::strerror(errno));
            l.dead = true;
            return;
        }
        LogRecord(sim.log, TransportName(l), l.conn, "tx", c.address,
                  std::string_view(c.bytes.data(), static_cast<size_t>(w)));
        c.bytes.erase(0, static_cast<size_t>(w));
        if (c.bytes.empty()) ChunkLeft(l.schedule, now);
        if (static_cast<size_t>(w) < n) {
            l.want_write = true;
            return;
        }
    }
}

// Replies pile up when the other end sends and never reads; keep them bounded.
void BoundOutput(Sim& sim, Line& l) {
    if (l.dead || QueuedBytes(l.schedule) <= kMaxQueuedOutput) return;
    if (l.transport == Transport::kTcp) {
        sim.Event(l, "the peer does not read its replies; connection closed");
        l.dead = true;
    } else {
        sim.Event(l, "nobody reads the serial line; queued replies discarded");
        l.schedule.queue.clear();
        l.schedule.held.clear();
    }
}

// Earliest time at which this line has something to do without new input.
double NextWake(const Sim& sim, const Line& l, double now) {
    double wake = now + 1.0;
    if (!l.schedule.queue.empty() && !l.want_write) {
        double due = std::max(l.schedule.queue.front().due, now);
        if (sim.opt.baud_limit) due = std::max(due, NextTime(l.tx_budget, now));
        wake = std::min(wake, due);
    }
    if (sim.opt.baud_limit) wake = std::min(wake, std::max(now, NextTime(l.rx_budget, now)));
    return wake;
}

bool WantsRead(const Sim& sim, const Line& l, double now) {
    if (l.connecting || l.closing) return false;
    if (QueuedBytes(l.schedule) > kReadPauseOutput) return false;
    return !sim.opt.baud_limit || NextTime(l.rx_budget, now) <= now;
}

void CloseLine(Sim& sim, Line& l, double now) {
    if (l.fd >= 0) close(l.fd);
    l.fd = -1;
    if (l.outgoing >= 0) {
        Outgoing& o = sim.outgoing[l.outgoing];
        o.has_line = false;
        if (o.retry_at <= now) o.retry_at = now + o.backoff;
        if (l.established) sim.Event(l, "reconnecting");
    }
}

void SetupSignals() {
    if (pipe2(g_signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("tvx5870-sim: pipe");
        std::exit(1);
    }
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

}  // namespace

int RunSimulator(const Options& opt) {
    Sim sim(opt);
    sim.log.verbose = opt.verbose;
    std::string error;

    // Devices: factory state, then the state file, then addresses given on the command line.
    for (int i = 0; i < opt.devices; ++i)
        sim.state.devices.push_back(FactoryDevice(false, static_cast<size_t>(i), opt.address + i));
    int connect_count = opt.tcp_connect ? opt.connect_count : 0;
    for (int i = 0; i < connect_count; ++i)
        sim.state.connect_devices.push_back(
            FactoryDevice(true, static_cast<size_t>(i), opt.address));
    if (!opt.state_path.empty()) {
        bool existed = false;
        if (!LoadStateFile(opt.state_path, sim.state, existed, error)) {
            std::fprintf(stderr, "tvx5870-sim: %s\n", error.c_str());
            return 1;
        }
        if (existed && opt.addresses_given) {
            for (int i = 0; i < opt.devices; ++i) sim.state.devices[i].address = opt.address + i;
            for (int i = 0; i < connect_count; ++i)
                sim.state.connect_devices[i].address = opt.address;
        }
    }
    for (int i = 0; i < opt.devices; ++i) sim.main_devices.push_back(&sim.state.devices[i]);

    if (!opt.log_path.empty() && !OpenLog(sim.log, opt.log_path, error)) {
        std::fprintf(stderr, "tvx5870-sim: %s\n", error.c_str());
        return 1;
    }
    SetupSignals();

    if (!opt.serial_path.empty()) {
        int fd = OpenSerial(sim, opt.serial_path, error);
        if (fd < 0) {
            std::fprintf(stderr, "tvx5870-sim: %s\n", error.c_str());
            return 1;
        }
        sim.serial = std::make_unique<Line>(MakeLine(fd, Transport::kSerial, 0, sim.main_devices));
        sim.Event(*sim.serial, "opened " + opt.serial_path);
    }
    if (opt.tcp_listen) {
        int port = 0;
        sim.listen_fd = OpenListener(opt, port, error);
        if (sim.listen_fd < 0) {
            std::fprintf(stderr, "tvx5870-sim: %s\n", error.c_str());
            return 1;
        }
        sim.GlobalEvent("tcp", "listening on " + opt.bind_address + ":" + std::to_string(port));
        std::printf("tvx5870-sim: listening on %s:%d\n", opt.bind_address.c_str(), port);
    }
    if (opt.tcp_connect) {
        if (!ResolveConnect(sim, error)) {
            std::fprintf(stderr, "tvx5870-sim: %s\n", error.c_str());
            return 1;
        }
        double now = NowSeconds();
        for (int i = 0; i < connect_count; ++i) {
            Outgoing o;
            o.device = &sim.state.connect_devices[i];
            sim.outgoing.push_back(o);
        }
        for (size_t i = 0; i < sim.outgoing.size(); ++i) StartConnect(sim, i, now);
    }
    std::printf("tvx5870-sim: ready\n");
    std::fflush(stdout);

    bool stop = false;
    std::vector<pollfd> fds;
    std::vector<Line*> fd_lines;
    while (!stop) {
        double now = NowSeconds();

        // Lost serial line: open it again when its pause is over.
        if (!opt.serial_path.empty() && sim.serial->fd < 0 && now >= sim.serial_retry_at) {
            int fd = OpenSerial(sim, opt.serial_path, error);
            if (fd >= 0) {
                sim.serial->fd = fd;
                sim.serial->dead = false;
                sim.serial->assembler = LineAssembler{};
                sim.Event(*sim.serial, "reopened " + opt.serial_path);
            } else {
                sim.serial_retry_at = now + kSerialRetrySeconds;
            }
        }
        for (size_t i = 0; i < sim.outgoing.size(); ++i)
            if (!sim.outgoing[i].has_line && now >= sim.outgoing[i].retry_at)
                StartConnect(sim, i, now);

        fds.clear();
        fd_lines.clear();
        fds.push_back({g_signal_pipe[0], POLLIN, 0});
        fd_lines.push_back(nullptr);
        if (sim.listen_fd >= 0) {
            fds.push_back({sim.listen_fd, POLLIN, 0});
            fd_lines.push_back(nullptr);
        }
        double wake = now + 1.0;
        std::vector<Line*> lines;
        if (sim.serial && sim.serial->fd >= 0) lines.push_back(sim.serial.get());
        if (sim.serial && sim.serial->fd < 0) wake = std::min(wake, sim.serial_retry_at);
        for (auto& c : sim.conns) lines.push_back(c.get());
        for (const Outgoing& o : sim.outgoing)
            if (!o.has_line) wake = std::min(wake, o.retry_at);
        for (Line* l : lines) {
            short events = 0;
            if (WantsRead(sim, *l, now)) events |= POLLIN;
            if (l->connecting || l->want_write) events |= POLLOUT;
            fds.push_back({l->fd, events, 0});
            fd_lines.push_back(l);
            wake = std::min(wake, NextWake(sim, *l, now));
        }
        int timeout_ms = static_cast<int>(std::max(0.0, (wake - now) * 1000.0) + 0.999);
        int rc = poll(fds.data(), fds.size(), timeout_ms);
        if (rc < 0 && errno != EINTR) {
            std::perror("tvx5870-sim: poll");
            break;
        }
        now = NowSeconds();
        bool accept_ready = false;
        for (size_t i = 0; i < fds.size(); ++i) {
            short re = rc > 0 ? fds[i].revents : 0;
            Line* l = fd_lines[i];
            if (!l) {
                if (re && fds[i].fd == g_signal_pipe[0]) stop = true;
                if (re && fds[i].fd == sim.listen_fd) accept_ready = true;
                continue;
            }
            if (l->connecting) {
                if (re & (POLLOUT | POLLERR | POLLHUP)) FinishConnect(sim, *l, now);
                continue;
            }
            if (re & (POLLIN | POLLHUP | POLLERR)) ReadLine(sim, *l, now);
            if (!l->dead) WriteLine(sim, *l, now);
            BoundOutput(sim, *l);
            if (l->closing && !l->dead && l->schedule.queue.empty()) {
                sim.Event(*l, "disconnected");
                l->dead = true;
            }
        }
        // Lines that are done.
        if (sim.serial && sim.serial->dead && sim.serial->fd >= 0) {
            close(sim.serial->fd);
            sim.serial->fd = -1;
            sim.serial->dead = false;
            sim.serial->schedule = ReplySchedule{};
            sim.serial->schedule.last_due = now;
            sim.serial_retry_at = now + kSerialRetrySeconds;
        }
        for (auto& c : sim.conns)
            if (c->dead) CloseLine(sim, *c, now);
        sim.conns.erase(std::remove_if(sim.conns.begin(), sim.conns.end(),
                                       [](const std::unique_ptr<Line>& c) { return c->dead; }),
                        sim.conns.end());
        // New connections after the closed ones are gone, so the limit counts live ones.
        if (accept_ready && !stop) AcceptAll(sim);
    }

    // Stopping: close every line, keep the devices' memory.
    for (auto& c : sim.conns) {
        if (c->fd >= 0) close(c->fd);
    }
    if (sim.serial && sim.serial->fd >= 0) close(sim.serial->fd);
    if (sim.listen_fd >= 0) close(sim.listen_fd);
    sim.GlobalEvent(opt.serial_path.empty() ? "tcp" : "serial", "stopped");
    int status = 0;
    if (!opt.state_path.empty() && !SaveStateFile(opt.state_path, sim.state, error)) {
        std::fprintf(stderr, "tvx5870-sim: %s\n", error.c_str());
        status = 1;
    }
    CloseLog(sim.log);
    return status;
}

}  // namespace tvxsim
