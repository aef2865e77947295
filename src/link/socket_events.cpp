#include "link/socket_events.h"

#include <cstring>

#include "protocol/replies.h"

namespace tvx {

std::string FormatLinkMessage(std::string_view pattern, int number) {
    std::string text(pattern);
    std::size_t at = text.find("%d");
    if (at != std::string::npos) text.replace(at, 2, std::to_string(number));
    return text;
}

SocketEventKind ClassifySocketEvent(std::uint32_t event_word) {
    if (SocketEventError(event_word) != 0) return SocketEventKind::Error;
    switch (SocketEventNumber(event_word)) {
        case kSocketEventRead:
            return SocketEventKind::Read;
        case kSocketEventWrite:
            return SocketEventKind::Write;
        case kSocketEventAccept:
            return SocketEventKind::Accept;
        case kSocketEventConnect:
            return SocketEventKind::Connect;
        case kSocketEventClose:
            return SocketEventKind::Close;
        default:
            return SocketEventKind::Unknown;
    }
}

bool NoteSocketClosed(ClosedSocketMarks& marks, std::uintptr_t socket) {
    int free_entry = -1;
    for (int i = 0; i < kClosedSocketMarks; ++i) {
        if (marks.pending[i] > 0 && marks.socket[i] == socket) {
            ++marks.pending[i];
            return true;
        }
        if (marks.pending[i] == 0 && free_entry < 0) free_entry = i;
    }
    if (free_entry < 0) return false;
    marks.socket[free_entry] = socket;
    marks.pending[free_entry] = 1;
    return true;
}

void NoteMarkerReturned(ClosedSocketMarks& marks, std::uintptr_t socket) {
    for (int i = 0; i < kClosedSocketMarks; ++i) {
        if (marks.pending[i] > 0 && marks.socket[i] == socket) {
            --marks.pending[i];
            return;
        }
    }
}

bool IsFromClosedSocket(const ClosedSocketMarks& marks, std::uintptr_t socket) {
    for (int i = 0; i < kClosedSocketMarks; ++i) {
        if (marks.pending[i] > 0 && marks.socket[i] == socket) return true;
    }
    return false;
}

bool IsPeerGoneError(int error) {
    constexpr int kNetReset = 10052;           // WSAENETRESET: keep-alive found the peer dead
    constexpr int kConnectionAborted = 10053;  // WSAECONNABORTED
    constexpr int kConnectionReset = 10054;    // WSAECONNRESET
    constexpr int kTimedOut = 10060;           // WSAETIMEDOUT
    return error == kNetReset || error == kConnectionAborted || error == kConnectionReset ||
           error == kTimedOut;
}

bool IsGoneBeforeAcceptError(int error) {
    constexpr int kNotConnected = 10057;  // WSAENOTCONN
    return IsPeerGoneError(error) || error == kNotConnected;
}

std::string ServerFullNote(const SocketLinkState& state) {
    if (state.refused_for_lack_of_slots <= 0) return {};
    return std::string(kServerFullText) + ": " + std::to_string(state.refused_for_lack_of_slots) +
           "件";
}

int FindFreeClientSlot(const SocketLinkState& state) {
    for (int slot = 1; slot < kClientSlotCount; ++slot) {
        if (state.client_slots[slot].in_use == 0) return slot;
    }
    return 0;
}

void StoreClient(SocketLinkState& state, int slot, std::uintptr_t socket, std::string_view peer) {
    if (slot < 1 || slot >= kClientSlotCount) return;
    ClientSlot& s = state.client_slots[slot];
    s.in_use = 1;
    s.socket = socket;
    std::memset(s.peer_address, 0, sizeof s.peer_address);
    std::size_t n =
        peer.size() < sizeof s.peer_address - 1 ? peer.size() : sizeof s.peer_address - 1;
    std::memcpy(s.peer_address, peer.data(), n);
}

int ReleaseClientSocket(SocketLinkState& state, std::uintptr_t socket) {
    if (socket == 0) return 0;
    for (int slot = 1; slot < kClientSlotCount; ++slot) {
        ClientSlot& s = state.client_slots[slot];
        if (s.in_use == 1 && s.socket == socket) {
            s.in_use = 0;
            s.socket = 0;
            std::memset(s.peer_address, 0, sizeof s.peer_address);
            s.peer_address[0] = ' ';
            return slot;
        }
    }
    return 0;
}

int ConnectedClientSlots(const SocketLinkState& state, int (&slots)[kMaxClients]) {
    int count = 0;
    for (int slot = 1; slot < kClientSlotCount; ++slot) {
        if (state.client_slots[slot].in_use == 1) slots[count++] = slot;
    }
    return count;
}

std::string_view ClientPeerText(const SocketLinkState& state, int slot) {
    if (slot < 0 || slot >= kClientSlotCount) return {};
    const char* text = state.client_slots[slot].peer_address;
    return std::string_view(text, strnlen(text, sizeof state.client_slots[slot].peer_address));
}

int BeginAnswerExchange(SocketReplyQueue& q) {
    return q.count;
}

PieceFate PushReplyPiece(SocketReplyQueue& q, int mark, const char* bytes, int length) {
    if (length <= 0) return PieceFate::Joined;  // nothing to hand on
    if (length > kLinkBufferBytes) length = kLinkBufferBytes;
    if (q.count < kReplyQueuePieces) {
        int at = (q.first + q.count) % kReplyQueuePieces;
        std::memcpy(q.bytes[at], bytes, length);
        q.length[at] = length;
        q.starts_answer[at] = q.count == mark;
        ++q.count;
        return PieceFate::Announce;
    }
    // Full: the piece joins the newest one if that belongs to the same answer and has room.
    int last = (q.first + q.count - 1) % kReplyQueuePieces;
    if (q.count - 1 < mark || q.length[last] + length > kLinkBufferBytes) return PieceFate::Lost;
    std::memcpy(q.bytes[last] + q.length[last], bytes, length);
    q.length[last] += length;
    return PieceFate::Joined;
}

void AbandonAnswerExchange(SocketReplyQueue& q, int mark) {
    if (mark >= 0 && mark < q.count) q.count = mark;
}

void ClearReplyQueue(SocketReplyQueue& q) {
    q.first = 0;
    q.count = 0;
}

bool TakeReplyPiece(SocketLinkState& state) {
    SocketReplyQueue& q = state.reply_queue;
    if (q.count == 0) return false;
    int n = q.length[q.first];
    if (q.starts_answer[q.first]) {
        state.socket_partial_reply = 0;
        state.socket_discarding_line = 0;
    }
    std::memset(state.socket_reply_buffer, 0, sizeof state.socket_reply_buffer);
    std::memcpy(state.socket_reply_buffer, q.bytes[q.first], n);
    state.socket_reply_length = n;
    q.first = (q.first + 1) % kReplyQueuePieces;
    --q.count;
    return true;
}

void OnSocketReplyMessage(CoreContext& c) {
    if (TakeReplyPiece(c.sockets)) ParseSocketReply(c);
}

}  // namespace tvx
