// Decimal text as the settings file and the configuration file hold it.
#pragma once

#include <string_view>

namespace tvx {

// Reads a number the way the C runtime's decimal conversion does: optional leading white space,
// an optional sign, then the leading decimal digits; whatever follows is ignored. False when no
// digit is there (value_out is then left as it was). A number beyond the range of int saturates
// instead of overflowing.
bool ParseLeadingInt(std::string_view text, int& value_out);

// The same conversion giving 0 for text without a number.
int DecimalOrZero(std::string_view text);

}  // namespace tvx
