#include "model/title_text.h"

namespace tvx {

std::size_t TitleTextLength(const char* title, std::size_t max) {
    std::size_t i = 0;
    while (i < max && title[i] != '\0') {
        const auto lead = static_cast<unsigned char>(title[i]);
        const bool pair = IsExternalLeadByte(lead) || IsCp932LeadByte(lead);
        // A Shift_JIS lead byte before the zero byte is an odd byte at the end, not a pair.
        if (pair && i + 1 < max && (IsExternalLeadByte(lead) || title[i + 1] != '\0')) {
            i += 2;
        } else {
            i += 1;
        }
    }
    return i;
}

}  // namespace tvx
