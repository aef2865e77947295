// The one way commands leave the program: SendCommand routes a finished command text (ending in
// CR LF) to the serial port or to the TCP/IP link, the transports add the address prefix and
// hand the frame to the Link seam. Also the serial no-reply check run by the main window timer.
#pragma once

#include <string_view>

#include "model/context.h"

namespace tvx {

// RS-232C (interface_type 0): SerialSend; TCP/IP: SocketSend. An empty command sends nothing.
void SendCommand(CoreContext& c, std::string_view command);
// Prefix "00".."31" or "FF" while address_prefix_on is 1, bare otherwise; sets awaiting_reply
// (left 0 for a prefixed broadcast, which gets no reply).
void SerialSend(CoreContext& c, std::string_view command);
// Always prefixed. Sends on the chosen socket and waits for the answer; a failure sets
// error_reply, stops a running sequence and shows its box.
void SocketSend(CoreContext& c, std::string_view command);
// True on RS-232C (the port is assumed usable) or while a TCP/IP connection is up.
bool IsLinkReady(const AppState& app);
// One 500 ms tick: "No Connect" (stop form) on the seventh tick without a reply line.
void CheckReplyTimeout(CoreContext& c);

}  // namespace tvx
