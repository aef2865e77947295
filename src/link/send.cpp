#include "link/send.h"

#include <cstring>

#include "model/remote_hold.h"
#include "protocol/encodings.h"
#include "protocol/frame_log.h"

namespace tvx {

namespace {

constexpr int kNoReplyTickLimit = 6;  // the seventh tick without a line reports it

// Writes the two-character address prefix: the slave address, or "FF" for a broadcast.
// Returns true for a broadcast.
bool WritePrefix(int slave_address, char* out) {
    if (slave_address < 0 || slave_address >= kBroadcastAddress) {
        out[0] = 'F';
        out[1] = 'F';
        return true;
    }
    FormatTwoDigits(slave_address, out);
    return false;
}

// Prefix + command in a frame buffer; false when the command would not fit.
bool BuildFrame(char (&frame)[kLinkBufferBytes], std::size_t& length, bool prefixed,
                int slave_address, std::string_view command, bool& broadcast) {
    std::memset(frame, 0, sizeof frame);
    length = 0;
    broadcast = false;
    if (prefixed) {
        broadcast = WritePrefix(slave_address, frame);
        length = 2;
    }
    if (command.size() > sizeof frame - 1 - length) return false;
    std::memcpy(frame + length, command.data(), command.size());
    length += command.size();
    return true;
}

// event: what happened on the link, for the log; text: the box.
void FailSocketExchange(CoreContext& c, std::string_view event, std::string_view text,
                        RemoteWaitEnd how = RemoteWaitEnd::LinkFailed) {
    LogLinkEvent(c, LogLinkName(c, LogLinkSide::Socket), event);
    RemoteWaitEnded(c.app, how);
    c.app.error_reply = 1;
    // A running sequence or glyph run must not go on without the device.
    AbandonGlyphBulkRun(c.app);
    c.prompts.ShowErrorBox(text, BoxIcon::Exclamation);
    c.app.sequence_running = 0;
}

// The operator's send while a remote request waits for its reply, or a remote run goes on.
bool RefusedForRemote(CoreContext& c) {
    if (!RemoteHoldBlocksSend(c.app)) return false;
    c.prompts.ShowErrorBox(kRemoteHoldText, BoxIcon::Exclamation);
    return true;
}

}  // namespace

bool SendCommand(CoreContext& c, std::string_view command) {
    if (command.empty()) return false;
    return c.app.interface_type == 0 ? SerialSend(c, command) : SocketSend(c, command);
}

bool SerialSend(CoreContext& c, std::string_view command) {
    if (command.empty() || RefusedForRemote(c)) return false;
    char frame[kLinkBufferBytes];
    std::size_t length = 0;
    bool broadcast = false;
    bool prefixed = c.app.address_prefix_on == 1;
    if (!BuildFrame(frame, length, prefixed, c.app.slave_address, command, broadcast)) return false;
    // Only a prefixed broadcast goes unanswered; a bare command is answered by every device.
    c.app.awaiting_reply = prefixed && broadcast ? 0 : 1;
    if (c.app.awaiting_reply == 1) c.app.run_pace.frame_answered = 1;
    LogSentFrame(c, LogLinkSide::Serial, std::string_view(frame, length), prefixed);
    c.link.WriteSerial(frame, length);
    return true;
}

bool SocketSend(CoreContext& c, std::string_view command) {
    if (command.empty() || RefusedForRemote(c)) return false;
    char frame[kLinkBufferBytes];
    std::size_t length = 0;
    bool broadcast = false;
    if (!BuildFrame(frame, length, true, c.app.slave_address, command, broadcast)) return false;

    if (!IsLinkReady(c.app)) {
        // A device that dropped the link while a sequence or glyph run goes on: one box, and the
        // run ends at its next tick instead of showing the box again at every step.
        if (c.app.sequence_running != 0 || c.app.glyph_bulk_read_running != 0) {
            FailSocketExchange(c, "not connected", kNoSocketText);
        } else {
            c.prompts.ShowErrorBox(kNoSocketText, BoxIcon::Exclamation);
        }
        return false;
    }

    std::uintptr_t socket = 0;
    if (c.app.tcp_role == 1) {
        int slot = c.app.selected_connection;
        if (slot >= 1 && slot < kClientSlotCount && c.sockets.client_slots[slot].in_use == 1)
            socket = c.sockets.client_slots[slot].socket;
    } else {
        socket = c.sockets.link_socket;
    }
    // No chosen client (or no socket at all) fails like a send on a dead socket.
    if (socket != 0) LogSentFrame(c, LogLinkSide::Socket, std::string_view(frame, length), true);
    if (socket == 0 || !c.link.SocketSendFrame(socket, frame, length)) {
        FailSocketExchange(c, socket == 0 ? "no connection to send on" : "send failed",
                           "Socket 送信");
        return false;
    }
    if (!broadcast) c.app.run_pace.frame_answered = 1;
    if (!c.link.ReceiveAnswer(socket)) FailSocketAnswer(c);
    return true;
}

void FailSocketAnswer(CoreContext& c) {
    FailSocketExchange(c, "no answer in time", kNoAnswerText, RemoteWaitEnd::NoReply);
}

bool LinkFreeForOperator(CoreContext& c) {
    return !RefusedForRemote(c);
}

bool AddressesBroadcast(const AppState& app) {
    const bool prefixed = app.interface_type == 1 || app.address_prefix_on == 1;
    return prefixed && (app.slave_address < 0 || app.slave_address >= kBroadcastAddress);
}

bool ReadAddressAllowed(CoreContext& c) {
    if (!AddressesBroadcast(c.app)) return true;
    c.prompts.ShowErrorBox(kBroadcastReadText, BoxIcon::Exclamation);
    return false;
}

bool IsLinkReady(const AppState& app) {
    return app.interface_type == 0 || app.socket_connected == 1;
}

void CheckReplyTimeout(CoreContext& c) {
    if (c.app.awaiting_reply == 0) return;
    int ticks = c.app.no_reply_ticks++;
    if (ticks >= kNoReplyTickLimit) {
        c.app.awaiting_reply = 0;
        c.app.no_reply_ticks = 0;
        // A run ends at its next tick rather than send into the silence with this box again
        // every seven ticks (or, a glyph read, wait for the answer for ever).
        if (c.app.sequence_running != 0) c.app.error_reply = 1;
        AbandonGlyphBulkRun(c.app);
        LogLinkEvent(c, LogLinkName(c, LogLinkSide::Serial), "no reply in time");
        RemoteWaitEnded(c.app, RemoteWaitEnd::NoReply);
        if (!TakeReplyBoxForRemote(c.app, kNoConnectText, true))
            c.prompts.ShowErrorBox(kNoConnectText, BoxIcon::Stop);
    }
}

}  // namespace tvx
