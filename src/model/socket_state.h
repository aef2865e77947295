// The TCP/IP link's own state: the program's socket, the accepted clients of the server role
// and the receive buffers of the answer wait. Sockets are opaque numbers to the core.
#pragma once

#include <cstdint>

#include "model/settings_model.h"

namespace tvx {

constexpr int kClientSlotCount = 97;  // slot 0 is never given out; clients use 1..96
constexpr int kPeerTextBytes = 17;

struct ClientSlot {
    int in_use = 0;
    std::uintptr_t socket = 0;
    char peer_address[kPeerTextBytes] = {};  // dotted decimal text of the client
};

// Pieces received by the answer wait, each announced to the open dialog by one MSG_SOCKET_REPLY.
// The dialog takes them in order, so a later piece never overwrites one not yet parsed.
constexpr int kReplyQueuePieces = 8;
struct SocketReplyQueue {
    char bytes[kReplyQueuePieces][kLinkBufferBytes] = {};
    int length[kReplyQueuePieces] = {};
    bool starts_answer[kReplyQueuePieces] = {};  // the first piece of an answer wait
    int first = 0;
    int count = 0;
};

struct SocketLinkState {
    std::uintptr_t link_socket = 0;  // client: the connecting socket; server: the listener
    ClientSlot client_slots[kClientSlotCount];
    char socket_reply_buffer[kLinkBufferBytes + 1] = {};  // one spare byte keeps it terminated
    int socket_reply_length = 0;
    int socket_partial_reply = 0;
    int socket_discarding_line = 0;  // 1 while skipping an overlong reply up to its line feed
    SocketReplyQueue reply_queue;
    int refused_for_lack_of_slots = 0;  // devices turned away while all 96 slots were taken
};

// Every slot emptied, then slot 0 marked in use so that it is never given to a client; the
// count of refused devices starts again.
void ResetClientSlots(SocketLinkState& state);
// The lowest slot whose socket equals the given one; 0 when none matches.
int FindClientSlot(const SocketLinkState& state, std::uintptr_t socket);

}  // namespace tvx
