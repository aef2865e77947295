// Line assembly of received bytes: lines split over reads, lines merged in one read, overlong
// lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/line_assembly.h"

namespace tvx {
namespace {

struct Collector {
    LineAssembler assembler;
    std::vector<std::string> lines;
    void Feed(const std::string& bytes) {
        FeedLineAssembler(assembler, bytes.data(), bytes.size(),
                          [this](std::string_view line) { lines.emplace_back(line); });
    }
};

TEST(LineAssembly, SplitReadsJoin) {
    Collector c;
    c.Feed("01G");
    EXPECT_TRUE(c.lines.empty());
    c.Feed("O\r");
    EXPECT_TRUE(c.lines.empty());
    c.Feed("\n");
    EXPECT_EQ(c.lines, std::vector<std::string>{"01GO\r\n"});
    EXPECT_EQ(c.assembler.length, 0u);
}

TEST(LineAssembly, MergedReadsSplit) {
    Collector c;
    c.Feed("01GO\r\n01E3\r\n01P0");
    EXPECT_EQ(c.lines, (std::vector<std::string>{"01GO\r\n", "01E3\r\n"}));
    c.Feed("1TAS\r\n");
    EXPECT_EQ(c.lines.back(), "01P01TAS\r\n");
    c.Feed("\n\n");
    EXPECT_EQ(c.lines.size(), 5u);
    EXPECT_EQ(c.lines.back(), "\n");
}

TEST(LineAssembly, FunctionPointerForm) {
    LineAssembler a;
    int count = 0;
    auto on_line = [](void* user, std::string_view line) {
        EXPECT_EQ(line, "x\n");
        ++*static_cast<int*>(user);
    };
    FeedLineAssembler(a, "x\nx\n", 4, on_line, &count);
    EXPECT_EQ(count, 2);
}

TEST(LineAssembly, LongestLineFitsExactly) {
    Collector c;
    std::string line(598, 'A');
    line += "\r\n";  // 600 bytes with its line end
    c.Feed(line.substr(0, 300));
    c.Feed(line.substr(300));
    ASSERT_EQ(c.lines.size(), 1u);
    EXPECT_EQ(c.lines[0], line);
}

TEST(LineAssembly, OverlongLineIsDiscardedUpToItsLineFeed) {
    Collector c;
    std::string junk(5000, 'Z');
    c.Feed("01GO\r\n" + junk.substr(0, 2500));
    c.Feed(junk.substr(2500));
    EXPECT_EQ(c.lines, std::vector<std::string>{"01GO\r\n"});
    EXPECT_TRUE(c.assembler.discarding);
    c.Feed("tail of the long line\r\n01E3\r\n");
    EXPECT_EQ(c.lines, (std::vector<std::string>{"01GO\r\n", "01E3\r\n"}));
    EXPECT_FALSE(c.assembler.discarding);

    // 601 bytes with the line feed: one too many, the line feed itself ends the discard.
    c.Feed(std::string(600, 'Y') + "\n01GO\r\n");
    EXPECT_EQ(c.lines.back(), "01GO\r\n");
    EXPECT_EQ(c.lines.size(), 3u);
}

TEST(LineAssembly, ResetForgetsAPartialLine) {
    Collector c;
    c.Feed("01G");
    ResetLineAssembler(c.assembler);
    c.Feed("O\r\n");
    EXPECT_EQ(c.lines, std::vector<std::string>{"O\r\n"});
}

}  // namespace
}  // namespace tvx
