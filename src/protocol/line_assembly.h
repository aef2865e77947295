// Joins received bytes into lines. Bytes accumulate across reads; every line that ends with a
// line feed is handed on, CR LF included, in order, also when several arrive in one read; an
// incomplete tail waits for the next read. A line that would outgrow the buffer without a line
// feed is discarded up to and including the next line feed, never written past the buffer.
#pragma once

#include <cstddef>
#include <string_view>
#include <type_traits>

#include "model/settings_model.h"

namespace tvx {

struct LineAssembler {
    char line[kLinkBufferBytes] = {};
    std::size_t length = 0;
    bool discarding = false;  // skipping the rest of an overlong line
};

// Called for each complete line; the view is valid only during the call.
using LineCallback = void (*)(void* user, std::string_view line);

void FeedLineAssembler(LineAssembler& a, const char* bytes, std::size_t n, LineCallback on_line,
                       void* user);

// Convenience form for lambdas and other callables.
template <typename OnLine>
void FeedLineAssembler(LineAssembler& a, const char* bytes, std::size_t n, OnLine&& on_line) {
    using Callable = std::remove_reference_t<OnLine>;
    FeedLineAssembler(
        a, bytes, n,
        [](void* user, std::string_view line) { (*static_cast<Callable*>(user))(line); },
        const_cast<void*>(static_cast<const void*>(&on_line)));
}

// Forgets a partly collected line.
void ResetLineAssembler(LineAssembler& a);

}  // namespace tvx
