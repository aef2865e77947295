// What the TCP/IP link writes into the communication log when a host storms it: a host
// refused over and over, connections reset before they were accepted, a peer streaming bytes
// nobody asked for. The first of each is logged as it comes; the rest are counted and logged as
// one entry with their number now and then, so that the day files stay small whatever a host
// on the LAN does. The core has no clock: the link gives the time in milliseconds.
#pragma once

#include <cstdint>
#include <string_view>

#include "model/context.h"

namespace tvx {

// How long repeats are counted before their number is logged.
constexpr std::uint64_t kLogSummaryMs = 10000;
// Pieces of unasked bytes logged one by one per connection in that time; the rest are counted.
constexpr int kDroppedPiecesLogged = 4;
inline constexpr std::string_view kDroppedWhy = "dropped: no command waits for an answer";
inline constexpr std::string_view kDroppedWhyJapanese = "破棄: 応答を待つコマンドがありません";

// An event that may come many times (link: the host or the port). The first of this text from
// this link is logged at once, the next ones as "TEXT (N more times in S s)" once
// kLogSummaryMs has passed since the last entry.
void LogRepeatedLinkEvent(CoreContext& c, std::string_view link, std::string_view text,
                          std::uint64_t now_ms);
// Bytes received on the connection of this slot (0: the client role's) that no command waits
// for: at most kDroppedShownBytes of each logged piece are shown. True when they were only
// counted: the connection streams more than a few pieces, and its reads may rest.
bool LogDroppedBytes(CoreContext& c, int slot, std::string_view bytes, std::uint64_t now_ms);
// The connection of this slot closes: the bytes it still has counted are logged.
void FlushDroppedBytes(CoreContext& c, int slot, std::uint64_t now_ms);
// Logs the counts that are due, or every count with all (the server stops). True while counts
// are kept, so that the caller looks again later.
bool FlushLinkLogSummaries(CoreContext& c, std::uint64_t now_ms, bool all);

}  // namespace tvx
