// The way replies leave the simulator: on time, or late, in pieces, two at a
// time, after line noise, or at the pace of a 9600-baud line. Pure bookkeeping
// on times in seconds, so the schedule can be checked without sockets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace tvxsim {

// What a 9600-baud line with 8 data bits, even parity and 1 stop bit carries:
// 11 bits per byte.
constexpr double kBaudBytesPerSecond = 9600.0 / 11.0;
constexpr double kSplitPauseSeconds = 0.05;
constexpr size_t kBaudBurstBytes = 16;

struct ReplyFaults {
    int reply_delay_ms = 0;
    bool split = false;    // each reply in pieces with short pauses
    bool merge = false;    // hold a reply back and send it with the next one
    bool garbage = false;  // a few noise bytes and LF before each reply
};

struct OutChunk {
    std::string bytes;
    double due = 0;       // not to be written before this time
    std::string address;  // for the log: the reply's prefix, "" for noise or bare
    double gap = 0;       // and not before this long after the chunk before it left
};

struct ReplySchedule {
    std::deque<OutChunk> queue;
    std::string held;  // a reply kept back by --merge
    std::string held_address;
    uint32_t noise_state = 0x2545F491u;
    double last_due = 0;
};

// Queues one reply received at time `now`.
void ScheduleReply(ReplySchedule& s, const ReplyFaults& f, std::string_view reply,
                   const std::string& address, double now);

// The front chunk has left at `now`: it goes, and the next one keeps its gap after it, so a
// loop that wakes late still sends the pieces of a split reply apart.
void ChunkLeft(ReplySchedule& s, double now);

// Bytes still waiting in the queue.
size_t QueuedBytes(const ReplySchedule& s);

// A few bytes of line noise followed by LF; never XON, XOFF, CR, LF or NUL
// inside the noise. Deterministic for a given state.
std::string NoiseLine(uint32_t& state);

// Rate limiter for --baud-limit: `Take` grants up to `wanted` bytes that the
// line could have carried by `now`, `NextTime` says when one more byte fits.
struct ByteBudget {
    double rate = kBaudBytesPerSecond;
    double capacity = kBaudBurstBytes;
    double tokens = kBaudBurstBytes;
    double last = 0;
};
size_t Take(ByteBudget& b, size_t wanted, double now);
double NextTime(const ByteBudget& b, double now);

}  // namespace tvxsim
