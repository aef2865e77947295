#include "model/decimal_text.h"

#include <climits>

namespace tvx {

namespace {

bool IsBlank(char c) {
    // The C locale's white space, as the runtime conversion skips it.
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

bool ParseLeadingInt(std::string_view text, int& value_out) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    // Accumulate as a negative number so that INT_MIN is reachable without overflow.
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value > -static_cast<long long>(INT_MAX) - 2) value = value * 10 - (text[i] - '0');
    }
    if (negative) {
        value_out = value < INT_MIN ? INT_MIN : static_cast<int>(value);
    } else {
        value_out = -value > INT_MAX ? INT_MAX : static_cast<int>(-value);
    }
    return true;
}

int DecimalOrZero(std::string_view text) {
    int value = 0;
    return ParseLeadingInt(text, value) ? value : 0;
}

}  // namespace tvx
