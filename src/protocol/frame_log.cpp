#include "protocol/frame_log.h"

#include <cstdio>

#include "model/config.h"
#include "model/cp932.h"
#include "model/settings_fields.h"
#include "model/title_text.h"
#include "protocol/encodings.h"

namespace tvx {

namespace {

void AppendEscaped(std::string& out, unsigned char b) {
    switch (b) {
        case '\r':
            out += "\\r";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\t':
            out += "\\t";
            return;
        default: {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        }
    }
}

// The title as a person reads it: code page 932 text in UTF-8, external characters as
// "[外字N]".
std::string ReadableTitle(const char* title) {
    std::string out;
    ForEachTitlePiece(std::string_view(title, TitleTextLength(title)),
                      [&out](bool external, std::string_view bytes) {
                          if (!external) {
                              std::string text;  // Cp932ToUtf8 replaces what it is given
                              Cp932ToUtf8(bytes, text);
                              out += text;
                              return;
                          }
                          const auto pair =
                              static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[0]) << 8 |
                                                         static_cast<unsigned char>(bytes[1]));
                          const int glyph = GlyphOfTitlePair(pair);
                          out += "[外字" + (glyph < 0 ? "?" : std::to_string(glyph + 1)) + "]";
                      });
    return out;
}

}  // namespace

std::string ReadableBytes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + 8);
    // Runs of printable characters go in whole: a frame is mostly one run and its CR LF.
    std::size_t run = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x20 && b < 0x7F && b != '\\') continue;
        out.append(bytes.substr(run, i - run));
        if (b == '\\') {
            out += "\\\\";
        } else {
            AppendEscaped(out, b);
        }
        run = i + 1;
    }
    out.append(bytes.substr(run));
    return out;
}

std::string OneLineText(std::string_view text) {
    std::string out;
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x20 || b == 0x7F) {
            AppendEscaped(out, b);
        } else {
            out += ch;
        }
    }
    return out;
}

std::string TitleOfFrame(std::string_view text, LogWords words) {
    constexpr std::size_t kHexAt = 5;
    constexpr std::size_t kHexDigits = 4 * (kTitleMaxText / 2);
    const bool stored = text.substr(0, 2) == "CT";
    if ((!stored && text.substr(0, 2) != "CN") || text.size() < kHexAt + kHexDigits) return {};
    const int number = DecodeThreeDigits(text.data() + 2);
    if (number < 1 || number > kTitleCount) return {};
    char title[kTitleBytes] = {};
    if (!DecodeTitleCodes(text.data() + kHexAt, title)) return {};
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03d", number);
    if (words == LogWords::Japanese) {
        return "タイトル " + std::string(digits) + (stored ? "" : "（記憶しない）") + "「" +
               ReadableTitle(title) + "」";
    }
    return "title " + std::string(digits) + (stored ? " \"" : " (not kept) \"") +
           ReadableTitle(title) + "\"";
}

std::string ReplyMeaning(const ReplyOutcome& outcome, std::string_view work, LogWords words) {
    const bool ja = words == LogWords::Japanese;
    std::string field(ja ? outcome.field_japanese : outcome.field);
    if (outcome.position >= 0) field += " " + std::string(PositionName(outcome.position));
    switch (outcome.kind) {
        case ReplyKind::None:
            return {};
        case ReplyKind::Acknowledged:
            return ja ? "了解" : "acknowledged";
        case ReplyKind::Applied: {
            const std::string title = TitleOfFrame(work, words);
            return (ja ? "反映: " : "applied: ") + (title.empty() ? field : title);
        }
        case ReplyKind::Refused:
            return (ja ? "反映せず（値を読めません）: "
                       : "not applied, the fields do not decode: ") +
                   field;
        case ReplyKind::Error:
            return (ja ? "エラー " : "error ") + std::string(outcome.error_code) + ": " +
                   std::string(outcome.message);
        case ReplyKind::Other:
            if (outcome.name.empty()) return ja ? "無視" : "ignored";
            return std::string(outcome.name) + ": " + std::string(outcome.message);
    }
    return {};
}

std::string SlotLinkName(const SocketLinkState& sockets, int slot) {
    if (slot < 1 || slot >= kClientSlotCount) return "no device chosen";
    const ClientSlot& s = sockets.client_slots[slot];
    std::string peer(s.peer_address, BoundedLength(s.peer_address, sizeof s.peer_address));
    if (s.in_use != 1 || peer.empty()) peer = "(none)";
    return peer + " slot " + std::to_string(slot);
}

std::string LogLinkName(const CoreContext& c, LogLinkSide side) {
    const std::string& named = side == LogLinkSide::Serial ? c.log_serial_name : c.log_socket_name;
    if (!named.empty()) return named;
    if (side == LogLinkSide::Serial) return "COM" + std::to_string(c.app.com_port_index + 1);
    if (c.app.tcp_role == 1) return SlotLinkName(c.sockets, c.app.selected_connection);
    const unsigned char* host = SelectedHostAddress(c.app);
    if (!host) return "no host chosen";
    int port = 0;
    std::string name = DottedAddressText(host);
    if (LinkPortNumber(c.app, port)) name += ":" + std::to_string(port);
    return name;
}

namespace {

// The two characters of an address prefix, readable; empty when the text has none.
std::string AddressOf(std::string_view text, bool prefixed) {
    return prefixed && text.size() >= 2 ? ReadableBytes(text.substr(0, 2)) : std::string();
}

}  // namespace

void LogSentFrame(CoreContext& c, LogLinkSide side, std::string_view frame, bool prefixed) {
    if (!c.comm_log) return;
    LogEntry e;
    e.kind = LogKind::Sent;
    e.link = LogLinkName(c, side);
    e.address = AddressOf(frame, prefixed);
    e.text = ReadableBytes(frame);
    e.meaning =
        TitleOfFrame(prefixed && frame.size() >= 2 ? frame.substr(2) : frame, c.comm_log->words);
    AddLogEntry(*c.comm_log, std::move(e));
}

void LogReceivedLine(CoreContext& c, LogLinkSide side, std::string_view line, bool prefixed,
                     const ReplyOutcome& outcome) {
    if (!c.comm_log) return;
    // A line too short to hold a prefix and a reply is no reply from an address.
    prefixed = prefixed && line.size() >= 3;
    LogEntry e;
    e.kind = LogKind::Received;
    e.link = LogLinkName(c, side);
    e.address = AddressOf(line, prefixed);
    e.text = ReadableBytes(line);
    e.meaning = ReplyMeaning(outcome, prefixed ? line.substr(2) : line, c.comm_log->words);
    AddLogEntry(*c.comm_log, std::move(e));
}

void LogUnparsedBytes(CoreContext& c, std::string_view link, std::string_view bytes,
                      std::string_view why) {
    if (!c.comm_log) return;
    LogEntry e;
    e.kind = LogKind::Received;
    e.link = std::string(link);
    e.text = ReadableBytes(bytes);
    e.meaning = std::string(why);
    AddLogEntry(*c.comm_log, std::move(e));
}

void LogLinkEvent(CoreContext& c, std::string_view link, std::string_view text) {
    LogLinkEvent(c.comm_log, link, text);
}

namespace {

void LogEvent(CommLog* log, LogKind kind, std::string_view link, std::string_view text) {
    if (!log) return;
    LogEntry e;
    e.kind = kind;
    e.link = std::string(link);
    e.text = OneLineText(text);
    AddLogEntry(*log, std::move(e));
}

}  // namespace

void LogLinkEvent(CommLog* log, std::string_view link, std::string_view text) {
    LogEvent(log, LogKind::Link, link, text);
}

void LogBoxShown(CommLog* log, std::string_view text, std::string_view link) {
    LogEvent(log, LogKind::Box, link, text);
}

}  // namespace tvx
