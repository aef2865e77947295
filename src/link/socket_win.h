// The TCP/IP link over Windows Sockets 1.1: the client role (one connection to a device), the
// server role (up to 96 devices connect), the send of one frame and the wait for its answer.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "model/context.h"

namespace tvx {

// Sent (not posted) to the open connection dialog after a notification changed the link: a
// client came or went, the connection completed or failed. The dialog refreshes its buttons
// and list from the program state.
constexpr UINT MSG_SOCKET_LINK_CHANGED = WM_USER + 11;

// How long the answer wait and a blocked send wait for the socket.
constexpr DWORD kSocketTimeLimitMs = 5000;

// The Winsock functions the link calls, so that tests can make any of them fail.
struct WinsockApi {
    decltype(&::WSAStartup) startup;
    decltype(&::WSACleanup) cleanup;
    decltype(&::socket) open_socket;
    decltype(&::WSAAsyncSelect) async_select;
    decltype(&::connect) connect_to;
    decltype(&::bind) bind_to;
    decltype(&::listen) listen_on;
    decltype(&::accept) accept_from;
    decltype(&::recv) receive;
    decltype(&::send) send_to;
    decltype(&::select) wait_for;
    decltype(&::shutdown) shut_down;
    decltype(&::closesocket) close_socket;
    decltype(&::WSAGetLastError) last_error;
    decltype(&::WSAIoctl) io_control;  // keep-alive timings of accepted devices
};
// The real functions.
const WinsockApi& SystemWinsockApi();
// Replaces the table (copied); nullptr restores the real functions.
void SetWinsockApi(const WinsockApi* api);

// Client role, "接続": starts connecting link_socket to host_list [selected_connection].
// True while connecting (the connect notification completes it); false after a failure, which
// has been reported in a box.
bool ConnectToServer(CoreContext& c);
// Server role, "接続": listens on the port. True when listening, also when it already was.
bool StartServer(CoreContext& c);
// Every MSG_SOCKET_EVENT of the link's message window comes here.
void OnSocketEvent(CoreContext& c, WPARAM socket, LPARAM event_word);
// Takes the connections waiting on the listening socket, at most a few per turn, then lets
// accepting rest until the thread's queue has been empty once.
void AcceptClient(CoreContext& c);
// Reads and logs bytes no command waits for; a connection that streams them rests between reads.
void OnSocketRead(CoreContext& c, SOCKET socket);
void CloseClient(CoreContext& c, SOCKET socket);
// Closes the link socket and every client, ends Windows Sockets use and resets the slots.
void CloseAllSockets(CoreContext& c);

// The Link seam's socket half. The whole frame is sent, waiting for the socket to take more
// when it would block, within the time limit; false when that fails.
bool SendSocketFrame(std::uintptr_t socket, const char* bytes, std::size_t length);
// Waits (select, up to the time limit) for the answer, handing each piece to active_dialog as
// MSG_SOCKET_REPLY until one holds the line feed; false when none came in time, the peer
// closed, or more than a reply can hold arrived without a line feed.
bool ReceiveAnswer(CoreContext& c, std::uintptr_t socket);

// The server role's guard, from the configuration: while server_allowed_hosts_only is 1, a
// device is taken only from this PC or an allowed host of the remote interface; any other is
// closed at once and logged. Read at start-up and again whenever either setting changes.
void LoadServerHostGuard(IniStore& ini);

// The open connection dialog that wants MSG_SOCKET_LINK_CHANGED; nullptr when it closes.
void SetSocketLinkObserver(HWND dialog);
// The hidden window that receives the notifications (null before the first socket).
HWND SocketLinkWindow();

}  // namespace tvx
