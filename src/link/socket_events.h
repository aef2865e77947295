// The portable half of the TCP/IP link: the messages of the failure table, what an
// asynchronous socket notification means, the client slot table of the server role, and the
// queue of answer pieces between the answer wait and the open dialog. The Winsock calls
// themselves live in socket_win.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/config.h"
#include "model/context.h"
#include "model/socket_state.h"

namespace tvx {

// Texts of the link's own boxes (caption "TVX-5870"); "%d" is the Windows Sockets error code.
inline constexpr std::string_view kLinkBoxCaption = "TVX-5870";
inline constexpr std::string_view kWinsockMissingText = "WINSOCK.DLLが導入されていません。";
inline constexpr std::string_view kWinsockVersionText = "WINSOCK.DLLのバーションが違います。";
inline constexpr std::string_view kSocketCreateText = "WINSOCK.DLLが動作していません。[%d]";
inline constexpr std::string_view kAsyncSelectText =
    "WINSOCK.DLLの WSAAsyncSelect() からのエラー。[%d]";
inline constexpr std::string_view kBindText = "Bindできません";
inline constexpr std::string_view kListenText = "WINSOCK.DLLの listen() からのエラー。[%d]";
inline constexpr std::string_view kAcceptText = "WINSOCK.DLLの accept() からのエラー。[%d]";
inline constexpr std::string_view kConnectText = "接続できません";
inline constexpr std::string_view kSocketEventErrorText =
    "ソケットイベントにエラーが発生しました。";
inline constexpr std::string_view kUnknownEventText = "ﾈｯﾄﾜｰｸ･ｴﾗｰ(event %d)";
inline constexpr std::string_view kConnectedText = "Socket 接続 OK";
inline constexpr std::string_view kDisconnectedText = "Socket 切断 OK";

// The pattern with its "%d" replaced by the number in decimal.
std::string FormatLinkMessage(std::string_view pattern, int number);

// The notification word of an asynchronous selection: event in the low 16 bits, error code in
// the high 16 bits.
constexpr int kSocketEventRead = 1;
constexpr int kSocketEventWrite = 2;
constexpr int kSocketEventAccept = 8;
constexpr int kSocketEventConnect = 16;
constexpr int kSocketEventClose = 32;

enum class SocketEventKind { Error, Read, Write, Accept, Connect, Close, Unknown };

// An error half other than 0 wins over the event.
SocketEventKind ClassifySocketEvent(std::uint32_t event_word);
inline int SocketEventNumber(std::uint32_t event_word) {
    return event_word & 0xFFFF;
}
inline int SocketEventError(std::uint32_t event_word) {
    return (event_word >> 16) & 0xFFFF;
}

// Server role slots. Clients occupy 1..96; slot 0 is never given out.
constexpr int kMaxClients = kClientSlotCount - 1;
// The lowest free slot 1..96, or 0 when all 96 are taken.
int FindFreeClientSlot(const SocketLinkState& state);
// Enters an accepted client; the peer text is cut to what the slot holds.
void StoreClient(SocketLinkState& state, int slot, std::uintptr_t socket, std::string_view peer);
// Empties the slot of a client socket (in_use 0, socket 0, peer text " ") and returns its index;
// 0 when the socket is in no client slot, in which case nothing changes (slot 0 stays as it is).
int ReleaseClientSocket(SocketLinkState& state, std::uintptr_t socket);
// The slots of the connected clients in slot order; returns how many.
int ConnectedClientSlots(const SocketLinkState& state, int (&slots)[kMaxClients]);
// The peer text of a slot, or empty outside 0..96 (selected_connection is read from the file
// unchecked).
std::string_view ClientPeerText(const SocketLinkState& state, int slot);

// Sockets closed while notifications of theirs may still wait in the message queue. Closing
// posts a marker behind them; until it comes back, a notification for that socket number
// belongs to the closed socket, even when a new socket got the same number meanwhile.
constexpr int kClosedSocketMarks = 128;
struct ClosedSocketMarks {
    std::uintptr_t socket[kClosedSocketMarks] = {};
    int pending[kClosedSocketMarks] = {};  // markers still in the queue for that number
};
// The socket was closed and its marker is about to be posted; false when the table is full
// (then no marker is posted and the socket is not tracked).
bool NoteSocketClosed(ClosedSocketMarks& marks, std::uintptr_t socket);
// Its marker came back (or could not be posted).
void NoteMarkerReturned(ClosedSocketMarks& marks, std::uintptr_t socket);
// A notification for this socket number was posted before it was closed.
bool IsFromClosedSocket(const ClosedSocketMarks& marks, std::uintptr_t socket);

// Keep-alive on accepted devices: one that lost power is noticed within about a minute
// (20 s of silence, then probes 4 s apart; Windows sends ten of them).
constexpr unsigned long kKeepAliveIdleMs = 20000;
constexpr unsigned long kKeepAliveIntervalMs = 4000;
// A close with one of these errors means the peer was found dead (keep-alive) or dropped
// the connection: the device has gone, as with a plain close.
bool IsPeerGoneError(int error);
// accept() failing with one of these means the host gave up the connection before it was taken
// (a connect scan's reset, a device rebooting mid-connect): no error of the program. Wine says
// "not connected" (10057) there.
bool IsGoneBeforeAcceptError(int error);

// What the server dialog says after connections were refused because all 96 slots were
// taken; empty when none was.
inline constexpr std::string_view kServerFullText = "96台を超える接続を断りました";
std::string ServerFullNote(const SocketLinkState& state);

// LinkPortNumber and DottedAddressText: model/config.h.

// The answer pieces. Each piece an answer wait receives is kept here and announced with one
// MSG_SOCKET_REPLY, and the dialog takes them in order. Pieces of an earlier answer whose
// messages are still queued stay ahead of the new ones.
//
// An answer wait starts: returns its mark (where its pieces begin in the queue).
int BeginAnswerExchange(SocketReplyQueue& queue);
enum class PieceFate {
    Announce,  // kept as a piece of its own: post one MSG_SOCKET_REPLY for it
    Joined,    // the queue is full: joined to the previous piece of the same answer
    Lost,      // no room at all: the answer cannot be handed on whole
};
PieceFate PushReplyPiece(SocketReplyQueue& queue, int mark, const char* bytes, int length);
// A failed wait hands nothing on: its pieces are dropped, earlier ones stay.
void AbandonAnswerExchange(SocketReplyQueue& queue, int mark);
void ClearReplyQueue(SocketReplyQueue& queue);
// Moves the oldest piece into socket_reply_buffer / socket_reply_length (terminated); false
// when the queue is empty. The first piece of an answer also forgets any half-joined line left
// by the answer before (bytes after its line feed), so that it is not glued to this one.
bool TakeReplyPiece(SocketLinkState& state);
// What a dialog does on MSG_SOCKET_REPLY: take the next piece and parse it. A message without a
// piece is ignored.
void OnSocketReplyMessage(CoreContext& c);

}  // namespace tvx
