#include "protocol/line_queue.h"

#include <cstring>

namespace tvx {

namespace {

constexpr std::size_t kLengthBytes = 2;

void CopyIn(SerialLineQueue& q, std::size_t at, const char* bytes, std::size_t n) {
    at %= kLineQueueBytes;
    std::size_t first = n < kLineQueueBytes - at ? n : kLineQueueBytes - at;
    std::memcpy(q.ring + at, bytes, first);
    std::memcpy(q.ring, bytes + first, n - first);
}

void CopyOut(const SerialLineQueue& q, std::size_t at, char* out, std::size_t n) {
    at %= kLineQueueBytes;
    std::size_t first = n < kLineQueueBytes - at ? n : kLineQueueBytes - at;
    std::memcpy(out, q.ring + at, first);
    std::memcpy(out + first, q.ring, n - first);
}

}  // namespace

bool PutLine(SerialLineQueue& q, std::string_view line) {
    ++q.arrived;
    std::size_t n = line.size() < kLinkBufferBytes ? line.size() : kLinkBufferBytes;
    if (kLineQueueBytes - q.used < kLengthBytes + n) {
        ++q.dropped;
        return false;
    }
    const char length[kLengthBytes] = {static_cast<char>(n & 0xFF), static_cast<char>(n >> 8)};
    std::size_t tail = q.head + q.used;
    CopyIn(q, tail, length, kLengthBytes);
    CopyIn(q, tail + kLengthBytes, line.data(), n);
    q.used += kLengthBytes + n;
    return true;
}

bool TakeLine(SerialLineQueue& q, char* out, std::size_t& length) {
    if (q.used == 0) return false;
    unsigned char n[kLengthBytes];
    CopyOut(q, q.head, reinterpret_cast<char*>(n), kLengthBytes);
    length = n[0] | (std::size_t{n[1]} << 8);
    CopyOut(q, q.head + kLengthBytes, out, length);
    q.head = (q.head + kLengthBytes + length) % kLineQueueBytes;
    q.used -= kLengthBytes + length;
    return true;
}

bool HasLines(const SerialLineQueue& q) {
    return q.used != 0;
}

std::uint32_t TakeArrivals(SerialLineQueue& q) {
    std::uint32_t n = q.arrived - q.counted;
    q.counted = q.arrived;
    return n;
}

std::uint32_t TakeDropped(SerialLineQueue& q) {
    std::uint32_t n = q.dropped;
    q.dropped = 0;
    return n;
}

}  // namespace tvx
