#include "model/title_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tvx {
namespace {

using namespace std::string_literals;

TEST(TitleTextLength, WalksByPairsSoThatGlyph64KeepsTheRest) {
    struct Case {
        std::string bytes;  // slot content; the slot is zero-filled after it
        std::size_t length;
    };
    const Case cases[] = {
        {""s, 0},
        {"\x82\xa0"s, 2},               // あ
        {"\x11\x00\x82\xa0"s, 4},       // glyph 63, あ
        {"\x82\xa0\x11\x00"s, 4},       // あ, glyph 63 at the end
        {"\x10\xfa\x82\xa0"s, 4},       // glyph 57, あ
        {"\x11\x00"s, 2},               // glyph 63 alone
        {"AB"s, 2},                     // half-width bytes count one each
        {"\x82"s, 1},                   // a lone lead byte at the end
        {std::string(42, '\x81'), 42},  // a full slot
    };
    for (const Case& c : cases) {
        char slot[kTitleBytes] = {};
        c.bytes.copy(slot, c.bytes.size());
        EXPECT_EQ(TitleTextLength(slot), c.length) << testing::PrintToString(c.bytes);
    }
    // A slot without any zero byte stops at its bound.
    char full[kTitleBytes];
    std::fill(std::begin(full), std::end(full), 'x');
    EXPECT_EQ(TitleTextLength(full), std::size_t{kTitleBytes - 1});
    EXPECT_EQ(TitleTextLength(full, 10), 10u);
}

}  // namespace
}  // namespace tvx
