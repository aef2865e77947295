// The state file: every device setting survives a save and a load, devices
// this run does not use are kept, and a damaged file is refused as a whole.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "sim_state.h"

namespace tvxsim {
namespace {

SimDevice Busy(int address) {
    SimDevice d = FactoryDevice(false, 0, address);
    std::string seconds, flags, titles;
    for (int k = 0; k < kPages; ++k) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%02d", k % 100);
        seconds += buf;
        flags += k % 2 ? 'F' : 'N';
        std::snprintf(buf, sizeof buf, "%03d", 144 - k);
        titles += buf;
    }
    const char* cmds[] = {"CWL3",
                          "CEL0",
                          "CTDPO02B15",
                          "SUS01BAS",
                          "P02T077",
                          "IA192.168.001.003",
                          "GA010.000.000.254",
                          "AA172.016.000.001",
                          "SMA",
                          "PN12345",
                          "KAON",
                          "TR2",
                          "G05T010I21"};
    for (const char* c : cmds) EXPECT_EQ(ExecuteCommand(d, c), "GO") << c;
    EXPECT_EQ(ExecuteCommand(d, "AST01T" + seconds), "GO");
    EXPECT_EQ(ExecuteCommand(d, "CTD02B" + flags), "GO");
    EXPECT_EQ(ExecuteCommand(d, "PP01B" + titles), "GO");
    std::string title;
    for (int i = 0; i < 21; ++i) title += i % 2 ? "3042" : "A365";
    EXPECT_EQ(ExecuteCommand(d, "CT077" + title), "GO");
    std::string pattern;
    for (int k = 0; k < 256; ++k) pattern += "0123456789ABCDEF"[k % 16];
    EXPECT_EQ(ExecuteCommand(d, "GR64" + pattern), "GO");
    return d;
}

TEST(SimState, EverySettingSurvivesSaveAndLoad) {
    StateFile saved;
    saved.devices.push_back(Busy(3));
    saved.connect_devices.push_back(FactoryDevice(true, 0, 0));
    std::snprintf(saved.connect_devices[0].net_version.data(), 5, "2.10");
    std::string text = StateToJson(saved);

    StateFile loaded;
    loaded.devices.push_back(FactoryDevice(false, 0, 0));
    loaded.connect_devices.push_back(FactoryDevice(true, 0, 0));
    std::string error;
    ASSERT_TRUE(StateFromJson(text, loaded, error)) << error;
    EXPECT_TRUE(loaded.devices[0] == saved.devices[0]);
    EXPECT_TRUE(loaded.connect_devices[0] == saved.connect_devices[0]);
    EXPECT_EQ(loaded.devices[0].address, 3);
}

TEST(SimState, NotMemoryTitlesAreLostOnAPowerCycle) {
    StateFile s;
    s.devices.push_back(FactoryDevice(false, 0, 0));
    EXPECT_EQ(ExecuteCommand(s.devices[0], "CN001" + std::string(84, '3')), "GO");
    StateFile loaded;
    loaded.devices.push_back(FactoryDevice(false, 0, 0));
    std::string error;
    ASSERT_TRUE(StateFromJson(StateToJson(s), loaded, error)) << error;
    EXPECT_EQ(loaded.devices[0].title_shown[0][0], kFullWidthSpace);
}

TEST(SimState, DevicesNotUsedThisRunAreKept) {
    StateFile big;
    for (int i = 0; i < 3; ++i) big.devices.push_back(Busy(10 + i));
    StateFile small;
    small.devices.push_back(FactoryDevice(false, 0, 0));
    std::string error;
    ASSERT_TRUE(StateFromJson(StateToJson(big), small, error)) << error;
    ASSERT_EQ(small.devices.size(), 3u);
    EXPECT_TRUE(small.devices[2] == big.devices[2]);
}

TEST(SimState, FieldsLeftOutKeepTheirValues) {
    StateFile s;
    s.devices.push_back(FactoryDevice(false, 0, 4));
    std::string error;
    ASSERT_TRUE(StateFromJson(
        R"({"format": "tvx5870-sim state", "version": 1,
            "devices": [{"white_level": 2, "net": {"port": "00080"}}]})",
        s, error))
        << error;
    EXPECT_EQ(s.devices[0].white_level, 2);
    EXPECT_EQ(s.devices[0].address, 4);
    EXPECT_EQ(ExecuteCommand(s.devices[0], "RPN"), "PN00080");
    EXPECT_EQ(ExecuteCommand(s.devices[0], "RCEL"), "CEL1");
}

TEST(SimState, DamagedFilesAreRefusedAndChangeNothing) {
    const char* head = R"({"format": "tvx5870-sim state", "version": 1, "devices": [)";
    const std::string bad[] = {
        "",
        "{",
        "[]",
        R"({"format": "something else", "version": 1})",
        R"({"format": "tvx5870-sim state", "version": 2})",
        std::string(head) + R"({"white_level": 4}]})",
        std::string(head) + R"({"white_level": "1"}]})",
        std::string(head) + R"({"address": 32}]})",
        std::string(head) + R"({"display_page": ["001", "145", "001", "001"]}]})",
        std::string(head) + R"({"display_page": ["001"]}]})",
        std::string(head) + R"({"page_display_on": ["N", "N", "N", "N"]}]})",
        std::string(head) + R"({"titles": []}]})",
        std::string(head) + R"({"glyphs": {"00": "0"}}]})",
        std::string(head) + R"({"glyphs": {"01": "xyz"}}]})",
        std::string(head) + R"({"net": {"ip": "1.2.3"}}]})",
        std::string(head) + R"({"net": {"ip": "1.2.3.256"}}]})",
        std::string(head) + R"({"net": {"port": "9004"}}]})",
        std::string(head) + R"({"net": {"time_register": "7"}}]})",
        std::string(head) + R"({"net": {"keep_alive": 1}}]})",
        std::string(head) + R"({"net": {"mac": "00"}}]})",
        std::string(head) + R"({"net": {"version": "1.\u00110"}}]})",
        std::string(head) + R"({"white_level": 2}, {"edge_level": 9}]})",
    };
    for (const std::string& text : bad) {
        StateFile s;
        s.devices.push_back(FactoryDevice(false, 0, 0));
        const SimDevice before = s.devices[0];
        std::string error;
        EXPECT_FALSE(StateFromJson(text, s, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
        ASSERT_EQ(s.devices.size(), 1u) << text;
        EXPECT_TRUE(s.devices[0] == before) << text;
    }
}

TEST(SimState, ErrorNamesTheField) {
    StateFile s;
    s.devices.push_back(FactoryDevice(false, 0, 0));
    std::string error;
    EXPECT_FALSE(StateFromJson(
        R"({"format": "tvx5870-sim state", "version": 1, "devices": [{"net": {"ip": "x"}}]})", s,
        error));
    EXPECT_NE(error.find("devices[0].net.ip"), std::string::npos) << error;
}

TEST(SimState, FileRoundTripAndMissingFile) {
    std::string path = ::testing::TempDir() + "sim_state_test.json";
    std::remove(path.c_str());
    StateFile s;
    s.devices.push_back(Busy(0));
    bool existed = true;
    std::string error;
    StateFile fresh;
    fresh.devices.push_back(FactoryDevice(false, 0, 0));
    ASSERT_TRUE(LoadStateFile(path, fresh, existed, error)) << error;
    EXPECT_FALSE(existed);

    ASSERT_TRUE(SaveStateFile(path, s, error)) << error;
    ASSERT_TRUE(LoadStateFile(path, fresh, existed, error)) << error;
    EXPECT_TRUE(existed);
    EXPECT_TRUE(fresh.devices[0] == s.devices[0]);
    // The file is plain JSON a user can read and edit.
    std::ifstream in(path);
    nlohmann::json j = nlohmann::json::parse(in);
    EXPECT_EQ(j["devices"][0]["white_level"], 3);
    EXPECT_EQ(j["devices"][0]["net"]["ip"], "192.168.1.3");
    EXPECT_EQ(j["devices"][0]["glyphs"].size(), 1u);
    std::remove(path.c_str());
}

TEST(SimState, UnwritablePathIsReported) {
    StateFile s;
    std::string error;
    EXPECT_FALSE(SaveStateFile("/nonexistent-dir/state.json", s, error));
    EXPECT_NE(error.find("/nonexistent-dir/state.json"), std::string::npos) << error;
}

}  // namespace
}  // namespace tvxsim
