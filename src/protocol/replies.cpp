#include "protocol/replies.h"

#include <cstring>

#include "model/remote_hold.h"
#include "model/run_pace.h"
#include "protocol/encodings.h"
#include "protocol/frame_log.h"
#include "protocol/line_assembly.h"

namespace tvx {

namespace {

// Every applier checks that its fields lie before the line end and that every field decodes
// to a value inside the model; a reply that fails any check changes nothing.

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Length of the reply's fields: everything before the first CR or LF.
std::size_t BodyLength(std::string_view text) {
    std::size_t end = text.find_first_of("\r\n");
    return end == std::string_view::npos ? text.size() : end;
}

bool HasFields(std::string_view text, std::size_t needed) {
    return BodyLength(text) >= needed;
}

int PositionAt(std::string_view text, std::size_t offset) {
    if (!HasFields(text, offset + 3)) return -1;
    return DecodePosition(text.data() + offset);
}

// A page field: "A" for automatic switching, else "001".."144"; -1 when malformed.
int PageAt(std::string_view text, std::size_t offset) {
    if (!HasFields(text, offset + 1)) return -1;
    if (text[offset] == 'A') return kAutoSwitchPage;
    if (!HasFields(text, offset + 3)) return -1;
    int number = DecodeThreeDigits(text.data() + offset);
    return number >= 1 && number <= kPageCount ? number - 1 : -1;
}

// A level or index written as one character counted from first; -1 outside 0..max.
int CharValueAt(std::string_view text, std::size_t offset, char first, int max) {
    if (!HasFields(text, offset + 1)) return -1;
    int value = text[offset] - first;
    return value >= 0 && value <= max ? value : -1;
}

bool ApplySwitchTimes(CoreContext& c, std::string_view text) {
    int p = PositionAt(text, 3);
    if (p < 0 || !HasFields(text, 6 + 2 * kPageCount)) return false;
    int seconds[kPageCount];
    for (int k = 0; k < kPageCount; ++k) {
        seconds[k] = DecodeTwoDigits(text.data() + 6 + 2 * k);
        if (seconds[k] < 0) return false;
    }
    std::memcpy(c.model.page_switch_seconds[p], seconds, sizeof seconds);
    return true;
}

bool ApplyPositionOffset(CoreContext& c, std::string_view text) {
    constexpr int kMaxOffset = 15;
    int p = PositionAt(text, 5);
    if (p < 0 || !HasFields(text, 10)) return false;
    int offset = DecodeTwoDigits(text.data() + 8);
    if (offset < 0 || offset > kMaxOffset) return false;
    c.model.position_offset[p] = offset;
    return true;
}

bool ApplyDisplayFlags(CoreContext& c, std::string_view text) {
    int p = PositionAt(text, 3);
    if (p < 0 || !HasFields(text, 6 + kPageCount)) return false;
    for (int k = 0; k < kPageCount; ++k) c.model.page_display_on[p][k] = text[6 + k] == 'N';
    return true;
}

constexpr int kMaxLevel = 3;

bool ApplyEdgeLevel(CoreContext& c, std::string_view text) {
    int level = CharValueAt(text, 3, '0', kMaxLevel);
    if (level < 0) return false;
    c.model.edge_level = level;
    return true;
}

bool ApplyWhiteLevel(CoreContext& c, std::string_view text) {
    int level = CharValueAt(text, 3, '0', kMaxLevel);
    if (level < 0) return false;
    c.model.white_level = level;
    return true;
}

bool ApplyStartupPage(CoreContext& c, std::string_view text) {
    int p = PositionAt(text, 3);
    int page = PageAt(text, 6);
    if (p < 0 || page < 0) return false;
    c.model.startup_page[p] = page;
    return true;
}

bool ApplyDisplayPage(CoreContext& c, std::string_view text) {
    int p = PositionAt(text, 1);
    int page = PageAt(text, 4);
    if (p < 0 || page < 0) return false;
    c.model.display_page[p] = page;
    return true;
}

bool ApplyPageAssignment(CoreContext& c, std::string_view text) {
    int p = PositionAt(text, 2);
    if (p < 0 || !HasFields(text, 5 + 3 * kPageCount)) return false;
    int titles[kPageCount];
    for (int k = 0; k < kPageCount; ++k) {
        int number = DecodeThreeDigits(text.data() + 5 + 3 * k);
        if (number < 1 || number > kTitleCount) return false;
        titles[k] = number - 1;
    }
    std::memcpy(c.model.page_title_number[p], titles, sizeof titles);
    return true;
}

bool ApplyTitle(CoreContext& c, std::string_view text) {
    if (!HasFields(text, 5 + 4 * (kTitleMaxText / 2))) return false;
    int number = DecodeThreeDigits(text.data() + 2);
    if (number < 1 || number > kTitleCount) return false;
    return DecodeTitleCodes(text.data() + 5, c.model.title_text[number - 1]);
}

bool ApplyGlyph(CoreContext& c, std::string_view text) {
    int g = c.app.current_glyph_index;
    if (g < 0 || g >= kGlyphCount || !HasFields(text, 7 + kGlyphPatternChars)) return false;
    // A pattern with a character that is no hexadecimal digit is no glyph: a glyph file could
    // not hold it, nor a session end's recovery.
    for (char ch : text.substr(7, kGlyphPatternChars)) {
        if (!IsPatternChar(ch)) return false;
    }
    // In a bulk read a late answer to an earlier request (after a reply that cleared the pending
    // read) must not land in the next glyph's slot; the run asks again instead.
    if (c.app.glyph_bulk_read_running == 1) {
        const int code = DecodeHexByte(text.data() + 3) << 8 | DecodeHexByte(text.data() + 5);
        if (code != glyph_code(g)) return false;
    }
    std::memcpy(c.model.glyph_receive_buffer, text.data() + 7, kGlyphPatternChars);
    std::memcpy(c.model.glyph_pattern[g], c.model.glyph_receive_buffer, kGlyphPatternChars);
    if (c.app.glyph_bulk_read_running == 1) {
        c.app.current_glyph_index = g + 1;
    } else {
        c.prompts.PaintGlyphGrid(c.app.active_dialog);
    }
    return true;
}

bool ApplyAddress(std::string_view text, unsigned char (&address)[4]) {
    if (!HasFields(text, 17)) return false;
    unsigned char octets[4];
    for (int i = 0; i < 4; ++i) {
        int value = DecodeThreeDigits(text.data() + 2 + 4 * i);
        if (value < 0 || value > 255) return false;
        octets[i] = static_cast<unsigned char>(value);
    }
    std::memcpy(address, octets, sizeof octets);
    return true;
}

bool ApplyActiveAddress(CoreContext& c, std::string_view text) {
    return ApplyAddress(text, c.model.net_active_address);
}
bool ApplyGatewayAddress(CoreContext& c, std::string_view text) {
    return ApplyAddress(text, c.model.net_gateway_address);
}
bool ApplyIpAddress(CoreContext& c, std::string_view text) {
    return ApplyAddress(text, c.model.net_ip_address);
}

// Copies a fixed number of characters from offset 2 into a text field and terminates it.
template <std::size_t N>
bool ApplyFixedText(std::string_view text, char (&field)[N]) {
    constexpr std::size_t kChars = N - 1;
    if (!HasFields(text, 2 + kChars)) return false;
    std::memcpy(field, text.data() + 2, kChars);
    field[kChars] = '\0';
    return true;
}

bool ApplyMacAddress(CoreContext& c, std::string_view text) {
    return ApplyFixedText(text, c.model.net_mac_address);
}
bool ApplyPortNumber(CoreContext& c, std::string_view text) {
    return ApplyFixedText(text, c.model.net_port_number);
}
bool ApplyVersion(CoreContext& c, std::string_view text) {
    return ApplyFixedText(text, c.model.net_version);
}

bool ApplySubnetClass(CoreContext& c, std::string_view text) {
    int subnet = CharValueAt(text, 2, 'A', 2);
    if (subnet < 0) return false;
    c.model.net_subnet_class = subnet;
    return true;
}

bool ApplyKeepAlive(CoreContext& c, std::string_view text) {
    if (!HasFields(text, 4)) return false;
    c.model.net_keep_alive = text[3] == 'N' ? 1 : 0;
    return true;
}

bool ApplyTimeRegister(CoreContext& c, std::string_view text) {
    int index = CharValueAt(text, 2, '1', 5);
    if (index < 0) return false;
    c.model.net_time_register = index;
    return true;
}

using Applier = bool (*)(CoreContext&, std::string_view);
struct ReplyRule {
    std::string_view name;
    Applier apply;
    std::string_view field;           // what the reply sets, as the log names it
    std::string_view field_japanese;  // the same as the program's screens name it
    int position_at;                  // where its display position stands, -1 when it has none
};

// Order matters where one name begins another: CTDPO before CTD before CT, PP0 before P0.
constexpr ReplyRule kSettingReplies[] = {
    {"AST", ApplySwitchTimes, "switching seconds", "自動切換え時間", 3},
    {"CTDPO", ApplyPositionOffset, "position offset", "表示位置の微調整", 5},
    {"CTD", ApplyDisplayFlags, "pages displayed", "タイトル表示", 3},
    {"CEL", ApplyEdgeLevel, "edge level", "Edge Level", -1},
    {"CWL", ApplyWhiteLevel, "white level", "White Level", -1},
    {"SUS", ApplyStartupPage, "start-up page", "スタートアップ", 3},
    {"CT", ApplyTitle, "title", "タイトル", -1},
    {"PP0", ApplyPageAssignment, "titles of pages", "表示ページ割り付け", 2},
    {"P0", ApplyDisplayPage, "page shown", "表示ページ", 1},
    {"FBM", ApplyGlyph, "glyph pattern", "外字パターン", -1},
};

constexpr ReplyRule kNetworkReplies[] = {
    {"AA", ApplyActiveAddress, "active address", "Active Address", -1},
    {"GA", ApplyGatewayAddress, "gateway address", "Gateway Address", -1},
    {"IA", ApplyIpAddress, "ip address", "IP Address", -1},
    {"MA", ApplyMacAddress, "mac address", "MAC Address", -1},
    {"PN", ApplyPortNumber, "port number", "Port Number", -1},
    {"SM", ApplySubnetClass, "subnet mask", "Subnet Mask", -1},
    {"KA", ApplyKeepAlive, "keep alive", "Keep Alive", -1},
    {"TR", ApplyTimeRegister, "time register", "Time Register", -1},
};

// The version reply raises its own completion box, but only when the version was taken.
constexpr ReplyRule kVersionReply = {"VN", ApplyVersion, "version", "Version Number", -1};

template <std::size_t N>
const ReplyRule* FindRule(const ReplyRule (&rules)[N], std::string_view text) {
    for (const ReplyRule& rule : rules) {
        if (StartsWith(text, rule.name)) return &rule;
    }
    return nullptr;
}

// Applies a read-back reply and says what it did.
ReplyOutcome ApplyReply(CoreContext& c, const ReplyRule& rule, std::string_view text) {
    ReplyOutcome outcome;
    outcome.kind = rule.apply(c, text) ? ReplyKind::Applied : ReplyKind::Refused;
    outcome.name = rule.name;
    outcome.field = rule.field;
    outcome.field_japanese = rule.field_japanese;
    if (rule.position_at >= 0) outcome.position = PositionAt(text, rule.position_at);
    return outcome;
}

// The box a reply raises. It is decided with the reply and shown after the reply has gone into
// the log, so that the log reads in the order things happened.
struct ReplyBox {
    enum class Kind { None, Acknowledgement, Success, SetComplete, Error };
    Kind kind = Kind::None;
    std::string_view text;
    BoxIcon icon = BoxIcon::Exclamation;
};

void ShowReplyBox(CoreContext& c, const ReplyBox& box) {
    switch (box.kind) {
        case ReplyBox::Kind::None:
            return;
        case ReplyBox::Kind::Acknowledgement:
            // Owned by the dialog on screen: its opener is disabled while it is open, and a box
            // over a disabled window would leave the dialog usable ("全設定" could start again).
            c.prompts.ShowAcknowledgement(c.app.active_dialog);
            return;
        case ReplyBox::Kind::Success:
            c.prompts.ShowSuccessBox(box.text);
            return;
        case ReplyBox::Kind::SetComplete:
            c.prompts.ShowSetComplete();
            return;
        case ReplyBox::Kind::Error:
            c.prompts.ShowErrorBox(box.text, box.icon);
            return;
    }
}

struct ErrorReply {
    std::string_view code;
    std::string_view serial_text;
    std::string_view socket_text;
};

constexpr ErrorReply kErrorReplies[] = {
    {"E0", "Framing Error", "Socket Framing"},       {"E1", "Parity Error", "Socket Parity"},
    {"E2", "Over run Error", "Socket Over run"},     {"E3", "Command Error", "Socket Command"},
    {"MENU", "Menu Display", "Socket Menu Display"},
};

const ErrorReply* FindError(std::string_view work) {
    for (const ErrorReply& error : kErrorReplies) {
        if (StartsWith(work, error.code)) return &error;
    }
    return nullptr;
}

// An error reply stops a running sequence at its next tick (error_reply) and a glyph run at
// once, before its box opens: a device that refuses one glyph refuses the next too, and the
// list's timer would otherwise ask again (or send the next glyph) inside the box, one box after
// the other.
ReplyOutcome ReportErrorReply(CoreContext& c, const ErrorReply& error, std::string_view text,
                              ReplyBox& box) {
    c.app.error_reply = 1;
    AbandonGlyphBulkRun(c.app);
    box = {ReplyBox::Kind::Error, text, BoxIcon::Exclamation};
    ReplyOutcome outcome;
    outcome.kind = ReplyKind::Error;
    outcome.error_code = error.code;
    outcome.name = error.code;
    outcome.message = text;
    return outcome;
}

// "GN": the device will not do it in its present mode.
ReplyOutcome ModeRefusal(const ReplyBox& box) {
    ReplyOutcome outcome;
    outcome.kind = ReplyKind::Other;
    outcome.name = "GN";
    outcome.message = box.text;
    return outcome;
}

ReplyOutcome Acknowledgement() {
    ReplyOutcome outcome;
    outcome.kind = ReplyKind::Acknowledged;
    outcome.name = "GO";
    return outcome;
}

// While a remote request or run holds the link, a reply is its: it ends the request's wait, and
// the box it would raise becomes the answer. True when so.
bool ReplyToRemote(CoreContext& c, const ReplyOutcome& outcome, const ReplyBox& box) {
    if (!RemoteHoldsLink(c.app) && c.app.remote.sending == 0) return false;
    RemoteWaitEnd how = RemoteWaitEnd::OtherReply;
    if (outcome.kind == ReplyKind::Acknowledged || outcome.kind == ReplyKind::Applied)
        how = RemoteWaitEnd::Reply;
    if (outcome.kind == ReplyKind::Error) how = RemoteWaitEnd::ErrorReply;
    RemoteReplyArrived(c.app, how, outcome.name);
    if (box.kind != ReplyBox::Kind::None) {
        const bool plain_success = box.kind == ReplyBox::Kind::Acknowledgement ||
                                   box.kind == ReplyBox::Kind::SetComplete;
        TakeReplyBoxForRemote(c.app, plain_success ? "Success" : box.text,
                              box.kind == ReplyBox::Kind::Error);
    }
    return true;
}

// Logs the reply, then shows its box and ends the parse of the line.
ReplyOutcome FinishReply(CoreContext& c, LogLinkSide side, std::string_view line, bool prefixed,
                         const ReplyOutcome& outcome, const ReplyBox& box) {
    LogReceivedLine(c, side, line, prefixed, outcome);
    if (!ReplyToRemote(c, outcome, box)) ShowReplyBox(c, box);
    c.app.glyph_read_pending = 0;
    RunPaceReplyApplied(c.app);
    return outcome;
}

// Cuts a text at its first NUL, as the device's lines are C strings.
std::string_view UpToNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

ReplyOutcome ParseSerialLine(CoreContext& c, std::string_view line) {
    // The remote's frames carry the prefix, whatever the operator's dialog has set meanwhile.
    const bool prefixed = c.app.address_prefix_on == 1 || RemoteHoldsLink(c.app);
    std::string_view work = line;
    if (prefixed) work = line.size() < 3 ? std::string_view{} : line.substr(2);
    c.app.error_reply = 0;

    ReplyOutcome outcome{ReplyKind::Other, {}};
    ReplyBox box;
    if (work == "GO\r\n") {
        outcome = Acknowledgement();
        if (c.app.sequence_running == 0 && c.app.glyph_bulk_read_running == 0)
            box.kind = ReplyBox::Kind::Acknowledgement;
    } else if (const ReplyRule* rule = FindRule(kSettingReplies, work)) {
        outcome = ApplyReply(c, *rule, work);
    } else if (const ReplyRule* net = FindRule(kNetworkReplies, work)) {
        outcome = ApplyReply(c, *net, work);
    } else if (StartsWith(work, kVersionReply.name)) {
        outcome = ApplyReply(c, kVersionReply, work);
        if (outcome.kind == ReplyKind::Applied) box.kind = ReplyBox::Kind::SetComplete;
    } else if (StartsWith(work, "GN")) {
        const bool reading = c.app.glyph_read_pending == 1;
        // A device that switches pages automatically refuses every glyph read: one box, not one
        // at every tick of the list's read run.
        if (reading) AbandonGlyphBulkRun(c.app);
        box = {ReplyBox::Kind::Error, reading ? "自動切換え中！" : "Mode difference",
               BoxIcon::Exclamation};
        outcome = ModeRefusal(box);
    } else if (const ErrorReply* error = FindError(work)) {
        outcome = ReportErrorReply(c, *error, error->serial_text, box);
    }
    return FinishReply(c, LogLinkSide::Serial, line, prefixed, outcome, box);
}

ReplyOutcome ParseSocketLine(CoreContext& c, std::string_view assembled) {
    // The socket link always carries the address prefix.
    std::string_view work = assembled.size() < 2 ? std::string_view{} : assembled.substr(2);
    c.app.error_reply = 0;

    ReplyOutcome outcome{ReplyKind::Other, {}};
    ReplyBox box;
    if (StartsWith(work, "GO")) {
        outcome = Acknowledgement();
        if (c.app.sequence_running == 0 && c.app.glyph_bulk_read_running == 0)
            box = {ReplyBox::Kind::Success, "Socket ＯＫ"};
    } else if (const ReplyRule* rule = FindRule(kSettingReplies, work)) {
        outcome = ApplyReply(c, *rule, work);
    } else if (StartsWith(assembled, kVersionReply.name)) {
        // Network replies answer bare serial commands; they are looked for on the whole text.
        outcome = ApplyReply(c, kVersionReply, assembled);
        if (outcome.kind == ReplyKind::Applied) box.kind = ReplyBox::Kind::SetComplete;
    } else if (const ReplyRule* net = FindRule(kNetworkReplies, assembled)) {
        outcome = ApplyReply(c, *net, assembled);
    } else if (StartsWith(work, "GN")) {
        if (c.app.glyph_read_pending == 1) {
            AbandonGlyphBulkRun(c.app);
            box = {ReplyBox::Kind::Error, "Socket 自動切換え中！", BoxIcon::Stop};
        } else {
            box = {ReplyBox::Kind::Success, "Socket mode difference"};
        }
        outcome = ModeRefusal(box);
    } else if (const ErrorReply* error = FindError(work)) {
        outcome = ReportErrorReply(c, *error, error->socket_text, box);
    }
    return FinishReply(c, LogLinkSide::Socket, assembled, true, outcome, box);
}

// Hands each line of text (split after every line feed) to parse; a last piece without a line
// feed counts as a line too.
template <typename ParseLine>
void ForEachLine(std::string_view text, ParseLine parse) {
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::size_t length = end == std::string_view::npos ? text.size() : end + 1;
        parse(text.substr(0, length));
        text.remove_prefix(length);
    }
}

}  // namespace

ReplyOutcome ParseSerialReply(CoreContext& c, std::string_view line) {
    // Any received line ends the wait for a reply.
    c.app.no_reply_ticks = 0;
    c.app.awaiting_reply = 0;
    return ApplySerialReply(c, line);
}

ReplyOutcome ApplySerialReply(CoreContext& c, std::string_view line) {
    std::string_view text = UpToNul(line);
    if (text.empty()) return ParseSerialLine(c, text);
    // Lines that arrived together are each a reply of their own.
    ReplyOutcome last;
    ForEachLine(text, [&](std::string_view one) { last = ParseSerialLine(c, one); });
    return last;
}

ReplyOutcome ParseSocketReply(CoreContext& c) {
    SocketLinkState& s = c.sockets;
    int count = s.socket_reply_length;
    if (count < 0) count = 0;
    if (count > kLinkBufferBytes) count = kLinkBufferBytes;
    std::string_view received = UpToNul(std::string_view(s.socket_reply_buffer, count));

    // Join with what is left of earlier receptions.
    LineAssembler assembly;
    if (s.socket_partial_reply == 1) {
        assembly.length = BoundedLength(c.model.socket_reply_assembly_buffer, kLinkBufferBytes);
        std::memcpy(assembly.line, c.model.socket_reply_assembly_buffer, assembly.length);
        assembly.discarding = s.socket_discarding_line == 1;
    }
    char complete[2 * kLinkBufferBytes];
    std::size_t complete_length = 0;
    FeedLineAssembler(assembly, received.data(), received.size(), [&](std::string_view line) {
        if (line.size() > sizeof complete - complete_length) return;
        std::memcpy(complete + complete_length, line.data(), line.size());
        complete_length += line.size();
    });

    // Keep the incomplete tail before parsing, so that a reception handled while a message box
    // of this parse is open finds the assembly as it should be.
    std::memset(c.model.socket_reply_assembly_buffer, 0, kLinkBufferBytes);
    std::memcpy(c.model.socket_reply_assembly_buffer, assembly.line, assembly.length);
    s.socket_discarding_line = assembly.discarding ? 1 : 0;
    s.socket_partial_reply = assembly.length > 0 || assembly.discarding ? 1 : 0;

    ReplyOutcome last;
    ForEachLine(std::string_view(complete, complete_length),
                [&](std::string_view line) { last = ParseSocketLine(c, line); });
    return last;
}

}  // namespace tvx
