// The TCP/IP link's own state: the program's socket, the accepted clients of the server role
// and the receive buffers of the answer wait. Sockets are opaque numbers to the core.
#pragma once

#include <cstdint>
#include <string>

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

// Link events that come in storms (one host refused over and over, resets before the accept):
// the first of a kind from a host is logged at once, its repeats are counted and logged as one
// entry with their number now and then.
constexpr int kRepeatedEventKinds = 16;
struct RepeatedLinkEvent {
    std::string link;  // empty: the entry is free
    std::string text;
    long long unlogged = 0;      // repeats since the last entry
    std::uint64_t since_ms = 0;  // when the last entry was made
};

// Bytes of a connection that nobody asked for: a few pieces are logged as they come, the rest
// counted and logged as one entry with the first of them, now and then.
constexpr int kDroppedShownBytes = 64;
struct DroppedBytes {
    int pieces_logged = 0;  // pieces logged one by one since since_ms
    std::uint64_t since_ms = 0;
    long long unlogged = 0;  // bytes counted since the last entry
    int shown_length = 0;    // the first of them, for that entry
    char shown[kDroppedShownBytes] = {};
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
    RepeatedLinkEvent repeated[kRepeatedEventKinds];
    DroppedBytes dropped[kClientSlotCount];  // per client slot; 0: the client role's connection
};

// Every slot emptied, then slot 0 marked in use so that it is never given to a client; the
// count of refused devices and the log's counts start again.
void ResetClientSlots(SocketLinkState& state);
// The lowest slot whose socket equals the given one; 0 when none matches.
int FindClientSlot(const SocketLinkState& state, std::uintptr_t socket);

}  // namespace tvx
