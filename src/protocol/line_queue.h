// Complete serial reply lines on their way from the read thread to the user-interface thread.
// A fixed ring of bytes keeps the lines in order of arrival, each as two length bytes and its
// bytes, so that the replies of a whole run (a read-back, the glyph list) fit behind one open
// message box and the read thread never has to wait for room. Every line put counts as
// arrived, also one that found no room: the user-interface thread ends the wait for a reply as
// soon as it hears of an arrival, whatever waits behind a box. The owner locks it; it knows
// no threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/settings_model.h"

namespace tvx {

constexpr std::size_t kLineQueueBytes = 128 * 1024;

struct SerialLineQueue {
    char ring[kLineQueueBytes] = {};
    std::size_t head = 0;  // where the oldest line starts
    std::size_t used = 0;
    std::uint32_t arrived = 0;  // lines put, kept or dropped
    std::uint32_t counted = 0;  // of those, handed out by TakeArrivals
    std::uint32_t dropped = 0;  // lines that found no room, not yet handed out by TakeDropped
};

// Appends a line (at most kLinkBufferBytes of it); false when there is no room, in which case
// it is dropped. Either way it has arrived.
bool PutLine(SerialLineQueue& q, std::string_view line);
// Moves the oldest line into out (room for kLinkBufferBytes); false when there is none.
bool TakeLine(SerialLineQueue& q, char* out, std::size_t& length);
bool HasLines(const SerialLineQueue& q);
// Lines arrived since the last call.
std::uint32_t TakeArrivals(SerialLineQueue& q);
// Lines dropped since the last call.
std::uint32_t TakeDropped(SerialLineQueue& q);

}  // namespace tvx
