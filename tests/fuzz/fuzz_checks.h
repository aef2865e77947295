// The checks of every fuzz target: a broken invariant aborts with its name, which libFuzzer
// reports as a finding with the input that caused it.
//
// Checks carry TVX_FUZZ_CHECK so that they are not instrumented for coverage: they only need to
// be right, guiding the fuzzer is the job of the code under test, and a check run after every
// line would otherwise cost more than the line's parse.
#pragma once

#include <cstdio>
#include <cstdlib>

#define TVX_FUZZ_CHECK __attribute__((noinline, no_sanitize("coverage")))

namespace tvx::fuzz {

[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

inline void Require(bool holds, const char* what) {
    if (!holds) Fail(what);
}

}  // namespace tvx::fuzz
