#include "sim_output.h"

#include <algorithm>

namespace tvxsim {

std::string NoiseLine(uint32_t& state) {
    auto next = [&state]() {
        // xorshift32: cheap, repeatable noise
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    size_t n = 3 + next() % 4;
    std::string out;
    while (out.size() < n) {
        auto b = static_cast<unsigned char>(next() & 0xFF);
        if (b == 0x00 || b == 0x0A || b == 0x0D || b == 0x11 || b == 0x13) continue;
        out += static_cast<char>(b);
    }
    out += '\n';
    return out;
}

void ScheduleReply(ReplySchedule& s, const ReplyFaults& f, std::string_view reply,
                   const std::string& address, double now) {
    if (f.merge && s.held.empty()) {
        s.held.assign(reply);
        s.held_address = address;
        return;
    }
    std::string text = s.held;
    text.append(reply);
    s.held.clear();
    s.held_address.clear();

    // Replies leave in the order their frames came, whatever the delay.
    double t = std::max(now + f.reply_delay_ms / 1000.0, s.last_due);
    if (f.garbage) s.queue.push_back({NoiseLine(s.noise_state), t, ""});
    if (f.split && text.size() >= 2) {
        // First the prefix and one letter ("01G"), then the rest; a long reply
        // is cut once more in the middle of the rest.
        size_t first = std::min<size_t>(3, text.size() - 1);
        size_t cuts[3] = {0, first, text.size()};
        size_t ncuts = 2;
        if (text.size() > 64) {
            cuts[2] = first + (text.size() - first) / 2;
            ncuts = 3;
        }
        for (size_t i = 0; i < ncuts; ++i) {
            size_t from = cuts[i];
            size_t to = i + 1 < ncuts ? cuts[i + 1] : text.size();
            s.queue.push_back(
                {text.substr(from, to - from), t, address, i == 0 ? 0.0 : kSplitPauseSeconds});
            t += kSplitPauseSeconds;
        }
        t -= kSplitPauseSeconds;
    } else {
        s.queue.push_back({std::move(text), t, address});
    }
    s.last_due = t;
}

void ChunkLeft(ReplySchedule& s, double now) {
    if (s.queue.empty()) return;
    s.queue.pop_front();
    if (s.queue.empty()) return;
    OutChunk& next = s.queue.front();
    next.due = std::max(next.due, now + next.gap);
    next.gap = 0;
}

size_t QueuedBytes(const ReplySchedule& s) {
    size_t n = s.held.size();
    for (const OutChunk& c : s.queue) n += c.bytes.size();
    return n;
}

size_t Take(ByteBudget& b, size_t wanted, double now) {
    if (now > b.last) {
        b.tokens = std::min(b.capacity, b.tokens + (now - b.last) * b.rate);
        b.last = now;
    }
    auto n = static_cast<size_t>(b.tokens);
    n = std::min(n, wanted);
    b.tokens -= static_cast<double>(n);
    return n;
}

double NextTime(const ByteBudget& b, double now) {
    double tokens = b.tokens;
    double last = b.last;
    if (now > last) {
        tokens = std::min(b.capacity, tokens + (now - last) * b.rate);
        last = now;
    }
    if (tokens >= 1.0) return now;
    return last + (1.0 - tokens) / b.rate;
}

}  // namespace tvxsim
