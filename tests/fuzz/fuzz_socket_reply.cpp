// Socket receptions: each piece of the input (at most 600 bytes, cut where the length bytes
// say) handed to the reply handling as one reception of the answer wait.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_support.h"
#include "protocol/replies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tvx;
    if (size == 0) return 0;
    fuzz::Context& f = fuzz::Fresh();
    const std::uint8_t mode = data[0];
    f.app->sequence_running = mode & 1;
    f.app->glyph_bulk_read_running = (mode >> 1) & 1;
    f.app->glyph_read_pending = (mode >> 2) & 1;
    f.app->current_glyph_index = (mode >> 3) * 5;  // 0..155
    std::size_t at = 1;
    while (at < size) {
        // Two bytes of length, then the piece; a reception can be up to the whole buffer.
        std::size_t want = data[at];
        if (at + 1 < size) want = want << 8 | data[at + 1];
        at += 2;
        want %= kLinkBufferBytes + 1;
        const std::size_t n = at < size ? (size - at < want ? size - at : want) : 0;
        SocketLinkState& s = *f.sockets;
        std::memset(s.socket_reply_buffer, 0, sizeof s.socket_reply_buffer);
        if (n) std::memcpy(s.socket_reply_buffer, data + at, n);
        s.socket_reply_length = static_cast<int>(n);
        ParseSocketReply(f.c);
        at += n;
        fuzz::Require(s.socket_reply_buffer[kLinkBufferBytes] == '\0', "reception terminated");
        fuzz::Require(s.socket_partial_reply == 0 || s.socket_partial_reply == 1, "partial flag");
        f.app->awaiting_reply = 0;  // the socket parser never touches the serial wait
        fuzz::CheckRepliedModel(*f.model, *f.app);
    }
    return 0;
}
