// The companion's pieces without a line: addresses and hosts, the sessions' frames, pace and
// reply checks, and the refusal of a file that must not be pushed.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "console.h"
#include "describe.h"
#include "glyph_commands.h"
#include "glyphs/glyph_pattern.h"
#include "model/settings_file.h"
#include "report.h"
#include "session.h"
#include "push_files.h"
#include "targets.h"

namespace tvxctl {
namespace {

std::string Repeat(const std::string& piece, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += piece;
    return out;
}

TEST(Targets, AddressListsHostsAndFileNames) {
    std::vector<int> list;
    std::string error;
    ASSERT_TRUE(ParseAddressList("0-3,7", list, error));
    EXPECT_EQ(list, (std::vector<int>{0, 1, 2, 3, 7}));
    ASSERT_TRUE(ParseAddressList(" 31 , 5-5", list, error));
    EXPECT_EQ(list, (std::vector<int>{31, 5}));
    for (const char* bad : {"", "32", "3-1", "1,,2", "a", "-1", "0-3,2", "1-"}) {
        EXPECT_FALSE(ParseAddressList(bad, list, error)) << bad;
    }
    EXPECT_TRUE(ParseAddressList("0-3,2", list, error) == false &&
                error == "address 2 is named twice");
    // The user's text is quoted with its control characters spelled out: one line per problem.
    EXPECT_FALSE(ParseAddressList("1\n\x1b[2J", list, error));
    EXPECT_EQ(error,
              "bad address \"1\\x0A\\x1B[2J\": addresses are 0..31, single or as ranges "
              "such as 0-3,7");

    struct HostCase {
        const char* text;
        bool ok;
        const char* host;
        int port;
    };
    for (const HostCase& c :
         {HostCase{"10.0.0.5", true, "10.0.0.5", 9004}, HostCase{"dev-3:9010", true, "dev-3", 9010},
          HostCase{"[::1]:7", true, "::1", 7}, HostCase{"fe80::1", true, "fe80::1", 9004},
          HostCase{"h:0", false, "", 0}, HostCase{"h:65536", false, "", 0},
          HostCase{"h:", false, "", 0}, HostCase{":9004", false, "", 0}}) {
        std::string host;
        int port = 0;
        EXPECT_EQ(ParseHostPort(c.text, host, port, error), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(host, c.host);
            EXPECT_EQ(port, c.port);
        }
    }
    int octets[4];
    EXPECT_TRUE(ParseDottedAddress("192.168.1.3", octets));
    EXPECT_EQ(octets[3], 3);
    for (const char* bad : {"192.168.1", "1.2.3.4.5", "1.2.3.256", "1..3.4", "1.2.3.0004"})
        EXPECT_FALSE(ParseDottedAddress(bad, octets)) << bad;

    EXPECT_EQ(DeviceFileName("backup.dat", "03", false), "backup.dat");
    EXPECT_EQ(DeviceFileName("dir.v2/backup.dat", "03", true), "dir.v2/backup-03.dat");
    EXPECT_EQ(DeviceFileName("dir.v2/backup", "10.0.0.5:9004#07", true),
              "dir.v2/backup-10.0.0.5_9004-07");
    EXPECT_EQ(HostLabels({"a", "b", "a"}, {9004, 9004, 9005}),
              (std::vector<std::string>{"a:9004", "b", "a:9005"}));
}

// A device on the serial line at address 3, driven step by step with the replies given.
struct SerialDevice {
    Job job;
    std::unique_ptr<DeviceSession> s;
    explicit SerialDevice(JobKind kind, Transport transport = Transport::Serial,
                          bool verify = false, bool bare = false, Pace pace = Pace::Ack) {
        job.kind = kind;
        job.verify = verify;
        job.bare = bare;
        job.pace = pace;
        if (kind == JobKind::Push || kind == JobKind::Compare) {
            auto settings = std::make_shared<tvx::SettingsModel>();
            tvx::AppState app;
            tvx::ResetToDefaults(*settings, app);
            job.settings = settings;
        }
        s = std::make_unique<DeviceSession>("03", transport, 3, job);
        EXPECT_TRUE(StartSession(*s));
    }
    std::string Tick(SessionTick* tick = nullptr) {
        SessionTick t = TickSession(*s);
        if (tick) *tick = t;
        std::string frames = std::move(s->out);
        s->out.clear();
        return frames;
    }
};

TEST(Session, PushSendsTheSetAllFramesAtTheProgramsPeriods) {
    SerialDevice d(JobKind::Push, Transport::Serial, false, false, Pace::Spec);
    ProgramTimer timer = StartProgramTimer(*d.s);
    std::vector<std::string> frames;
    std::vector<long long> tick_ms;
    for (SessionTick t; !t.ended;) {
        tick_ms.push_back(timer.next_tick_ms);
        std::string frame = d.Tick(&t);
        AdvanceProgramTimer(timer, t);
        if (!frame.empty()) {
            frames.push_back(frame);
            OnSessionLine(*d.s, "03GO\r\n");
        }
    }
    EXPECT_TRUE(d.s->result.ok) << d.s->result.message;
    ASSERT_EQ(frames.size(), 170u);  // 172 steps, two of them without a command
    EXPECT_EQ(frames[0], "03CT001" + Repeat("2121", 21) + "\r\n");
    EXPECT_EQ(frames[144], "03CTD01T" + Repeat("N", 144) + "\r\n");
    EXPECT_EQ(frames[148], "03CWL1\r\n");
    EXPECT_EQ(frames[161], "03P02B001\r\n");
    EXPECT_EQ(frames[162], "03AST01T" + Repeat("02", 144) + "\r\n");
    EXPECT_EQ(frames.back().substr(0, 7), "03PP02B");
    // 163 ticks of 1.2 s, then 9 of 2.6 s: the last one 219 s after the start.
    ASSERT_EQ(tick_ms.size(), 172u);
    EXPECT_EQ(tick_ms[0], 1200);
    EXPECT_EQ(tick_ms[162], 195600);
    EXPECT_EQ(tick_ms[163], 198200);
    EXPECT_EQ(tick_ms.back(), 219000);
}

TEST(Session, PullTicksAsTheReadBackAndTakesOneMoreOnTcp) {
    for (Transport transport : {Transport::Serial, Transport::Tcp}) {
        SerialDevice d(JobKind::Pull, transport, false, false, Pace::Spec);
        ProgramTimer timer = StartProgramTimer(*d.s);
        std::vector<std::string> frames;
        SessionTick t;
        long long last_tick = 0;
        while (!t.ended) {
            last_tick = timer.next_tick_ms;
            std::string frame = d.Tick(&t);
            AdvanceProgramTimer(timer, t);
            if (!frame.empty()) frames.push_back(frame);
        }
        ASSERT_EQ(frames.size(), 170u);
        EXPECT_EQ(frames[0], "03RAST01B\r\n");
        EXPECT_EQ(frames[22], "03RPP01T\r\n");
        EXPECT_EQ(frames.back(), "03RCT144\r\n");
        // 23 ticks of 0.8 s, 5 of 1.2 s, 145 of 0.6 s; on TCP/IP one tick more.
        EXPECT_EQ(last_tick, transport == Transport::Serial ? 111400 : 112000);
        EXPECT_EQ(d.s->awaiting.size(), 170u);
    }
}

TEST(Session, EachReplyIsCheckedAgainstItsCommand) {
    struct Case {
        JobKind kind;
        const char* command;  // send: the command; push: its first step
        const char* reply;
        bool ok;
        const char* code;
        const char* message;
    };
    const std::string title5 = "03CT005" + std::string("3021") + Repeat("2121", 20) + "\r\n";
    const Case cases[] = {
        {JobKind::Send, "CWL2", "03GO\r\n", true, "", ""},
        {JobKind::Send, "CWL2", "03E3\r\n", false, "E3", "Command Error"},
        {JobKind::Send, "CWL2", "03MENU\r\n", false, "MENU", "Menu Display"},
        {JobKind::Send, "CWL2", "03GN\r\n", false, "", "unexpected reply \"GN\""},
        {JobKind::Send, "RCT005", title5.c_str(), true, "", ""},
        {JobKind::Send, "RCT006", title5.c_str(), false, "", "unexpected reply \"CT0053021212121"},
        {JobKind::Send, "RCWL", "03CWL7\r\n", false, "", "unexpected reply \"CWL7\""},
    };
    for (const Case& c : cases) {
        SerialDevice d(JobKind::Send);
        d.job.command = c.command;
        EXPECT_EQ(d.Tick(), "03" + std::string(c.command) + "\r\n");
        OnSessionLine(*d.s, "04GO\r\n");  // another device on the line: not this one's reply
        EXPECT_EQ(d.s->stray_lines, 1);
        ASSERT_EQ(d.s->awaiting.size(), 1u);
        OnSessionLine(*d.s, c.reply);
        FinishSession(*d.s);
        const DeviceResult& r = d.s->result;
        EXPECT_EQ(r.ok, c.ok) << c.command << " " << c.reply;
        EXPECT_EQ(r.code, c.code) << c.reply;
        EXPECT_EQ(r.message.substr(0, std::string(c.message).size()), c.message) << c.reply;
        EXPECT_EQ(r.step, c.ok ? 0 : 1);
    }
    SerialDevice title(JobKind::Send);
    title.job.command = "RCT005";
    title.Tick();
    OnSessionLine(*title.s, title5);
    FinishSession(*title.s);
    EXPECT_EQ(title.s->result.decoded, (std::vector<std::string>{"T005: 「亜」"}));
}

TEST(Session, GlyphReadAsksGlyphByGlyphAndANotNowStopsIt) {
    SerialDevice d(JobKind::GlyphPull);
    EXPECT_EQ(d.s->first_period_ms, 300);
    EXPECT_EQ(d.Tick(), "03RFBMA365\r\n");
    OnSessionLine(*d.s, "03FBMA365" + Repeat("F", 256) + "\r\n");
    EXPECT_EQ(std::string(d.s->model->glyph_pattern[0], 256), Repeat("F", 256));
    EXPECT_EQ(d.Tick(), "03RFBMA366\r\n");
    OnSessionLine(*d.s, "03GN\r\n");
    EXPECT_FALSE(d.s->result.ok);
    EXPECT_EQ(d.s->result.step, 2);
    EXPECT_EQ(d.s->result.message, "unexpected reply \"GN\": 自動切換え中！");
}

// At the companion's own pace the core's rule steps a run on replies: a tick while the reply is
// due sends nothing; a pause step is passed at once.
TEST(Session, AckPaceStepsOnRepliesThroughTheCoresRule) {
    SerialDevice d(JobKind::Pull);
    EXPECT_EQ(d.s->app->run_pace.by_reply, 1);
    EXPECT_EQ(d.Tick(), "03RAST01B\r\n");
    EXPECT_EQ(d.Tick(), "");  // the reply is due
    OnSessionLine(*d.s, "03AST01B" + Repeat("02", 144) + "\r\n");
    EXPECT_EQ(d.Tick(), "03RAST01T\r\n");
    // No device answers a broadcast: the push keeps the program's periods.
    SerialDevice push(JobKind::Push);
    DeviceSession broadcast("FF", Transport::Serial, kBroadcast, push.job);
    ASSERT_TRUE(StartSession(broadcast));
    EXPECT_EQ(broadcast.app->run_pace.by_reply, 0);
}

TEST(Session, AnErrorReplyStopsThePushAtItsStep) {
    SerialDevice d(JobKind::Push);
    for (int step = 1; step <= 5; ++step) {
        d.Tick();
        OnSessionLine(*d.s, step == 5 ? "03E3\r\n" : "03GO\r\n");
    }
    const DeviceResult& r = d.s->result;
    EXPECT_TRUE(d.s->stopped);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.step, 5);
    EXPECT_EQ(r.command.substr(0, 5), "CT005");
    const std::string table =
        "DEVICE  RESULT  STEPS     TIME     DETAIL\n"
        "03      FAILED  5/172     0.0 s    step 5 CT005...: E3 Command Error\n"
        "1 device: 0 ok, 1 failed\n";
    EXPECT_EQ(SummaryTable({r}), table);
    EXPECT_EQ(ExitCode({r}), 1);
}

// A settings file written by the program, with line n (1-based) replaced.
std::string SettingsFile(const std::string& name, int line = 0, const std::string& text = "") {
    auto model = std::make_unique<tvx::SettingsModel>();
    tvx::AppState app;
    tvx::ResetToDefaults(*model, app);
    std::string bytes = tvx::WriteSettingsText(*model);
    if (line > 0) {
        std::size_t start = 0;
        for (int n = 1; n < line; ++n) start = bytes.find("\r\n", start) + 2;
        bytes.replace(start, bytes.find("\r\n", start) - start, text);
    }
    std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

TEST(Session, PushVerifyReadsTheDeviceBackIntoAClearedModelAndComparesWithTheFile) {
    SerialDevice d(JobKind::Push, Transport::Serial, true);
    auto file = std::make_shared<tvx::SettingsModel>(*d.job.settings);
    file->white_level = 3;
    d.job.settings = file;
    *d.s->model = *file;
    SessionTick t;
    for (int step = 1; step <= 172; ++step) {
        if (!d.Tick(&t).empty()) OnSessionLine(*d.s, "03GO\r\n");
    }
    EXPECT_FALSE(t.ended);
    EXPECT_EQ(t.new_period_ms, 800);  // the read-back's own period follows the push's
    EXPECT_EQ(d.s->result.steps_total, 172 + 173);
    EXPECT_EQ(d.s->model->white_level, 1);  // what the push left is not taken for the device's
    EXPECT_EQ(d.Tick(), "03RAST01B\r\n");
    EXPECT_EQ(d.s->step, 173);
    OnSessionLine(*d.s, "03E3\r\n");
    EXPECT_EQ(d.s->result.step, 173);
    EXPECT_EQ(d.s->result.command, "RAST01B");

    // A read-back that came through is compared: the file's value first.
    SerialDevice v(JobKind::Compare);
    auto show = std::make_shared<tvx::SettingsModel>(*v.job.settings);
    show->white_level = 3;
    v.job.settings = show;
    FinishSession(*v.s);
    ASSERT_TRUE(v.s->result.compared);
    ASSERT_EQ(v.s->result.differences.size(), 1u);
    EXPECT_EQ(tvx::DifferenceLine(v.s->result.differences[0]), "文字レベル 白: 3 ≠ 1");
    v.job.device_first = true;
    FinishSession(*v.s);
    EXPECT_EQ(tvx::DifferenceLine(v.s->result.differences[0]), "文字レベル 白: 1 ≠ 3");
}

TEST(Session, InfoReadsTheNetworkValuesOnTheSerialLineAndOneLevelOnTcp) {
    struct Case {
        Transport transport;
        bool bare;
        const char* first;
        const char* reply;
        std::size_t steps;
    };
    for (const Case& c :
         {Case{Transport::Serial, true, "RAA\r\n", "AA010.000.000.254\r\n", 10},
          Case{Transport::Serial, false, "03RAA\r\n", "03AA010.000.000.254\r\n", 10},
          Case{Transport::Tcp, false, "03RCWL\r\n", "03CWL2\r\n", 1}}) {
        SerialDevice d(JobKind::Info, c.transport, false, c.bare);
        d.s->peer = "10.0.0.9:9004";
        EXPECT_EQ(d.Tick(), c.first);
        EXPECT_EQ(static_cast<std::size_t>(d.s->result.steps_total), c.steps);
        d.s->awaiting.front().written = Clock::now() - std::chrono::milliseconds(5);
        OnSessionLine(*d.s, c.reply);
        EXPECT_TRUE(d.s->result.ok) << c.first << d.s->result.message;
        EXPECT_GE(d.s->result.round_trip_ms, 5.0);
        EXPECT_LT(d.s->result.round_trip_ms, 1000.0);
        FinishSession(*d.s);
        if (c.transport == Transport::Tcp) {
            EXPECT_TRUE(d.s->result.network.empty());
            EXPECT_EQ(d.s->model->white_level, 2);
        } else {
            ASSERT_EQ(d.s->result.network.size(), 9u);
            EXPECT_STREQ(d.s->result.network[0].key, "active_address");
            EXPECT_EQ(d.s->result.network[0].text, "10.0.0.254");
        }
    }
}

TEST(Report, ComparedDevicesInfoAndDiffBlocks) {
    DeviceResult same, differs, failed;
    same.device = "00";
    same.compared = true;
    same.steps_done = same.steps_total = 173;
    differs = same;
    differs.device = "01";
    for (int i = 0; i < 5; ++i)
        differs.differences.push_back(
            {"T00" + std::to_string(i + 1), "「朝」", "「夜」", 1167 + i});
    differs.differences[1] = {"ページ 3 ch.1 Top", "T001", "T002", 1317};
    failed.device = "02";
    failed.ok = false;
    failed.step = 3;
    failed.command = "RAST02B";
    failed.message = "no reply within 3.5 s";
    failed.steps_done = 3;
    failed.steps_total = 173;
    EXPECT_EQ(SummaryTable({same, differs, failed}),
              "DEVICE  RESULT   STEPS     TIME     DETAIL\n"
              "00      same     173/173   0.0 s\n"
              "01      DIFFERS  173/173   0.0 s    5 differences: T001, ページ 3 ch.1 Top, T003 "
              "and 2 more\n"
              "02      FAILED   3/173     0.0 s    step 3 RAST02B: no reply within 3.5 s\n"
              "3 devices: 1 same, 1 differ, 1 failed\n");
    differs.differences.resize(2);
    EXPECT_EQ(SummaryTable({differs}, true),
              "DEVICE  RESULT   STEPS     TIME     DETAIL\n"
              "01      DIFFERS  173/173   0.0 s    2 differences: T001, ページ 3 ch.1 Top\n"
              "    T001: 「朝」 ≠ 「夜」\n"
              "    ページ 3 ch.1 Top: T001 ≠ T002\n"
              "1 device: 0 same, 1 differ, 0 failed\n");
    EXPECT_EQ(DeviceDiffText({same, differs, failed}),
              "== 00: same\n"
              "== 01: 2 differences\n"
              "T001: 「朝」 ≠ 「夜」\n"
              "ページ 3 ch.1 Top: T001 ≠ T002\n"
              "== 02: FAILED step 3 RAST02B: no reply within 3.5 s\n");
    EXPECT_EQ(ExitCode({same}), 0);
    EXPECT_EQ(ExitCode({same, differs}), 1);

    DeviceResult tcp;
    tcp.device = "127.0.0.1";
    tcp.peer = "127.0.0.1:9004";
    tcp.round_trip_ms = 0.25;
    failed.device = "10.0.0.9";
    failed.step = 0;
    failed.command.clear();
    failed.message = "cannot connect to 10.0.0.9:9004: Connection refused";
    EXPECT_EQ(InfoTable({tcp, failed}),
              "DEVICE     RESULT  ROUND TRIP  PEER\n"
              "127.0.0.1  ok      0.2 ms      127.0.0.1:9004\n"
              "10.0.0.9   FAILED  -           -\n"
              "    cannot connect to 10.0.0.9:9004: Connection refused\n"
              "2 devices: 1 ok, 1 failed\n");
    auto model = std::make_unique<tvx::SettingsModel>();
    tvx::AppState app;
    tvx::ResetToDefaults(*model, app);
    model->net_ip_address[0] = 192;
    DeviceResult serial;
    serial.device = "00";
    serial.round_trip_ms = 12.34;
    serial.network = NetworkValues(*model);
    EXPECT_EQ(
        InfoTable({serial}),
        "DEVICE  RESULT  ROUND TRIP  VERSION  MAC ADDRESS        IP ADDRESS  GATEWAY ADDRESS  "
        "ACTIVE ADDRESS  SUBNET MASK  PORT NUMBER  KEEP ALIVE  TIME REGISTER\n"
        "00      ok      12.3 ms     0.00     00-00-00-00-00-00  192.0.0.0   0.0.0.0          "
        "0.0.0.0         Class C      09004        OFF         6\n"
        "1 device: 1 ok, 0 failed\n");
}

// What a read brings back is named as the program's dialogs name it.
TEST(Describe, ReadValuesUnderTheOperatorsNames) {
    auto m = std::make_unique<tvx::SettingsModel>();
    auto app = std::make_unique<tvx::AppState>();
    tvx::ResetToDefaults(*m, *app);
    m->edge_level = 2;
    m->position_offset[3] = 9;
    m->startup_page[0] = tvx::kAutoSwitchPage;
    m->display_page[1] = 11;
    for (int k = 2; k < tvx::kPageCount; ++k) m->page_display_on[0][k] = 0;
    m->page_display_on[0][5] = 1;
    const std::pair<const char*, const char*> cases[] = {
        {"RCEL", "文字レベル エッジ: 2"},
        {"RCWL", "文字レベル 白: 1"},
        {"RCTDPO02B", "表示位置の微調整 ch.2 Bottom: 9"},
        {"RSUS01T", "スタートアップ ch.1 Top: AUTO"},
        {"RP01B", "表示ページ ch.1 Bottom: 012"},
        {"RCT007", "T007: 「」"},
        {"RCTD01T", "タイトル表示 ch.1 Top ページ 1-144: ON 1-2,6"},
    };
    for (const auto& [command, line] : cases)
        EXPECT_EQ(DescribeRead(*m, command), std::vector<std::string>{line}) << command;
    const std::vector<std::string> seconds = DescribeRead(*m, "RAST02T");
    ASSERT_EQ(seconds.size(), 1u);
    EXPECT_EQ(seconds[0].substr(0, 45), "自動切換え ch.2 Top ページ 1-144: 2 2");
    EXPECT_TRUE(DescribeRead(*m, "RCT145").empty());
}

TEST(SettingsInput, AFileThatMustNotGoOutIsRefusedWithItsPlace) {
    auto model = std::make_unique<tvx::SettingsModel>();
    std::string error;
    EXPECT_TRUE(LoadSettingsForPush(SettingsFile("good.dat"), *model, error)) << error;
    struct Case {
        int line;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {600, "x", "bad.dat line 600: 自動切換え ch.1 Top ページ 24 is not a number"},
        {1158, "-", "bad.dat line 1158: 表示ページ ch.1 Bottom is not a number"},
        {580, "100", "bad.dat line 580: 自動切換え ch.1 Top ページ 4 is 100, outside 0..99"},
        {1171, "\x82",
         "bad.dat: title 5 cannot be sent: ＪＩＳ第１水準,第２水準以外の字が選択されてます"},
    };
    for (const Case& c : cases) {
        std::string path = SettingsFile("bad.dat", c.line, c.text);
        EXPECT_FALSE(LoadSettingsForPush(path, *model, error));
        EXPECT_EQ(error, path.substr(0, path.size() - 7) + c.message);
    }
    EXPECT_FALSE(LoadSettingsForPush(::testing::TempDir() + "none.dat", *model, error));
    EXPECT_EQ(error, "cannot read " + ::testing::TempDir() + "none.dat: No such file or directory");
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(GlyphCommands, APictureOrACharacterGoesIntoItsSlotOfTheGlyphFile) {
    const std::string dir = ::testing::TempDir();
    GlyphCli cli;
    cli.glyph_file = dir + "made.tlm";
    std::remove(cli.glyph_file.c_str());
    // A 64 x 64 picture with a black block at x 8..39, y 16..31: glyph 7, rows 8..15 "0FFFF000".
    tvx::RgbImage block(64, 64, 255);
    for (int y = 16; y < 32; ++y)
        for (int x = 8; x < 40; ++x) std::fill_n(&block.rgb[(y * 64 + x) * 3], 3, 0);
    cli.picture = dir + "block.png";
    std::ofstream(cli.picture, std::ios::binary) << tvx::EncodePng(block);
    cli.number = 7;
    GlyphResult r = GlyphFromImage(cli);
    ASSERT_TRUE(r.ok) << r.problem;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
              cli.glyph_file + ": glyph 7 from block.png (64 x 64, threshold 128 automatic)");
    std::string expected(40960 * 3, '\0');
    for (int i = 0; i < 40960; ++i) {
        const int k = i % 256;
        const bool block_row = i / 256 == 6 && k / 8 >= 8 && k / 8 < 16 && k % 8 >= 1 && k % 8 <= 4;
        expected.replace(3 * i, 3, std::string(block_row ? "F" : "0") + "\r\n");
    }
    EXPECT_EQ(ReadBytes(cli.glyph_file), expected);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '#'), 16 * 8);

    // A character of a font into another slot; the rest of the file stays; show prints it.
    cli.number = 2;
    cli.character = "髙";
    cli.font = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
    r = GlyphFromText(cli);
    ASSERT_TRUE(r.ok) << r.problem;
    const std::string file = ReadBytes(cli.glyph_file);
    EXPECT_EQ(file.substr(6 * 768), expected.substr(6 * 768));
    const GlyphResult shown = ShowGlyph(cli);
    EXPECT_EQ(shown.out.substr(shown.out.find('\n')), r.out.substr(r.out.find('\n')));
    EXPECT_GT(std::count(shown.out.begin(), shown.out.end(), '#'), 200);
}

TEST(GlyphCommands, RefusalsLeaveTheGlyphFileAsItWas) {
    const std::string dir = ::testing::TempDir();
    GlyphCli cli;
    cli.number = 1;
    cli.glyph_file = dir + "short.tlm";
    std::ofstream(cli.glyph_file, std::ios::binary) << "0\r\n0\r\n";
    cli.picture = dir + "block.png";
    std::ofstream(cli.picture, std::ios::binary) << tvx::EncodePng(tvx::RgbImage(4, 4, 0));
    const std::string big = dir + "big.ttf";
    std::ofstream(big, std::ios::binary) << "x";
    std::filesystem::resize_file(big, tvx::kMaxFontFileBytes + 1);  // sparse: nothing is read
    cli.character = "あ";
    struct Case {
        std::string font, threshold, problem;
    };
    const Case cases[] = {
        {big, "", "「" + big + "」は大きすぎます（フォントは 64 MB まで）。"},
        {cli.picture, "",
         "「" + cli.picture + "」は TrueType、OpenType のフォントとして読めません。"},
        {"", "0", "--threshold 0: give auto or a level 1..255"},
        {"", "auto", cli.glyph_file + ": not a whole glyph file (2 of 40960 pattern characters)"},
    };
    for (const Case& c : cases) {
        cli.font = c.font;
        cli.threshold = c.threshold;
        const GlyphResult r = c.font.empty() ? GlyphFromImage(cli) : GlyphFromText(cli);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.problem, c.problem);
    }
    EXPECT_EQ(ReadBytes(cli.glyph_file), "0\r\n0\r\n");
    cli.character = "ab";
    EXPECT_EQ(GlyphFromText(cli).problem, "\"ab\" is not one character");
    std::remove(big.c_str());
}

// Titles shown on the console: external characters, control bytes and what is no character of
// code page 932 as "〓", so that nothing a device sends can move the terminal's cursor.
TEST(Console, TitlesAsUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"\x94\xD4\x91\x67\x82\xA0\xB1", "番組あｱ"},
        {"\x10\xFA\x82\xA2", "〓い"},  // glyph 57, い
        {std::string("\x11\x00\x81\x60", 4), "〓～"},
        {"\x1B[2J", "〓2J"},
        {"\x85\x40\x7F", "〓@〓"},
        {"\x82", "〓"},
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(Cp932ToUtf8(bytes), text);
}

}  // namespace
}  // namespace tvxctl
