// Serial receptions: the bytes of several reads joined into lines by the line assembly, each
// line parsed as a reply. The first input byte chooses the program state the replies meet
// (addressing on or off, a sequence or a glyph run going on) and how the rest is cut into reads.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_support.h"
#include "protocol/line_assembly.h"
#include "protocol/replies.h"

namespace {

// The assembly holds exactly the unfinished line of the stream, a full buffer included (it waits
// to learn whether the line feed comes next); a longer line is skipped whole.
TVX_FUZZ_CHECK void CheckAssembly(const tvx::LineAssembler& assembler, const std::uint8_t* read,
                                  std::size_t n, std::size_t& pending) {
    for (std::size_t i = 0; i < n; ++i) pending = read[i] == '\n' ? 0 : pending + 1;
    const bool overlong = pending > sizeof assembler.line;
    tvx::fuzz::Require(assembler.discarding == overlong, "an overlong line is skipped");
    tvx::fuzz::Require(assembler.length == (overlong ? 0 : pending), "the unfinished line kept");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tvx;
    if (size == 0) return 0;
    fuzz::Context& f = fuzz::Fresh();
    const std::uint8_t mode = data[0];
    f.app->address_prefix_on = mode & 1;
    f.app->sequence_running = (mode >> 1) & 1;
    f.app->glyph_bulk_read_running = (mode >> 2) & 1;
    f.app->glyph_read_pending = (mode >> 3) & 1;
    f.app->current_glyph_index = (mode >> 4) * 10;  // 0..150
    const std::size_t read_size = 1 + (mode % 37) * 17;
    ++data;
    --size;

    LineAssembler assembler;
    std::size_t pending = 0;  // bytes of the stream since its last line feed
    for (std::size_t at = 0; at < size; at += read_size) {
        const std::size_t n = size - at < read_size ? size - at : read_size;
        FeedLineAssembler(assembler, reinterpret_cast<const char*>(data + at), n,
                          [&](std::string_view line) {
                              fuzz::Require(!line.empty() && line.back() == '\n',
                                            "a line ends with its line feed");
                              f.app->awaiting_reply = 1;
                              ParseSerialReply(f.c, line);
                              fuzz::CheckRepliedModel(*f.model, *f.app);
                              fuzz::Require(f.app->glyph_read_pending == 0,
                                            "a parse ends the glyph read");
                          });
        CheckAssembly(assembler, data + at, n, pending);
    }
    return 0;
}
