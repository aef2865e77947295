// Building the long expected command texts of the tests from their parts.
#pragma once

#include <cstdio>
#include <string>

namespace tvx::test {

inline std::string Repeat(const std::string& piece, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) s += piece;
    return s;
}

// The numbers from..to in three digits each, as PP lists the titles of its pages.
inline std::string ThreeDigitRun(int from, int to) {
    std::string s;
    char digits[8];
    for (int n = from; n <= to; ++n) {
        std::snprintf(digits, sizeof digits, "%03d", n);
        s += digits;
    }
    return s;
}

}  // namespace tvx::test
