// Interpretation of every line a title generator sends back: acknowledgements, error codes and
// read-back values. A reply is recognised by its own letters, never matched to the command that
// caused it. Read-back values go into the model; acknowledgements and errors go to the prompts.
#pragma once

#include <string_view>

#include "model/context.h"

namespace tvx {

// One complete serial line with its CR LF, as the line assembler hands it on. Clears the
// reply wait (awaiting_reply, no_reply_ticks), removes the address prefix while addressing is
// on, and applies the reply.
void ParseSerialReply(CoreContext& c, std::string_view line);
// The same for a line whose arrival has already ended the reply wait: the serial link counts
// each line as a reply when it arrives, also while an earlier line's box is open, and parses
// it later in its turn.
void ApplySerialReply(CoreContext& c, std::string_view line);

// The last socket reception (c.sockets.socket_reply_buffer, socket_reply_length) joined to what
// came before in c.model.socket_reply_assembly_buffer. Every complete line is parsed on its own,
// in order; an incomplete tail waits for the next reception (socket_partial_reply 1).
void ParseSocketReply(CoreContext& c);

}  // namespace tvx
