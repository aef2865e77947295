// What goes into the communication log from the send and reply paths and the links: each frame
// as it went over the wire (with the title it carries), each reply line with what the program
// made of it, the links' events and the error boxes, in the log's words. Every call does nothing
// while the context has no log.
#pragma once

#include <string>
#include <string_view>

#include "model/comm_log.h"
#include "model/context.h"
#include "protocol/replies.h"

namespace tvx {

enum class LogLinkSide { Serial, Socket };

// Bytes as readable text: printable ASCII as it is, a backslash as "\\", CR and LF as "\r" and
// "\n", a tab as "\t", any other byte as "\xNN".
std::string ReadableBytes(std::string_view bytes);
// An event's text on one line: control characters as in ReadableBytes, UTF-8 kept.
std::string OneLineText(std::string_view text);

// The title a CT or CN command or a CT reply carries (text without the address prefix), as
// "title 005 "東京[外字3]"" (CN: "title 005 (not kept) ..."), in Japanese
// "タイトル 005「東京[外字3]」" ("タイトル 005（記憶しない）「...」"); empty for any other text.
std::string TitleOfFrame(std::string_view text, LogWords words = LogWords::English);
// What the program made of a reply: "acknowledged", "applied: white level", "not applied, the
// fields do not decode: title", "error E3: Command Error", "GN: Mode difference", "ignored"; in
// Japanese "了解", "反映: White Level", "反映せず（値を読めません）: タイトル", "エラー E3:
// Command Error", "GN: Mode difference", "無視". work is the reply without its address prefix.
std::string ReplyMeaning(const ReplyOutcome& outcome, std::string_view work,
                         LogWords words = LogWords::English);

// The link's name in the log: the context's name for that side when it has one; otherwise
// "COM1".."COM6" for the serial port, and for TCP/IP the device commands go to
// ("192.168.1.3:9004" in the client role, "192.168.1.3 slot 2" in the server role).
std::string LogLinkName(const CoreContext& c, LogLinkSide side);
// The name of a server role slot: "192.168.1.3 slot 2".
std::string SlotLinkName(const SocketLinkState& sockets, int slot);

// A frame given to the link (address prefix, command, CR LF).
void LogSentFrame(CoreContext& c, LogLinkSide side, std::string_view frame, bool prefixed);
// A reply line after its parse, with its outcome.
void LogReceivedLine(CoreContext& c, LogLinkSide side, std::string_view line, bool prefixed,
                     const ReplyOutcome& outcome);
// Bytes received that are not parsed as a reply (why says what became of them).
void LogUnparsedBytes(CoreContext& c, std::string_view link, std::string_view bytes,
                      std::string_view why);
// An event of a link ("port opened", "connected").
void LogLinkEvent(CoreContext& c, std::string_view link, std::string_view text);
void LogLinkEvent(CommLog* log, std::string_view link, std::string_view text);
// An error box, as the user reads it (the companion names the device's line it came from).
void LogBoxShown(CommLog* log, std::string_view text, std::string_view link = {});

}  // namespace tvx
