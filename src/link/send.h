// The one way commands leave the program: SendCommand routes a finished command text (ending in
// CR LF) to the serial port or to the TCP/IP link, the transports add the address prefix and
// hand the frame to the Link seam. Also the serial no-reply check run by the main window timer.
#pragma once

#include <string_view>

#include "model/context.h"

namespace tvx {

inline constexpr std::string_view kNoSocketText = "Socket が接続されていません";
// No device answers a broadcast, so a read sent to it would wait for nothing.
inline constexpr std::string_view kBroadcastReadText =
    "Bloadcast では読み込めません。\nスレーブアドレス（00～31）で機器を 1 台選んでください。";

inline constexpr std::string_view kNoConnectText = "No Connect";
inline constexpr std::string_view kNoAnswerText = "Answer が､きません";

// RS-232C (interface_type 0): SerialSend; TCP/IP: SocketSend. An empty command sends nothing;
// nor does the operator's command while a remote request holds the link (kRemoteHoldText).
// Each returns true when the frame went out (written to the port or sent on the socket; the
// device's answer is a matter of the reply handling).
bool SendCommand(CoreContext& c, std::string_view command);
// Prefix "00".."31" or "FF" while address_prefix_on is 1, bare otherwise; sets awaiting_reply
// (left 0 for a prefixed broadcast, which gets no reply).
bool SerialSend(CoreContext& c, std::string_view command);
// Always prefixed. Sends on the chosen socket and waits for the answer; a failure sets
// error_reply, stops a running sequence and shows its box. Without a connection it shows
// "Socket が接続されていません"; inside a running sequence that is a failure like the others
// (the device dropped the link between two steps), so the sequence ends at its next tick
// with that one box.
bool SocketSend(CoreContext& c, std::string_view command);
// The socket's answer wait ended without an answer: error_reply set, a run stopped, the box
// "Answer が､きません". For a driver that waits for the answer itself.
void FailSocketAnswer(CoreContext& c);
// False, with kRemoteHoldText, while a remote request waits for its reply or a remote run goes
// on: what the operator's run starts check first (their sends are refused the same way).
bool LinkFreeForOperator(CoreContext& c);
// True when the next command goes to every device at once: the broadcast address with the
// prefix on (the socket link always sends it).
bool AddressesBroadcast(const AppState& app);
// Every read asks one device: false, with kBroadcastReadText, while a command would go to the
// broadcast address. Call it before anything else is asked or sent.
bool ReadAddressAllowed(CoreContext& c);
// True on RS-232C (the port is assumed usable) or while a TCP/IP connection is up.
bool IsLinkReady(const AppState& app);
// One 500 ms tick: "No Connect" (stop form) on the seventh tick without a reply line.
void CheckReplyTimeout(CoreContext& c);

}  // namespace tvx
