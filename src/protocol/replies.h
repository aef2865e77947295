// Interpretation of every line a title generator sends back: acknowledgements, error codes and
// read-back values. A reply is recognised by its own letters, never matched to the command that
// caused it. Read-back values go into the model; acknowledgements and errors go to the prompts.
// Each parser returns what its last line did.
#pragma once

#include <string_view>

#include "model/context.h"

namespace tvx {

// What the parse of one line did, for callers that match each reply to the command that caused
// it (the command-line companion). The program itself goes by error_reply alone.
enum class ReplyKind {
    None,          // no complete line yet (a socket reply still waiting for its line feed)
    Acknowledged,  // "GO"
    Applied,       // a read-back reply whose fields went into the model
    Refused,       // a read-back name whose fields did not decode; the model is unchanged
    Other,         // "VN" without its fields, "GN", or text that is no reply
    Error,         // "E0".."E3" or "MENU"
};
struct ReplyOutcome {
    ReplyKind kind = ReplyKind::None;
    std::string_view error_code;  // "E0".."E3" or "MENU" for ReplyKind::Error
    // For the communication log: the reply as recognised ("GO", "CWL", "GN", "E3"; empty for
    // text that is no reply), what it sets (Applied, Refused: "white level", "title"; in the
    // program's Japanese, as its screens name it: "White Level", "タイトル"), the display
    // position it names (-1 when none) and the text of the box it raises, if any.
    std::string_view name = {};
    std::string_view field = {};
    std::string_view field_japanese = {};
    int position = -1;
    std::string_view message = {};
};

// One complete serial line with its CR LF, as the line assembler hands it on. Clears the
// reply wait (awaiting_reply, no_reply_ticks), removes the address prefix while addressing is
// on, and applies the reply.
ReplyOutcome ParseSerialReply(CoreContext& c, std::string_view line);
// The same for a line whose arrival has already ended the reply wait: the serial link counts
// each line as a reply when it arrives, also while an earlier line's box is open, and parses
// it later in its turn.
ReplyOutcome ApplySerialReply(CoreContext& c, std::string_view line);

// The last socket reception (c.sockets.socket_reply_buffer, socket_reply_length) joined to what
// came before in c.model.socket_reply_assembly_buffer. Every complete line is parsed on its own,
// in order; an incomplete tail waits for the next reception (socket_partial_reply 1).
ReplyOutcome ParseSocketReply(CoreContext& c);

}  // namespace tvx
