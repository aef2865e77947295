/*
 * The TCP/IP link over Windows Sockets 1.1.
 *
 * Owns: the Winsock function table (real or a test's), the count of WSAStartup calls not yet
 * ended, whether link_socket listens or connects, and a hidden message-only window that
 * receives every WSAAsyncSelect notification (MSG_SOCKET_EVENT). The window is created with
 * the first socket and lives to the end of the process, so accepts and closes are handled also
 * while no connection dialog is open. Each socket closed posts a marker to that window behind
 * its last notifications; until the marker is back, notifications with that socket number are
 * the closed socket's and are dropped, so that they cannot reach a new socket given the same
 * number. Accepted devices get TCP keep-alive, so that one that lost power leaves its slot.
 * Whatever hosts on the LAN do, the work of one notification is bounded: the listening socket
 * asks for accepts only (so that the program's own accepts post nothing), at most kAcceptBatch
 * connections are taken per turn, and then accepting rests until a timer, which Windows delivers
 * only once the queue holds no posted message and no input: the user's keys and clicks always
 * get their turn. Boxes the link shows for an accept are posted to the link window and shown one
 * at a time, never inside the notification (whose next ones the box's own loop would handle).
 * The sockets themselves are kept in the SocketLinkState of the context and closed only by
 * CloseClient and CloseAllSockets.
 * Meets the rest: the connection dialogs call ConnectToServer, StartServer and CloseAllSockets
 * and register as observer to get MSG_SOCKET_LINK_CHANGED (sent) after each change; the
 * program's Link seam calls SendSocketFrame and ReceiveAnswer, whose pieces go to
 * active_dialog as posted MSG_SOCKET_REPLY with the bytes queued in SocketLinkState.
 * Threads: user-interface thread only. The answer wait blocks that thread in select() for at
 * most kSocketTimeLimitMs, so no second send can start meanwhile.
 */
#include "link/socket_win.h"

#include <mstcpip.h>

#include <cstring>
#include <string>
#include <vector>

#include "winbase/program_win.h"
#include "link/link_log_summary.h"
#include "link/socket_events.h"
#include "model/allowed_hosts.h"
#include "model/config.h"
#include "protocol/frame_log.h"

namespace tvx {

namespace {

const WinsockApi kSystemApi = {
    ::WSAStartup,  ::WSACleanup,      ::socket,   ::WSAAsyncSelect, ::connect, ::bind,
    ::listen,      ::accept,          ::recv,     ::send,           ::select,  ::shutdown,
    ::closesocket, ::WSAGetLastError, ::WSAIoctl,
};

WinsockApi g_api = kSystemApi;
int g_winsock_starts = 0;          // WSAStartup calls that CloseAllSockets has yet to end
bool g_link_listens = false;       // link_socket is the server role's listener
CoreContext* g_context = nullptr;  // the context the notifications belong to
HWND g_window = nullptr;
HWND g_observer = nullptr;
ClosedSocketMarks g_closed;
bool g_hosts_only = false;  // the server role takes devices from allowed hosts only
std::vector<HostRule> g_allowed_hosts;

// Posted to the link window behind the notifications of a socket just closed.
constexpr UINT MSG_SOCKET_CLOSED_MARK = WM_USER + 12;
// Posted to the link window to show g_box_text.
constexpr UINT MSG_LINK_BOX = WM_USER + 13;
std::string g_box_text;
bool g_box_posted = false;  // a link box is on its way or on the screen

// Accepting: connections taken per turn, and the rests between turns (longer after accept()
// failed, so that a lasting failure does not spin).
constexpr int kAcceptBatch = 8;
constexpr UINT kAcceptRestMs = 10;
constexpr UINT kAcceptFailedRestMs = 1000;
constexpr UINT_PTR kAcceptRestTimer = 1;
bool g_accept_resting = false;
// The log's counts of repeated events and unasked bytes are written out on this timer.
constexpr UINT_PTR kLogSummaryTimer = 2;
bool g_summary_timer = false;
// A connection streaming bytes nobody asked for is read one piece per rest; the timer of a
// slot's rest is kReadRestTimer + the slot (0: the client role's connection).
constexpr UINT kReadRestMs = 20;
constexpr UINT_PTR kReadRestTimer = 100;

constexpr long kClientEvents = FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE;
// A listening socket has nothing to read, write or close; and an accepted socket starts with
// the listener's events, so any more here would post notifications for every newcomer, also
// those closed at once.
constexpr long kListenEvents = FD_ACCEPT;
constexpr long kAcceptedEvents = FD_READ | FD_WRITE | FD_CLOSE;
constexpr wchar_t kWindowClass[] = L"TVX5870 Socket Link";

void LinkBox(CoreContext& c, std::string_view text);
void KeepLogSummaries(bool kept);
void ResumeReading(CoreContext& c, int slot);

LRESULT CALLBACK LinkWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case MSG_SOCKET_EVENT:
            if (IsFromClosedSocket(g_closed, wparam)) return 0;
            if (g_context) OnSocketEvent(*g_context, wparam, lparam);
            return 0;
        case MSG_SOCKET_CLOSED_MARK:
            NoteMarkerReturned(g_closed, wparam);
            return 0;
        case MSG_LINK_BOX:
            if (g_context) LinkBox(*g_context, g_box_text);
            g_box_posted = false;
            return 0;
        case WM_TIMER:
            KillTimer(window, wparam);
            if (wparam == kAcceptRestTimer) {
                g_accept_resting = false;
                if (g_context) AcceptClient(*g_context);
            } else if (wparam == kLogSummaryTimer) {
                g_summary_timer = false;
                if (g_context)
                    KeepLogSummaries(FlushLinkLogSummaries(*g_context, GetTickCount64(), false));
            } else if (wparam >= kReadRestTimer && wparam < kReadRestTimer + kClientSlotCount) {
                if (g_context) ResumeReading(*g_context, static_cast<int>(wparam - kReadRestTimer));
            }
            return 0;
        default:
            return DefWindowProcW(window, message, wparam, lparam);
    }
}

HWND EnsureLinkWindow(CoreContext& c) {
    g_context = &c;
    if (g_window && IsWindow(g_window)) return g_window;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = LinkWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    RegisterClassW(&wc);  // fails harmlessly when already registered
    g_window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               wc.hInstance, nullptr);
    return g_window;
}

void LinkBox(CoreContext& c, std::string_view text) {
    c.prompts.ShowPlainBox(text, kLinkBoxCaption, true);
}

void LinkBox(CoreContext& c, std::string_view pattern, int code) {
    LinkBox(c, FormatLinkMessage(pattern, code));
}

// A box for what a notification found, shown after it: one at a time, the others only logged.
void PostLinkBox(std::string_view pattern, int code) {
    if (g_box_posted || !g_window) return;
    g_box_text = FormatLinkMessage(pattern, code);
    g_box_posted = PostMessageW(g_window, MSG_LINK_BOX, 0, 0) != FALSE;
}

// Counts are kept in the log's summaries: write them out on the timer.
void KeepLogSummaries(bool kept) {
    if (!kept || g_summary_timer || !g_window) return;
    g_summary_timer = SetTimer(g_window, kLogSummaryTimer, kLogSummaryMs, nullptr) != 0;
}

// An event a host can cause many times a second (connecting, closing, being refused): its
// repeats are counted in the log.
void LogFrequentEvent(CoreContext& c, std::string_view link, std::string_view text) {
    LogRepeatedLinkEvent(c, link, text, GetTickCount64());
    KeepLogSummaries(true);
}

void RestAccepting(UINT ms) {
    if (g_accept_resting || !g_window) return;
    g_accept_resting = SetTimer(g_window, kAcceptRestTimer, ms, nullptr) != 0;
}

void NotifyObserver() {
    if (g_observer && IsWindow(g_observer)) SendMessageW(g_observer, MSG_SOCKET_LINK_CHANGED, 0, 0);
}

// Closes a socket whose notifications go to the link window. Turning them off stops new ones
// at once; those already queued are told apart by the marker posted behind them.
void CloseNotifying(SOCKET s) {
    g_api.async_select(s, g_window, 0, 0);
    g_api.close_socket(s);
    if (g_window && NoteSocketClosed(g_closed, s) &&
        !PostMessageW(g_window, MSG_SOCKET_CLOSED_MARK, static_cast<WPARAM>(s), 0)) {
        NoteMarkerReturned(g_closed, s);
    }
}

// Notifications off, both directions shut, handle closed.
void CloseQuietly(SOCKET s) {
    g_api.shut_down(s, SD_BOTH);
    CloseNotifying(s);
}

// Short keep-alive timings on an accepted device; without them a dead one is noticed after
// hours, if ever. A refusal leaves the connection as it is.
void EnableKeepAlive(SOCKET s) {
    tcp_keepalive timings = {1, kKeepAliveIdleMs, kKeepAliveIntervalMs};
    DWORD returned = 0;
    g_api.io_control(s, SIO_KEEPALIVE_VALS, &timings, sizeof timings, nullptr, 0, &returned,
                     nullptr, nullptr);
}

// WSAStartup for version 1.1, counted so that CloseAllSockets ends every use.
bool StartWinsock(CoreContext& c) {
    WSADATA data = {};
    if (g_api.startup(MAKEWORD(1, 1), &data) != 0) {
        LinkBox(c, kWinsockMissingText);
        return false;
    }
    if (data.wVersion != MAKEWORD(1, 1)) {
        g_api.cleanup();
        LinkBox(c, kWinsockVersionText);
        return false;
    }
    ++g_winsock_starts;
    return true;
}

// A new TCP socket whose notifications (events) go to the link window; on failure its box is
// shown and nothing stays open.
bool OpenLinkSocket(CoreContext& c, HWND window, long events, SOCKET& s) {
    s = g_api.open_socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) {
        LinkBox(c, kSocketCreateText, g_api.last_error());
        return false;
    }
    if (g_api.async_select(s, window, MSG_SOCKET_EVENT, events) != 0) {
        int error = g_api.last_error();
        g_api.close_socket(s);
        LinkBox(c, kAsyncSelectText, error);
        return false;
    }
    return true;
}

// The socket is ours: the link socket or an occupied client slot.
bool IsLinkSocket(const CoreContext& c, SOCKET s) {
    return s != 0 && s == static_cast<SOCKET>(c.sockets.link_socket);
}

bool IsClientSocket(const CoreContext& c, SOCKET s) {
    if (s == 0) return false;
    for (int slot = 1; slot < kClientSlotCount; ++slot) {
        const ClientSlot& cs = c.sockets.client_slots[slot];
        if (cs.in_use == 1 && static_cast<SOCKET>(cs.socket) == s) return true;
    }
    return false;
}

// The log's name of a socket of ours: the device's slot, the host of the client role, or the
// listening port.
std::string SocketName(const CoreContext& c, SOCKET s) {
    const int slot = FindClientSlot(c.sockets, s);
    if (slot >= 1) return SlotLinkName(c.sockets, slot);
    if (g_link_listens) return "port " + std::string(c.app.tcp_port_text);
    return LogLinkName(c, LogLinkSide::Socket);
}

DWORD MillisecondsLeft(ULONGLONG deadline) {
    ULONGLONG now = GetTickCount64();
    return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

// select() on one socket for reading or writing; true when it is ready before the deadline.
bool WaitReady(SOCKET s, bool for_write, ULONGLONG deadline) {
    DWORD left = MillisecondsLeft(deadline);
    if (left == 0) return false;
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv;
    tv.tv_sec = static_cast<long>(left / 1000);
    tv.tv_usec = static_cast<long>((left % 1000) * 1000);
    int r = for_write ? g_api.wait_for(0, nullptr, &set, nullptr, &tv)
                      : g_api.wait_for(0, &set, nullptr, nullptr, &tv);
    return r > 0;
}

}  // namespace

const WinsockApi& SystemWinsockApi() {
    return kSystemApi;
}

void SetWinsockApi(const WinsockApi* api) {
    g_api = api ? *api : kSystemApi;
}

void SetSocketLinkObserver(HWND dialog) {
    g_observer = dialog;
}

HWND SocketLinkWindow() {
    return g_window;
}

bool ConnectToServer(CoreContext& c) {
    HWND window = EnsureLinkWindow(c);
    // A connect still under way (or a server left listening before the role changed) is
    // given up: the link holds one socket at a time.
    if (c.sockets.link_socket != 0) CloseAllSockets(c);
    if (!StartWinsock(c)) return false;
    SOCKET s = INVALID_SOCKET;
    if (!OpenLinkSocket(c, window, kClientEvents, s)) return false;
    // The host must be an entry of the list and the port a TCP port; anything else cannot be
    // connected to.
    const unsigned char* host = SelectedHostAddress(c.app);
    int port = 0;
    if (!host || !LinkPortNumber(c.app, port)) {
        CloseNotifying(s);
        LogLinkEvent(c, LogLinkName(c, LogLinkSide::Socket), "no host or port to connect to");
        LinkBox(c, kConnectText);
        return false;
    }
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = inet_addr(DottedAddressText(host).c_str());
    if (g_api.connect_to(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        g_api.last_error() != WSAEWOULDBLOCK) {
        const int error = g_api.last_error();
        CloseNotifying(s);
        LogLinkEvent(c, LogLinkName(c, LogLinkSide::Socket),
                     "connection refused (error " + std::to_string(error) + ")");
        LinkBox(c, kConnectText);
        return false;
    }
    c.sockets.link_socket = s;
    g_link_listens = false;
    LogLinkEvent(c, LogLinkName(c, LogLinkSide::Socket), "connecting");
    return true;
}

bool StartServer(CoreContext& c) {
    HWND window = EnsureLinkWindow(c);
    if (c.sockets.link_socket != 0) {
        if (g_link_listens) return true;
        CloseAllSockets(c);  // a client role connection left over from before the role changed
    }
    if (!StartWinsock(c)) return false;
    SOCKET s = INVALID_SOCKET;
    if (!OpenLinkSocket(c, window, kListenEvents, s)) return false;
    int port = 0;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    bool port_ok = LinkPortNumber(c.app, port);
    address.sin_port = htons(static_cast<u_short>(port));
    if (!port_ok ||
        (g_api.bind_to(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
         g_api.last_error() != WSAEWOULDBLOCK)) {
        CloseNotifying(s);
        LinkBox(c, kBindText);
        return false;
    }
    // Room for every device in the queue of pending connections: when all of them connect at
    // once (a facility powering up), a queue of 5 would leave the rest half-open on some
    // systems, connected in the device's eyes but never accepted.
    if (g_api.listen_on(s, kMaxClients) != 0) {
        int error = g_api.last_error();
        CloseNotifying(s);
        LinkBox(c, kListenText, error);
        return false;
    }
    c.sockets.link_socket = s;
    g_link_listens = true;
    LogLinkEvent(c, SocketName(c, s), "listening");
    return true;
}

void OnSocketEvent(CoreContext& c, WPARAM wparam, LPARAM lparam) {
    SOCKET s = static_cast<SOCKET>(wparam);
    std::uint32_t word = static_cast<std::uint32_t>(lparam);
    // Notifications can still be queued for a socket closed since; they no longer mean anything.
    bool ours = IsLinkSocket(c, s) || IsClientSocket(c, s);
    switch (ClassifySocketEvent(word)) {
        case SocketEventKind::Error: {
            if (!ours) return;
            // A device found dead by keep-alive, or one that dropped its connection, leaves its
            // slot like one that closed it: 96 devices powered off at once must not stack 96
            // boxes.
            const bool device_gone = IsClientSocket(c, s) &&
                                     SocketEventNumber(word) == kSocketEventClose &&
                                     IsPeerGoneError(SocketEventError(word));
            const bool connecting = SocketEventNumber(word) == kSocketEventConnect;
            LogLinkEvent(c, SocketName(c, s),
                         std::string(connecting ? "connection refused" : "connection lost") +
                             " (error " + std::to_string(SocketEventError(word)) + ")");
            CloseClient(c, s);
            if (!device_gone) c.prompts.ShowErrorBox(kSocketEventErrorText, BoxIcon::Stop);
            return;
        }
        case SocketEventKind::Read:
            if (ours) OnSocketRead(c, s);
            return;
        case SocketEventKind::Write:
            return;
        case SocketEventKind::Accept:
            // While accepting rests, its timer takes the waiting connections.
            if (IsLinkSocket(c, s) && g_link_listens && !g_accept_resting) AcceptClient(c);
            return;
        case SocketEventKind::Connect:
            if (!IsLinkSocket(c, s) || g_link_listens) return;
            // State and dialog first: a notification handled inside the box's message loop
            // must find the link as it is.
            c.app.socket_connected = 1;
            LogLinkEvent(c, SocketName(c, s), "connected");
            NotifyObserver();
            c.prompts.ShowSuccessBox(kConnectedText);
            return;
        case SocketEventKind::Close:
            if (!ours) return;
            LogFrequentEvent(c, SocketName(c, s), "connection closed by the device");
            CloseClient(c, s);
            return;
        case SocketEventKind::Unknown:
            c.prompts.ShowPlainBox(FormatLinkMessage(kUnknownEventText, SocketEventNumber(word)),
                                   kLinkBoxCaption, false);
            return;
    }
}

namespace {

// Empties the slot of a socket of ours and closes it; the dialog is told by the caller.
void ReleaseSocket(CoreContext& c, SOCKET s) {
    FlushDroppedBytes(c, FindClientSlot(c.sockets, s), GetTickCount64());
    CloseQuietly(s);
    if (ReleaseClientSocket(c.sockets, s) == 0 && IsLinkSocket(c, s)) {
        // The link socket itself went: the client role's device left (or the listener failed).
        c.sockets.link_socket = 0;
        if (!g_link_listens) c.app.socket_connected = 0;
        g_link_listens = false;
    }
}

// Devices whose close is not handled yet (its notification waits behind the accepts of a busy
// program) still hold their slots. A closed connection reads as ready: the ready ones are
// peeked at, so that a closed one does not keep a device out.
void FreeSlotsOfClosedDevices(CoreContext& c) {
    for (int first = 1; first < kClientSlotCount;) {
        fd_set ready;
        FD_ZERO(&ready);
        for (; first < kClientSlotCount && ready.fd_count < FD_SETSIZE; ++first) {
            const ClientSlot& cs = c.sockets.client_slots[first];
            if (cs.in_use == 1) FD_SET(static_cast<SOCKET>(cs.socket), &ready);
        }
        timeval no_wait = {0, 0};
        if (ready.fd_count == 0 || g_api.wait_for(0, &ready, nullptr, nullptr, &no_wait) <= 0)
            continue;
        for (u_int i = 0; i < ready.fd_count; ++i) {
            const SOCKET s = ready.fd_array[i];
            char byte = 0;
            const int n = g_api.receive(s, &byte, 1, MSG_PEEK);
            const int error = n < 0 ? g_api.last_error() : 0;
            if (n > 0 || error == WSAEWOULDBLOCK) continue;
            const std::string link = SlotLinkName(c.sockets, FindClientSlot(c.sockets, s));
            if (n == 0) {
                LogFrequentEvent(c, link, "connection closed by the device");
            } else {
                LogLinkEvent(c, link, "connection lost (error " + std::to_string(error) + ")");
            }
            ReleaseSocket(c, s);
        }
    }
}

// The one place that decides whether a newcomer gets a slot: the lowest free one, or 0 (it is
// refused) when all 96 are taken, also by devices already gone.
int SlotForNewcomer(CoreContext& c, bool& swept) {
    int slot = FindFreeClientSlot(c.sockets);
    if (slot == 0 && !swept) {
        swept = true;  // once per turn
        FreeSlotsOfClosedDevices(c);
        slot = FindFreeClientSlot(c.sockets);
    }
    return slot;
}

enum class Accepted { Nothing, One, Failed };

// Takes one pending connection into the lowest free slot, or closes it when all 96 are taken.
Accepted AcceptOne(CoreContext& c, bool& swept) {
    sockaddr_in peer = {};
    int peer_length = sizeof peer;
    SOCKET s = g_api.accept_from(static_cast<SOCKET>(c.sockets.link_socket),
                                 reinterpret_cast<sockaddr*>(&peer), &peer_length);
    if (s == INVALID_SOCKET) {
        const int error = g_api.last_error();
        if (error == WSAEWOULDBLOCK) return Accepted::Nothing;
        const std::string port = SocketName(c, static_cast<SOCKET>(c.sockets.link_socket));
        // A host that reset its connection before it was taken (a port scan, a device
        // rebooting) is gone, like one that closes: no error of ours.
        if (IsGoneBeforeAcceptError(error)) {
            LogFrequentEvent(
                c, port,
                "connection reset before it was accepted (error " + std::to_string(error) + ")");
            return Accepted::One;
        }
        LogLinkEvent(c, port, "accept failed (error " + std::to_string(error) + ")");
        PostLinkBox(kAcceptText, error);
        return Accepted::Failed;
    }
    const char* text = inet_ntoa(peer.sin_addr);
    // A host the guard does not know takes no slot and sees nothing of the program.
    if (g_hosts_only && !HostAllowed(g_allowed_hosts, text ? text : "")) {
        g_api.close_socket(s);
        LogFrequentEvent(c, text ? text : "", "connection refused: not an allowed host");
        return Accepted::One;
    }
    const int slot = SlotForNewcomer(c, swept);
    if (slot != 0) {
        if (g_api.async_select(s, g_window, MSG_SOCKET_EVENT, kAcceptedEvents) == 0) {
            EnableKeepAlive(s);
            StoreClient(c.sockets, slot, s, text ? text : "");
            LogFrequentEvent(c, SlotLinkName(c.sockets, slot), "device connected");
            return Accepted::One;
        }
        const int error = g_api.last_error();
        g_api.close_socket(s);
        PostLinkBox(kAsyncSelectText, error);
        return Accepted::One;
    }
    // All 96 slots taken: the newcomer is closed at once; the server dialog says so.
    g_api.close_socket(s);
    ++c.sockets.refused_for_lack_of_slots;
    LogFrequentEvent(c, text ? text : "", "connection refused: all 96 slots are taken");
    return Accepted::One;
}

}  // namespace

void AcceptClient(CoreContext& c) {
    if (!g_link_listens || c.sockets.link_socket == 0) return;
    bool swept = false;
    int taken = 0;
    Accepted last = Accepted::One;
    while (taken < kAcceptBatch && (last = AcceptOne(c, swept)) == Accepted::One) ++taken;
    if (taken > 0 || swept) NotifyObserver();
    if (last == Accepted::Failed) {
        RestAccepting(kAcceptFailedRestMs);
    } else if (taken > 0) {
        RestAccepting(kAcceptRestMs);  // more may wait: they come after the user's turn
    }
}

namespace {

// Its reads rest: only its close is told meanwhile, and the peer's own TCP window holds the rest.
void RestReading(SOCKET s, int slot) {
    if (g_api.async_select(s, g_window, MSG_SOCKET_EVENT, FD_CLOSE) == 0)
        SetTimer(g_window, kReadRestTimer + slot, kReadRestMs, nullptr);
}

void ResumeReading(CoreContext& c, int slot) {
    SOCKET s = INVALID_SOCKET;
    if (slot >= 1 && c.sockets.client_slots[slot].in_use == 1)
        s = static_cast<SOCKET>(c.sockets.client_slots[slot].socket);
    if (slot == 0 && c.sockets.link_socket != 0 && !g_link_listens)
        s = static_cast<SOCKET>(c.sockets.link_socket);
    if (s == INVALID_SOCKET) return;
    // A connection that read bytes is up: the client role's one does not ask for its connect
    // notification again.
    g_api.async_select(s, g_window, MSG_SOCKET_EVENT, kAcceptedEvents);
    OnSocketRead(c, s);
}

}  // namespace

void OnSocketRead(CoreContext& c, SOCKET s) {
    // Outside an answer wait nobody expects bytes: a late or unasked reply is read and dropped,
    // so that it is not taken for the answer to the next command.
    char scratch[kLinkBufferBytes];
    const int n = g_api.receive(s, scratch, sizeof scratch, 0);
    if (n > 0) {
        const int slot = FindClientSlot(c.sockets, s);
        if (LogDroppedBytes(c, slot, std::string_view(scratch, static_cast<std::size_t>(n)),
                            GetTickCount64()))
            RestReading(s, slot);
        KeepLogSummaries(true);
    }
}

void LoadServerHostGuard(IniStore& ini) {
    std::string problem;
    g_hosts_only = ReadServerHostsOnly(ini);
    // A list that does not read leaves this PC alone allowed.
    if (!ParseAllowedHosts(ReadRemoteConfig(ini).allowed_hosts, g_allowed_hosts, problem))
        g_allowed_hosts.clear();
}

void CloseClient(CoreContext& c, SOCKET s) {
    ReleaseSocket(c, s);
    NotifyObserver();
}

void CloseAllSockets(CoreContext& c) {
    FlushLinkLogSummaries(c, GetTickCount64(), true);
    if (g_window) {
        KillTimer(g_window, kAcceptRestTimer);
        KillTimer(g_window, kLogSummaryTimer);
    }
    g_accept_resting = false;
    g_summary_timer = false;
    if (c.sockets.link_socket != 0) {
        LogLinkEvent(c, SocketName(c, static_cast<SOCKET>(c.sockets.link_socket)),
                     g_link_listens ? "server stopped, every connection closed" : "disconnected");
        CloseQuietly(static_cast<SOCKET>(c.sockets.link_socket));
        c.sockets.link_socket = 0;
    }
    g_link_listens = false;
    for (int slot = 1; slot < kClientSlotCount; ++slot) {
        ClientSlot& cs = c.sockets.client_slots[slot];
        if (cs.in_use == 1 && cs.socket != 0) CloseQuietly(static_cast<SOCKET>(cs.socket));
    }
    for (; g_winsock_starts > 0; --g_winsock_starts) g_api.cleanup();
    ResetClientSlots(c.sockets);
    NotifyObserver();
}

bool SendSocketFrame(std::uintptr_t socket, const char* bytes, std::size_t length) {
    SOCKET s = static_cast<SOCKET>(socket);
    ULONGLONG deadline = GetTickCount64() + kSocketTimeLimitMs;
    std::size_t sent = 0;
    while (sent < length) {
        int n = g_api.send_to(s, bytes + sent, static_cast<int>(length - sent), 0);
        if (n == SOCKET_ERROR) {
            if (g_api.last_error() != WSAEWOULDBLOCK) return false;
            if (!WaitReady(s, true, deadline)) return false;
            // Wine says "would block" even right after select() found the socket writable; a
            // short pause keeps that from spinning.
            Sleep(1);
            continue;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

bool ReceiveAnswer(CoreContext& c, std::uintptr_t socket) {
    SOCKET s = static_cast<SOCKET>(socket);
    SocketReplyQueue& queue = c.sockets.reply_queue;
    // Pieces nobody will take (their dialog closed before its messages came) must not be taken
    // for this answer; pieces whose messages are still queued go first.
    MSG pending;
    if (queue.count > 0 &&
        !PeekMessageW(&pending, nullptr, MSG_SOCKET_REPLY, MSG_SOCKET_REPLY, PM_NOREMOVE))
        ClearReplyQueue(queue);
    int mark = BeginAnswerExchange(queue);
    std::memset(c.sockets.socket_reply_buffer, 0, sizeof c.sockets.socket_reply_buffer);
    ULONGLONG deadline = GetTickCount64() + kSocketTimeLimitMs;
    HWND dialog = reinterpret_cast<HWND>(c.app.active_dialog);
    int total = 0;
    int last = -1;
    bool answered = false;
    while (c.app.read_thread_running == 1 && !answered && total < kLinkBufferBytes) {
        if (!WaitReady(s, false, deadline)) break;
        char piece[kLinkBufferBytes];
        // The whole exchange is held to one reception's size: an answer is never longer.
        int n = g_api.receive(s, piece, kLinkBufferBytes - total, 0);
        if (n == SOCKET_ERROR && g_api.last_error() == WSAEWOULDBLOCK) {
            Sleep(1);  // readable, yet nothing to read: do not spin on it
            continue;
        }
        last = n;
        if (n <= 0) break;  // failed, or the peer closed without answering
        PieceFate fate = PushReplyPiece(queue, mark, piece, n);
        if (fate == PieceFate::Lost) break;
        if (fate == PieceFate::Announce && dialog && IsWindow(dialog))
            PostMessageW(dialog, MSG_SOCKET_REPLY, static_cast<WPARAM>(c.app.selected_connection),
                         0);
        total += n;
        answered = std::memchr(piece, '\n', n) != nullptr;
    }
    c.sockets.socket_reply_length = last;
    // A failed exchange hands nothing on: its pieces are not parsed, as if none had come.
    if (!answered) AbandonAnswerExchange(queue, mark);
    return answered;
}

}  // namespace tvx
