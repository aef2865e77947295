#include "protocol/line_assembly.h"

namespace tvx {

void FeedLineAssembler(LineAssembler& a, const char* bytes, std::size_t n, LineCallback on_line,
                       void* user) {
    for (std::size_t i = 0; i < n; ++i) {
        char ch = bytes[i];
        if (a.discarding) {
            // The rest of an overlong line is noise; the next line starts after its line feed.
            if (ch == '\n') a.discarding = false;
            continue;
        }
        if (a.length == sizeof a.line) {
            a.length = 0;
            a.discarding = ch != '\n';
            continue;
        }
        a.line[a.length++] = ch;
        if (ch == '\n') {
            on_line(user, std::string_view(a.line, a.length));
            a.length = 0;
        }
    }
}

void ResetLineAssembler(LineAssembler& a) {
    a.length = 0;
    a.discarding = false;
}

}  // namespace tvx
