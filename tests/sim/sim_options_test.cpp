// Command-line parsing and the traffic log line format.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "sim_log.h"
#include "sim_options.h"

namespace tvxsim {
namespace {

bool Parse(std::vector<const char*> args, Options& opt, int& code) {
    args.insert(args.begin(), "tvx5870-sim");
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    bool ok = ParseOptions(static_cast<int>(args.size()), args.data(), opt, code);
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    return ok;
}

TEST(SimOptions, InjectedError) {
    uint64_t n = 0;
    std::string code;
    EXPECT_TRUE(ParseInjectedError("E3@12", n, code));
    EXPECT_EQ(n, 12u);
    EXPECT_EQ(code, "E3");
    EXPECT_TRUE(ParseInjectedError("MENU@1", n, code));
    EXPECT_EQ(code, "MENU");
    for (const char* bad : {"E4@1", "E3@0", "E3@", "@3", "E3", "E3@x", "e3@1", "E3@-1", "GO@1"})
        EXPECT_FALSE(ParseInjectedError(bad, n, code)) << bad;
}

TEST(SimOptions, HostPort) {
    std::string host;
    int port = 0;
    EXPECT_TRUE(ParseHostPort("127.0.0.1:9004", host, port));
    EXPECT_EQ(host, "127.0.0.1");
    EXPECT_EQ(port, 9004);
    EXPECT_TRUE(ParseHostPort("[::1]:80", host, port));
    EXPECT_EQ(host, "::1");
    for (const char* bad : {"host", "host:", ":9004", "host:0", "host:65536", "host:9x"})
        EXPECT_FALSE(ParseHostPort(bad, host, port)) << bad;
}

TEST(SimOptions, TransportsAndFaults) {
    Options opt;
    int code = -1;
    ASSERT_TRUE(Parse({"--serial", "/tmp/x", "--tcp-listen", "--error", "E3@2", "--error", "MENU@5",
                       "--split", "--reply-delay", "100", "--devices", "3"},
                      opt, code));
    EXPECT_EQ(opt.serial_path, "/tmp/x");
    EXPECT_TRUE(opt.tcp_listen);
    EXPECT_EQ(opt.listen_port, 9004);
    ASSERT_EQ(opt.errors.size(), 2u);
    EXPECT_EQ(opt.errors[2], "E3");
    EXPECT_EQ(opt.errors[5], "MENU");
    EXPECT_TRUE(opt.faults.split);
    EXPECT_EQ(opt.faults.reply_delay_ms, 100);
    EXPECT_EQ(opt.devices, 3);
    EXPECT_TRUE(opt.addresses_given);

    Options o2;
    ASSERT_TRUE(
        Parse({"--tcp-listen", "0", "--tcp-connect", "localhost:9100", "--count", "4"}, o2, code));
    EXPECT_EQ(o2.listen_port, 0);
    EXPECT_TRUE(o2.tcp_connect);
    EXPECT_EQ(o2.connect_host, "localhost");
    EXPECT_EQ(o2.connect_port, 9100);
    EXPECT_EQ(o2.connect_count, 4);
    EXPECT_FALSE(o2.addresses_given);
}

TEST(SimOptions, MistakesAreRefused) {
    const std::vector<std::vector<const char*>> bad = {
        {},
        {"--address", "3"},
        {"--serial", "x", "--address", "32"},
        {"--serial", "x", "--address", "30", "--devices", "3"},
        {"--serial", "x", "--count", "2"},
        {"--tcp-connect", "nohost"},
        {"--serial", "x", "--error", "E9@1"},
        {"--serial", "x", "--reply-delay", "-1"},
        {"--tcp-listen", "70000"},
        {"--serial", "x", "--drop-after", "0"},
        {"--serial", "x", "--bogus"},
    };
    for (const auto& args : bad) {
        Options opt;
        int code = 0;
        EXPECT_FALSE(Parse(args, opt, code));
        EXPECT_NE(code, 0);
    }
}

TEST(SimOptions, HelpExitsWithSuccess) {
    Options opt;
    int code = -1;
    EXPECT_FALSE(Parse({"--help"}, opt, code));
    EXPECT_EQ(code, 0);
}

TEST(SimLog, BytesSurviveTheJsonLine) {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
    std::string line = FormatLogLine(1.5, "serial", 0, "rx", "07", bytes);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    nlohmann::json j = nlohmann::json::parse(line);
    EXPECT_EQ(j["time"], 1.5);
    EXPECT_EQ(j["transport"], "serial");
    EXPECT_EQ(j["conn"], 0);
    EXPECT_EQ(j["direction"], "rx");
    EXPECT_EQ(j["address"], "07");
    // Back from code points U+0000..U+00FF to bytes.
    std::string utf8 = j["bytes"];
    std::string back;
    for (size_t i = 0; i < utf8.size(); ++i) {
        auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            back += static_cast<char>(c);
        } else {
            auto c2 = static_cast<unsigned char>(utf8[++i]);
            back += static_cast<char>(((c & 0x03) << 6) | (c2 & 0x3F));
        }
    }
    EXPECT_EQ(back, bytes);
    EXPECT_NE(FormatLogLine(0, "tcp", 3, "tx", "", "01GO\r\n").find(R"("bytes":"01GO\r\n")"),
              std::string::npos);
}

}  // namespace
}  // namespace tvxsim
