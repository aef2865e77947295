#include "link/link_log_summary.h"

#include <cstring>
#include <string>

#include "protocol/frame_log.h"

namespace tvx {

namespace {

std::string Seconds(std::uint64_t since_ms, std::uint64_t now_ms) {
    return std::to_string(now_ms > since_ms ? (now_ms - since_ms) / 1000 : 0) + " s";
}

void LogRepeats(CoreContext& c, RepeatedLinkEvent& e, std::uint64_t now_ms) {
    LogLinkEvent(c, e.link,
                 e.text + " (" + std::to_string(e.unlogged) +
                     (e.unlogged == 1 ? " more time in " : " more times in ") +
                     Seconds(e.since_ms, now_ms) + ")");
    e.unlogged = 0;
    e.since_ms = now_ms;
}

// The meaning of unasked bytes in the log's words; "(N bytes)" and its counts after it.
bool JapaneseLog(const CoreContext& c) {
    return c.comm_log && c.comm_log->words == LogWords::Japanese;
}
std::string DroppedWhy(const CoreContext& c) {
    return std::string(JapaneseLog(c) ? kDroppedWhyJapanese : kDroppedWhy);
}

std::string DroppedLinkName(const CoreContext& c, int slot) {
    return slot >= 1 ? SlotLinkName(c.sockets, slot) : LogLinkName(c, LogLinkSide::Socket);
}

void LogDroppedCount(CoreContext& c, int slot, DroppedBytes& d, std::uint64_t now_ms) {
    if (d.unlogged > 0) {
        LogUnparsedBytes(c, DroppedLinkName(c, slot),
                         std::string_view(d.shown, static_cast<std::size_t>(d.shown_length)),
                         DroppedWhy(c) +
                             (JapaneseLog(c) ? "（" + Seconds(d.since_ms, now_ms) + " にさらに " +
                                                   std::to_string(d.unlogged) + " バイト）"
                                             : " (" + std::to_string(d.unlogged) +
                                                   " more bytes in " +
                                                   Seconds(d.since_ms, now_ms) + ")"));
    }
    d = DroppedBytes{};
}

}  // namespace

void LogRepeatedLinkEvent(CoreContext& c, std::string_view link, std::string_view text,
                          std::uint64_t now_ms) {
    RepeatedLinkEvent* oldest = nullptr;
    for (RepeatedLinkEvent& e : c.sockets.repeated) {
        if (!e.link.empty() && e.link == link && e.text == text) {
            ++e.unlogged;
            if (now_ms - e.since_ms >= kLogSummaryMs) LogRepeats(c, e, now_ms);
            return;
        }
        if (!oldest || e.link.empty() || (!oldest->link.empty() && e.since_ms < oldest->since_ms))
            oldest = &e;
    }
    // A new kind: logged at once, in a free entry or in that of the longest counted.
    if (oldest->unlogged > 0) LogRepeats(c, *oldest, now_ms);
    LogLinkEvent(c, link, text);
    *oldest = RepeatedLinkEvent{std::string(link), std::string(text), 0, now_ms};
}

bool LogDroppedBytes(CoreContext& c, int slot, std::string_view bytes, std::uint64_t now_ms) {
    if (slot < 0 || slot >= kClientSlotCount || bytes.empty()) return false;
    DroppedBytes& d = c.sockets.dropped[slot];
    const bool counting = d.pieces_logged > 0 || d.unlogged > 0;
    if (!counting || now_ms - d.since_ms >= kLogSummaryMs) {
        LogDroppedCount(c, slot, d, now_ms);
        d.since_ms = now_ms;
    }
    if (d.pieces_logged < kDroppedPiecesLogged) {
        ++d.pieces_logged;
        std::string why = DroppedWhy(c);
        if (bytes.size() > kDroppedShownBytes) {
            why += JapaneseLog(c) ? "（" + std::to_string(bytes.size()) + " バイト）"
                                  : " (" + std::to_string(bytes.size()) + " bytes)";
        }
        LogUnparsedBytes(c, DroppedLinkName(c, slot), bytes.substr(0, kDroppedShownBytes), why);
        return false;
    }
    if (d.unlogged == 0) {
        d.shown_length =
            static_cast<int>(bytes.size() < kDroppedShownBytes ? bytes.size() : kDroppedShownBytes);
        std::memcpy(d.shown, bytes.data(), static_cast<std::size_t>(d.shown_length));
    }
    d.unlogged += static_cast<long long>(bytes.size());
    return true;
}

void FlushDroppedBytes(CoreContext& c, int slot, std::uint64_t now_ms) {
    if (slot >= 0 && slot < kClientSlotCount)
        LogDroppedCount(c, slot, c.sockets.dropped[slot], now_ms);
}

bool FlushLinkLogSummaries(CoreContext& c, std::uint64_t now_ms, bool all) {
    bool kept = false;
    for (RepeatedLinkEvent& e : c.sockets.repeated) {
        if (e.link.empty()) continue;
        const bool due = all || now_ms - e.since_ms >= kLogSummaryMs;
        if (due && e.unlogged > 0) {
            LogRepeats(c, e, now_ms);
        } else if (due) {
            e = RepeatedLinkEvent{};  // quiet for a while: the next one is logged at once
        }
        kept = kept || !e.link.empty();
    }
    for (int slot = 0; slot < kClientSlotCount; ++slot) {
        DroppedBytes& d = c.sockets.dropped[slot];
        if (d.unlogged > 0 && (all || now_ms - d.since_ms >= kLogSummaryMs))
            LogDroppedCount(c, slot, d, now_ms);
        kept = kept || d.unlogged > 0;
    }
    return kept;
}

}  // namespace tvx
