#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "model/config.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using test::MemoryIniStore;

// Also records which keys are read, in order.
struct ReadLoggingStore : MemoryIniStore {
    std::vector<std::string> reads;
    bool ReadKey(std::string_view section, std::string_view key, std::string& out) override {
        reads.push_back(std::string(section) + "/" + std::string(key));
        return MemoryIniStore::ReadKey(section, key, out);
    }
};

struct Config : ::testing::Test {
    std::unique_ptr<AppState> app_ptr = std::make_unique<AppState>();
    AppState& app = *app_ptr;
    ReadLoggingStore ini;

    void Set(const std::string& key, const std::string& value) {
        ini.values["TVX-5870_Section/" + key] = value;
    }
    std::string Get(const std::string& key) {
        auto it = ini.values.find("TVX-5870_Section/" + key);
        return it == ini.values.end() ? "<absent>" : it->second;
    }
};

TEST(DecimalText, LeadingBlanksSignAndDigits) {
    int v = -1;
    EXPECT_TRUE(ParseLeadingInt(" \t\n42", v));
    EXPECT_EQ(v, 42);
    EXPECT_TRUE(ParseLeadingInt("-0", v));
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(ParseLeadingInt("12 34", v));
    EXPECT_EQ(v, 12);
    EXPECT_TRUE(ParseLeadingInt("2147483647", v));
    EXPECT_EQ(v, INT_MAX);
    EXPECT_TRUE(ParseLeadingInt("-2147483648", v));
    EXPECT_EQ(v, INT_MIN);
    EXPECT_TRUE(ParseLeadingInt("2147483648", v));
    EXPECT_EQ(v, INT_MAX);
    v = 5;
    for (const char* none : {"", " ", "+", "-", "+-1", "x1", "- 1", "\xEF\xBC\x91"}) {
        EXPECT_FALSE(ParseLeadingInt(none, v)) << none;
        EXPECT_EQ(v, 5);
        EXPECT_EQ(DecimalOrZero(none), 0);
    }
    EXPECT_EQ(DecimalOrZero("7abc"), 7);
}

TEST_F(Config, NoFileGivesRs232cOnCom1ClientPort09004AndAnEmptyList) {
    app.interface_type = 1;
    app.com_port_index = 3;
    app.tcp_role = 1;
    std::memcpy(app.tcp_port_text, "11111", 6);
    app.host_list_count = 4;
    app.selected_connection = 2;
    ReadConfiguration(app, ini);
    EXPECT_EQ(app.interface_type, 0);
    EXPECT_EQ(app.com_port_index, 0);
    EXPECT_EQ(app.tcp_role, 0);
    EXPECT_STREQ(app.tcp_port_text, "09004");
    EXPECT_EQ(app.host_list_count, 0);
    EXPECT_EQ(app.selected_connection, 0);
    EXPECT_TRUE(ini.writes.empty());
}

TEST_F(Config, ReadsTheKeysInOrderThenTheListedHosts) {
    Set("list_count", "2");
    Set("ip00_0", "192");
    Set("ip00_1", "168");
    Set("ip00_2", "1");
    Set("ip00_3", "3");
    Set("ip01_0", "10");
    Set("ip02_0", "99");  // beyond list_count: not read
    ReadConfiguration(app, ini);
    std::vector<std::string> expected = {"com_port",     "Interface",     "port_number",
                                         "ClientServer", "select_number", "list_count"};
    for (int entry = 0; entry < 2; ++entry) {
        for (int octet = 0; octet < 4; ++octet) expected.push_back(HostKeyName(entry, octet));
    }
    expected.push_back("reply_paced");  // the program's own option, after the link's keys
    for (std::string& key : expected) key = "TVX-5870_Section/" + key;
    EXPECT_EQ(ini.reads, expected);
    const unsigned char first[4] = {192, 168, 1, 3};
    const unsigned char second[4] = {10, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(app.host_list[0], first, 4));
    EXPECT_EQ(0, std::memcmp(app.host_list[1], second, 4));
    EXPECT_EQ(app.host_list[2][0], 0);
}

TEST_F(Config, NumbersAreReadLikeTheRuntimeConversion) {
    Set("Interface", "1abc");
    Set("com_port", "  -3x");
    Set("ClientServer", "server");
    Set("select_number", "+7");
    Set("list_count", "1234567890123");  // cut to the 9 characters the buffer holds
    ReadConfiguration(app, ini);
    EXPECT_EQ(app.interface_type, 1);
    EXPECT_EQ(app.com_port_index, -3);
    EXPECT_EQ(app.tcp_role, 0);
    EXPECT_EQ(app.selected_connection, 7);
    EXPECT_EQ(app.host_list_count, kHostListCapacity);
}

// "応答を待って送る（高速）" is off unless the file says 1, and written as 0 or 1.
TEST_F(Config, ReplyPacedOptionIsOnOnlyForOne) {
    for (auto [text, on] : {std::pair{"1", 1}, {"0", 0}, {"2", 0}, {"", 0}, {"yes", 0}}) {
        Set("reply_paced", text);
        ReadConfiguration(app, ini);
        EXPECT_EQ(app.reply_paced_runs, on) << text;
    }
    app.reply_paced_runs = 1;
    EXPECT_TRUE(WriteReplyPacedKey(app, ini));
    EXPECT_EQ(ini.writes.back(), "reply_paced=1");
}

TEST_F(Config, PortNumberIsTextCutToFiveCharacters) {
    Set("port_number", "1234567");
    ReadConfiguration(app, ini);
    EXPECT_STREQ(app.tcp_port_text, "12345");
    Set("port_number", "80");
    ReadConfiguration(app, ini);
    EXPECT_STREQ(app.tcp_port_text, "80");
    Set("port_number", "");
    ReadConfiguration(app, ini);
    EXPECT_STREQ(app.tcp_port_text, "");
}

TEST_F(Config, ListCountIsKeptWithinTheHostListMemory) {
    Set("list_count", "1000");
    Set("ip255_3", "7");
    Set("ip99_0", "5");
    ReadConfiguration(app, ini);
    EXPECT_EQ(app.host_list_count, 256);
    EXPECT_EQ(app.host_list[255][3], 7);
    EXPECT_EQ(app.host_list[99][0], 5);
    EXPECT_EQ(ini.reads.end()[-2], "TVX-5870_Section/ip255_3");

    Set("list_count", "-5");
    ReadConfiguration(app, ini);
    EXPECT_EQ(app.host_list_count, 0);
}

TEST_F(Config, KeyWritersWriteTheDecimalValue) {
    app.interface_type = 1;
    app.com_port_index = 2;
    std::memcpy(app.tcp_port_text, "10001", 6);
    app.tcp_role = 1;
    app.selected_connection = -1;
    EXPECT_TRUE(WriteInterfaceKey(app, ini));
    EXPECT_TRUE(WriteComPortKey(app, ini));
    EXPECT_TRUE(WritePortNumberKey(app, ini));
    EXPECT_TRUE(WriteClientServerKey(app, ini));
    EXPECT_TRUE(WriteSelectNumberKey(app, ini));
    EXPECT_EQ(ini.writes,
              (std::vector<std::string>{"Interface=1", "com_port=2", "port_number=10001",
                                        "ClientServer=1", "select_number=-1"}));
    EXPECT_EQ(Get("com_port"), "2");

    // A port text without its terminator is still bounded by its field.
    std::memcpy(app.tcp_port_text, "987654", 6);
    WritePortNumberKey(app, ini);
    EXPECT_EQ(Get("port_number"), "987654");

    ini.fail_writes = true;
    EXPECT_FALSE(WriteInterfaceKey(app, ini));
}

TEST_F(Config, AddThreeThenDeleteTheFirst) {
    const unsigned char a[4] = {192, 168, 1, 3};
    const unsigned char b[4] = {10, 0, 0, 2};
    const unsigned char c[4] = {172, 16, 255, 254};
    ASSERT_TRUE(AddHost(app, ini, a));
    ASSERT_TRUE(AddHost(app, ini, b));
    ASSERT_TRUE(AddHost(app, ini, c));
    EXPECT_EQ(app.host_list_count, 3);
    EXPECT_EQ(std::vector<std::string>(ini.writes.begin(), ini.writes.begin() + 5),
              (std::vector<std::string>{"list_count=1", "ip00_0=192", "ip00_1=168", "ip00_2=1",
                                        "ip00_3=3"}));

    ASSERT_TRUE(SelectHost(app, ini, 2));
    ini.writes.clear();
    ASSERT_TRUE(DeleteHost(app, ini, 0));
    EXPECT_EQ(ini.writes, (std::vector<std::string>{"list_count=2", "ip00_0=10", "ip00_1=0",
                                                    "ip00_2=0", "ip00_3=2", "ip01_0=172",
                                                    "ip01_1=16", "ip01_2=255", "ip01_3=254"}));
    EXPECT_EQ(app.host_list_count, 2);
    EXPECT_EQ(0, std::memcmp(app.host_list[0], b, 4));
    EXPECT_EQ(0, std::memcmp(app.host_list[1], c, 4));
    EXPECT_EQ(app.selected_connection, 2);  // left alone
    // The keys of the former last entry stay behind list_count.
    EXPECT_EQ(Get("ip02_0"), "172");
    EXPECT_EQ(Get("ip02_3"), "254");

    // Read back at the next start: two entries.
    auto fresh = std::make_unique<AppState>();
    ReadConfiguration(*fresh, ini);
    EXPECT_EQ(fresh->host_list_count, 2);
    EXPECT_EQ(0, std::memcmp(fresh->host_list[1], c, 4));
    // The selection now points past the list: no host to connect to.
    EXPECT_EQ(SelectedHostAddress(*fresh), nullptr);
}

TEST_F(Config, DeleteTheLastEntryRewritesOnlyTheCount) {
    const unsigned char a[4] = {1, 2, 3, 4};
    AddHost(app, ini, a);
    AddHost(app, ini, a);
    ini.writes.clear();
    ASSERT_TRUE(DeleteHost(app, ini, 1));
    EXPECT_EQ(ini.writes, (std::vector<std::string>{"list_count=1"}));
}

TEST_F(Config, AddBeyondTheFileLimitIsRefusedWithNothingChanged) {
    const unsigned char a[4] = {1, 2, 3, 4};
    for (int i = 0; i < kHostListFileCapacity; ++i) ASSERT_TRUE(AddHost(app, ini, a));
    EXPECT_EQ(Get("ip99_3"), "4");
    ini.writes.clear();
    const unsigned char extra[4] = {9, 9, 9, 9};
    EXPECT_FALSE(AddHost(app, ini, extra));
    EXPECT_EQ(app.host_list_count, 100);
    EXPECT_EQ(app.host_list[100][0], 0);
    EXPECT_TRUE(ini.writes.empty());

    // A count read from a hand-edited file beyond 100 refuses too.
    app.host_list_count = 256;
    EXPECT_FALSE(AddHost(app, ini, extra));
    EXPECT_EQ(app.host_list_count, 256);
}

TEST_F(Config, DeleteAndSelectOutsideTheListDoNothing) {
    const unsigned char a[4] = {1, 2, 3, 4};
    EXPECT_FALSE(DeleteHost(app, ini, 0));  // empty list
    EXPECT_FALSE(SelectHost(app, ini, 0));
    AddHost(app, ini, a);
    ini.writes.clear();
    app.selected_connection = 0;
    for (int position : {-1, 1, 500}) {
        EXPECT_FALSE(DeleteHost(app, ini, position));
        EXPECT_FALSE(SelectHost(app, ini, position));
    }
    EXPECT_TRUE(ini.writes.empty());
    EXPECT_EQ(app.host_list_count, 1);
    EXPECT_EQ(app.selected_connection, 0);
}

TEST_F(Config, SelectWritesSelectNumberAndTheSelectionIsCheckedOnUse) {
    const unsigned char a[4] = {192, 168, 0, 10};
    const unsigned char b[4] = {192, 168, 0, 11};
    AddHost(app, ini, a);
    AddHost(app, ini, b);
    ini.writes.clear();
    ASSERT_TRUE(SelectHost(app, ini, 1));
    EXPECT_EQ(app.selected_connection, 1);
    EXPECT_EQ(ini.writes, (std::vector<std::string>{"select_number=1"}));
    ASSERT_NE(SelectedHostAddress(app), nullptr);
    EXPECT_EQ(0, std::memcmp(SelectedHostAddress(app), b, 4));

    for (int selection : {-1, 2, 256, INT_MAX}) {
        app.selected_connection = selection;
        EXPECT_EQ(SelectedHostAddress(app), nullptr) << selection;
    }
}

TEST(PreviewFont, KeptAsCodePage932AndOnlyWhenItCanBe) {
    test::MemoryIniStore ini;
    EXPECT_EQ(ReadPreviewFontName(ini), "");
    ASSERT_TRUE(WritePreviewFontName(ini, "ＭＳ ゴシック"));
    EXPECT_EQ(ini.writes, (std::vector<std::string>{"preview_font=\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e"}));
    EXPECT_EQ(ReadPreviewFontName(ini), "ＭＳ ゴシック");
    EXPECT_FALSE(WritePreviewFontName(ini, "나눔고딕"));  // Hangul: not in the code page
    EXPECT_EQ(ini.writes.size(), 1u);
    ini.values[std::string(kConfigSection) + "/preview_font"] = "\x82";  // a cut pair
    EXPECT_EQ(ReadPreviewFontName(ini), "");
}

TEST(HostListText, ThreeDigitOctetsWithBlankAndDot) {
    const unsigned char a[4] = {192, 168, 1, 3};
    const unsigned char zero[4] = {0, 0, 0, 0};
    const unsigned char top[4] = {255, 255, 255, 255};
    EXPECT_EQ(FormatHostListEntry(a), "192 .168 .001 .003");
    EXPECT_EQ(FormatHostListEntry(zero), "000 .000 .000 .000");
    EXPECT_EQ(FormatHostListEntry(top), "255 .255 .255 .255");
    EXPECT_EQ(HostKeyName(3, 0), "ip03_0");
    EXPECT_EQ(HostKeyName(99, 3), "ip99_3");
}

}  // namespace
}  // namespace tvx
