#include "protocol/line_queue.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tvx {
namespace {

std::string Take(SerialLineQueue& q) {
    char line[kLinkBufferBytes];
    std::size_t length = 0;
    if (!TakeLine(q, line, length)) return "<none>";
    return std::string(line, length);
}

TEST(SerialLineQueue, LinesComeOutInOrderAcrossTheRingsEnd) {
    auto q = std::make_unique<SerialLineQueue>();
    EXPECT_EQ(Take(*q), "<none>");
    // Read-back lines of 441 bytes, many times round the ring, two waiting at a time.
    ASSERT_TRUE(PutLine(*q, "03GO\r\n"));
    std::string previous = "03GO\r\n";
    for (int i = 0; i < 1000; ++i) {
        const std::string line =
            "03PP01T" + std::to_string(1000 + i) + std::string(428, '7') + "\r\n";
        ASSERT_TRUE(PutLine(*q, line));
        ASSERT_EQ(Take(*q), previous) << i;
        previous = line;
    }
    EXPECT_EQ(Take(*q), previous);
    EXPECT_FALSE(HasLines(*q));
}

TEST(SerialLineQueue, AFullQueueDropsNewLinesButCountsThemAsArrived) {
    auto q = std::make_unique<SerialLineQueue>();
    const std::string line = std::string(598, 'x') + "\r\n";
    int kept = 0;
    while (PutLine(*q, line)) ++kept;
    // A whole read-back (173 replies, most far shorter) fits many times over.
    EXPECT_EQ(kept, static_cast<int>(kLineQueueBytes / 602));
    EXPECT_FALSE(PutLine(*q, line));
    EXPECT_EQ(TakeArrivals(*q), static_cast<std::uint32_t>(kept + 2));
    EXPECT_EQ(TakeArrivals(*q), 0u);
    EXPECT_EQ(TakeDropped(*q), 2u);
    EXPECT_EQ(TakeDropped(*q), 0u);
    // Room again after a take; an overlong line keeps its first 600 bytes.
    EXPECT_EQ(Take(*q), line);
    ASSERT_TRUE(PutLine(*q, std::string(700, 'y')));
    for (int i = 1; i < kept; ++i) EXPECT_EQ(Take(*q), line);
    EXPECT_EQ(Take(*q), std::string(600, 'y'));
    EXPECT_EQ(TakeArrivals(*q), 1u);
}

}  // namespace
}  // namespace tvx
