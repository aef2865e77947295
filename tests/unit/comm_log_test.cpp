// The communication log: entries as the send and reply paths make them (every kind of byte,
// titles decoded, what each reply meant), the ring's bound, the day files (rotation at
// midnight, the 14-day clean-up, a write failure) and the companion's text and JSON lines.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "link/send.h"
#include "model/comm_log.h"
#include "model/config.h"
#include "model/std_file_system.h"
#include "protocol/commands.h"
#include "protocol/frame_log.h"
#include "protocol/replies.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using test::CoreFixture;
using test::MemoryFileSystem;
using Lines = std::vector<std::string>;

LogTime g_now{2024, 5, 1, 12, 34, 56, 789};
LogTime Now() {
    return g_now;
}

Lines Texts(const CommLog& log) {
    Lines out;
    for (std::size_t i = 0; i < LogSize(log); ++i) out.push_back(FormatLogLine(LogEntryAt(log, i)));
    return out;
}

struct LoggedCase : CoreFixture {
    CommLog log;
    LoggedCase() {
        g_now = {2024, 5, 1, 12, 34, 56, 789};
        log.clock = Now;
        ctx.comm_log = &log;
        app.address_prefix_on = 1;
        app.slave_address = 5;
        app.com_port_index = 0;
    }
    void Receive(const std::string& bytes) {
        std::memset(sockets.socket_reply_buffer, 0, sizeof sockets.socket_reply_buffer);
        std::memcpy(sockets.socket_reply_buffer, bytes.data(), bytes.size());
        sockets.socket_reply_length = static_cast<int>(bytes.size());
        ParseSocketReply(ctx);
    }
    std::string Last() const { return FormatLogLine(LogEntryAt(log, LogSize(log) - 1)); }
};

// --- Bytes as readable text ---------------------------------------------------------------

TEST(CommLogText, EveryKindOfByteIsShownReadably) {
    const struct {
        std::string bytes;
        std::string shown;
    } cases[] = {
        {"05CEL1\r\n", "05CEL1\\r\\n"},
        {std::string("A\0B", 3), "A\\x00B"},
        {"\t", "\\t"},
        {"\x1b", "\\x1B"},
        {"\x7f", "\\x7F"},
        {"\x80\xff", "\\x80\\xFF"},
        {"\x82\xa0", "\\x82\\xA0"},  // a code page 932 character never goes raw on the wire
        {"a\\b", "a\\\\b"},
        {" ~", " ~"},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadableBytes(c.bytes), c.shown) << c.shown;

    // Read back by the rules alone, every byte value comes back: nothing is lost or ambiguous.
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::string shown = ReadableBytes(all);
    std::string back;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        ASSERT_TRUE(shown[i] >= 0x20 && shown[i] < 0x7F) << i;
        if (shown[i] != '\\') {
            back += shown[i];
            continue;
        }
        const char next = shown[++i];
        if (next == 'r')
            back += '\r';
        else if (next == 'n')
            back += '\n';
        else if (next == 't')
            back += '\t';
        else if (next == '\\')
            back += '\\';
        else {
            ASSERT_EQ(next, 'x');
            back += static_cast<char>(std::stoi(shown.substr(i + 1, 2), nullptr, 16));
            i += 2;
        }
    }
    EXPECT_EQ(back, all);
    // An event's Japanese text stays as it is; only its control characters are spelled out.
    EXPECT_EQ(OneLineText("Bloadcast では読み込めません。\nC:\\logs"),
              "Bloadcast では読み込めません。\\nC:\\logs");
}

TEST(CommLogText, LinesAndJsonHoldEveryField) {
    LogEntry e;
    e.time = {2024, 1, 2, 3, 4, 5, 6};
    e.kind = LogKind::Received;
    e.link = "192.168.1.3:9004";
    e.address = "07";
    e.text = "07CT001\\r\\n";
    e.meaning = "applied: title 001 \"東京\"";
    EXPECT_EQ(FormatLogLine(e),
              "2024-01-02 03:04:05.006 192.168.1.3:9004 07 recv 07CT001\\r\\n => applied: title "
              "001 \"東京\"");
    EXPECT_EQ(FormatLogJson(e),
              "{\"time\":\"2024-01-02T03:04:05.006\",\"link\":\"192.168.1.3:9004\",\"address\":"
              "\"07\",\"kind\":\"recv\",\"text\":\"07CT001\\\\r\\\\n\",\"meaning\":\"applied: "
              "title 001 \\\"東京\\\"\"}");
    LogEntry box;
    box.time = e.time;
    box.kind = LogKind::Box;
    box.text = std::string("a\x01", 2);  // never made by the log itself, still valid JSON
    EXPECT_EQ(FormatLogLine(box), "2024-01-02 03:04:05.006                 -- box  a\x01");
    EXPECT_EQ(FormatLogJson(box),
              "{\"time\":\"2024-01-02T03:04:05.006\",\"link\":\"\",\"address\":\"\",\"kind\":"
              "\"box\",\"text\":\"a\\u0001\",\"meaning\":\"\"}");
}

// --- What the send and reply paths log ------------------------------------------------------

TEST(CommLogEntries, SerialFramesGoInWithLinkAddressAndTime) {
    LoggedCase f;
    ASSERT_TRUE(SendCommand(f.ctx, "CEL1\r\n"));
    f.app.slave_address = kBroadcastAddress;
    ASSERT_TRUE(SendCommand(f.ctx, "CEL1\r\n"));
    f.app.address_prefix_on = 0;
    f.app.com_port_index = 2;
    ASSERT_TRUE(SendCommand(f.ctx, "RVN\r\n"));
    EXPECT_EQ(Texts(f.log), (Lines{
                                "2024-05-01 12:34:56.789 COM1            05 sent 05CEL1\\r\\n",
                                "2024-05-01 12:34:56.789 COM1            FF sent FFCEL1\\r\\n",
                                "2024-05-01 12:34:56.789 COM3            -- sent RVN\\r\\n",
                            }));
    // What went to the port is what the log shows.
    EXPECT_EQ(f.link.serial_writes, (Lines{"05CEL1\r\n", "FFCEL1\r\n", "RVN\r\n"}));
}

TEST(CommLogEntries, TitlesAreShownDecodedBesideTheirHex) {
    LoggedCase f;
    // 日本 (0x93FA 0x967B), then external characters 1 (the pair 0x10 0x20) and 63 (0x11 0x00,
    // whose zero byte does not end the title).
    std::memcpy(f.model.title_text[4], "\x93\xfa\x96\x7b\x10\x20\x11\x00", 9);
    std::string command;
    ASSERT_TRUE(BuildTitleCommandFromModel(f.model, 1, 4, command));
    SendCommand(f.ctx, command);
    ASSERT_TRUE(BuildTitleCommandFromModel(f.model, 0, 4, command));
    SendCommand(f.ctx, command);
    std::string spaces;
    for (int i = 0; i < 17; ++i) spaces += "2121";
    ASSERT_EQ(LogSize(f.log), 2u);
    EXPECT_EQ(LogEntryAt(f.log, 0).text, "05CT005467C4B5CA365A445" + spaces + "\\r\\n");
    EXPECT_EQ(LogEntryAt(f.log, 0).meaning, "title 005 \"日本[外字1][外字63]\"");
    EXPECT_EQ(LogEntryAt(f.log, 1).meaning, "title 005 (not kept) \"日本[外字1][外字63]\"");

    // The device's answer to a read: the title it holds, as the model now holds it.
    ParseSerialReply(f.ctx, "05CT009A3654B5C" + std::string(spaces) + "21212121\r\n");
    EXPECT_EQ(LogEntryAt(f.log, 2).meaning, "applied: title 009 \"[外字1]本\"");
    EXPECT_EQ(std::string(f.model.title_text[8]), "\x10\x20\x96\x7b");
    // Not a title: display flags and offsets also begin with "CT".
    EXPECT_EQ(TitleOfFrame("CTD01T" + std::string(144, 'N') + "\r\n"), "");
    EXPECT_EQ(TitleOfFrame("CT001XYZ"), "");
}

TEST(CommLogEntries, EachReplySaysWhatTheProgramMadeOfIt) {
    const struct {
        bool tcp;
        const char* line;
        const char* meaning;
    } cases[] = {
        {false, "05GO\r\n", "acknowledged"},
        {false, "05CWL3\r\n", "applied: white level"},
        {false, "05CTDPO02B09\r\n", "applied: position offset ch.2 Bottom"},
        {false, "05P01TAS\r\n", "applied: page shown ch.1 Top"},
        {false, "05IA192.168.001.003\r\n", "applied: ip address"},
        {false, "05VN1.23\r\n", "applied: version"},
        {false, "05CWLX\r\n", "not applied, the fields do not decode: white level"},
        {false, "05E0\r\n", "error E0: Framing Error"},
        {false, "05E3\r\n", "error E3: Command Error"},
        {false, "05MENU\r\n", "error MENU: Menu Display"},
        {false, "05GN\r\n", "GN: Mode difference"},
        {false, "05XYZ\r\n", "ignored"},
        {true, "03GO\r\n", "acknowledged"},
        {true, "03E1\r\n", "error E1: Socket Parity"},
        {true, "03GN\r\n", "GN: Socket mode difference"},
        {true, "03SUS02TAS\r\n", "applied: start-up page ch.2 Top"},
    };
    for (const auto& c : cases) {
        LoggedCase f;
        if (c.tcp) {
            f.app.interface_type = 1;
            f.Receive(c.line);
        } else {
            ParseSerialReply(f.ctx, c.line);
        }
        ASSERT_EQ(LogSize(f.log), 1u) << c.line;
        EXPECT_EQ(LogEntryAt(f.log, 0).kind, LogKind::Received);
        EXPECT_EQ(LogEntryAt(f.log, 0).address, std::string(c.line, 2)) << c.line;
        EXPECT_EQ(LogEntryAt(f.log, 0).meaning, c.meaning) << c.line;
    }
    // Two lines in one reading are two entries; half a line is none until its end comes.
    LoggedCase f;
    f.app.interface_type = 1;
    f.Receive("03G");
    EXPECT_EQ(LogSize(f.log), 0u);
    f.Receive("O\r\n03E3\r\n");
    EXPECT_EQ(Texts(f.log), (Lines{
                                "2024-05-01 12:34:56.789 no host chosen  03 recv 03GO\\r\\n "
                                "=> acknowledged",
                                "2024-05-01 12:34:56.789 no host chosen  03 recv 03E3\\r\\n "
                                "=> error E3: Socket Command",
                            }));
}

// The program's log speaks Japanese: kinds and meanings in its words (the device's own words
// and the boxes' texts as they are), in the list, its copy and the day files alike.
TEST(CommLogEntries, TheProgramsLogInJapanese) {
    const struct {
        const char* line;
        const char* meaning;
    } cases[] = {
        {"05GO\r\n", "了解"},
        {"05CWL3\r\n", "反映: White Level"},
        {"05CTDPO02B09\r\n", "反映: 表示位置の微調整 ch.2 Bottom"},
        {"05IA192.168.001.003\r\n", "反映: IP Address"},
        {"05CWLX\r\n", "反映せず（値を読めません）: White Level"},
        {"05E3\r\n", "エラー E3: Command Error"},
        {"05GN\r\n", "GN: Mode difference"},
        {"05XYZ\r\n", "無視"},
    };
    LoggedCase f;
    f.log.words = LogWords::Japanese;
    MemoryFileSystem files;
    DayFileSink sink(files, "logs/");
    ASSERT_TRUE(StartDayFiles(f.log, sink));
    for (const auto& c : cases) {
        ParseSerialReply(f.ctx, c.line);
        EXPECT_EQ(LogEntryAt(f.log, LogSize(f.log) - 1).meaning, c.meaning) << c.line;
    }
    std::memcpy(f.model.title_text[4], "\x93\xfa\x96\x7b", 5);  // 日本
    std::string command;
    ASSERT_TRUE(BuildTitleCommandFromModel(f.model, 0, 4, command));
    SendCommand(f.ctx, command);
    const std::string sent = FormatLogLines(f.log, LogSize(f.log) - 1, 1);
    EXPECT_TRUE(sent.starts_with("2024-05-01 12:34:56.789 COM1            05 送信 05CN005467C"));
    EXPECT_TRUE(sent.ends_with(" => タイトル 005（記憶しない）「日本」\r\n")) << sent;
    const std::string& day = files.files["logs/2024-05-01.log"];
    EXPECT_TRUE(
        day.starts_with("\xEF\xBB\xBF"
                        "2024-05-01 12:34:56.789 COM1            05 受信 "
                        "05GO\\r\\n => 了解\r\n"))
        << day;
    EXPECT_TRUE(day.ends_with(sent));
}

// A reply is in the log before the box it raises opens (the box waits for the user).
struct CountingPrompts : test::RecordingPrompts {
    const CommLog* log = nullptr;
    std::vector<std::size_t> entries_at_box;
    void ShowErrorBox(std::string_view text, BoxIcon icon) override {
        entries_at_box.push_back(LogSize(*log));
        RecordingPrompts::ShowErrorBox(text, icon);
    }
    void ShowAcknowledgement(WindowHandle owner) override {
        entries_at_box.push_back(LogSize(*log));
        RecordingPrompts::ShowAcknowledgement(owner);
    }
};

TEST(CommLogEntries, TheReplyIsLoggedBeforeItsBoxOpens) {
    LoggedCase f;
    CountingPrompts prompts;
    prompts.log = &f.log;
    CoreContext c{f.model, f.app, f.sockets, prompts, f.link, &f.log};
    ParseSerialReply(c, "05GO\r\n");
    ParseSerialReply(c, "05E3\r\n");
    EXPECT_EQ(prompts.entries_at_box, (std::vector<std::size_t>{1, 2}));
    EXPECT_EQ(prompts.calls, (Lines{"ack(owner=0)", "error(exclamation): Command Error"}));
}

TEST(CommLogEntries, LinkEventsAndFailuresOfTheLinks) {
    LoggedCase f;
    // No reply: the event comes before the box of the same name.
    SendCommand(f.ctx, "CWL0\r\n");
    for (int tick = 0; tick < 7; ++tick) CheckReplyTimeout(f.ctx);
    // TCP/IP, client role towards the first host: a send that fails, an answer that never comes.
    f.app.interface_type = 1;
    f.app.socket_connected = 1;
    f.app.host_list_count = 1;
    const unsigned char host[4] = {192, 168, 1, 3};
    std::memcpy(f.app.host_list[0], host, 4);
    f.app.selected_connection = 0;
    f.sockets.link_socket = 9;
    f.link.socket_send_ok = false;
    SendCommand(f.ctx, "CWL1\r\n");
    f.link.socket_send_ok = true;
    f.link.answer_arrives = false;
    SendCommand(f.ctx, "CWL2\r\n");
    // Server role, the device in slot 2.
    f.app.tcp_role = 1;
    f.app.selected_connection = 2;
    f.sockets.client_slots[2] = {1, 77, "10.0.0.8"};
    f.link.answer_arrives = true;
    SendCommand(f.ctx, "CWL3\r\n");
    const std::string t = "2024-05-01 12:34:56.789 ";
    EXPECT_EQ(Texts(f.log), (Lines{
                                t + "COM1            05 sent 05CWL0\\r\\n",
                                t + "COM1            -- link no reply in time",
                                t + "192.168.1.3:9004 05 sent 05CWL1\\r\\n",
                                t + "192.168.1.3:9004 -- link send failed",
                                t + "192.168.1.3:9004 05 sent 05CWL2\\r\\n",
                                t + "192.168.1.3:9004 -- link no answer in time",
                                t + "10.0.0.8 slot 2 05 sent 05CWL3\\r\\n",
                            }));
    EXPECT_EQ(f.prompts.calls, (Lines{"error(stop): No Connect", "error(exclamation): Socket 送信",
                                      "error(exclamation): Answer が､きません"}));
    // The companion names its own lines; a box names none.
    f.ctx.log_serial_name = "/dev/ttyUSB0";
    f.ctx.log_socket_name = "127.0.0.1:51234";
    EXPECT_EQ(LogLinkName(f.ctx, LogLinkSide::Serial), "/dev/ttyUSB0");
    EXPECT_EQ(LogLinkName(f.ctx, LogLinkSide::Socket), "127.0.0.1:51234");
    LogBoxShown(&f.log, "No Connect");
    EXPECT_EQ(f.Last(), t + "                -- box  No Connect");
}

TEST(CommLogEntries, WithoutALogNothingIsKept) {
    CoreFixture f;
    EXPECT_TRUE(SendCommand(f.ctx, "CEL1\r\n"));
    ParseSerialReply(f.ctx, "00GO\r\n");
    LogBoxShown(nullptr, "x");
    EXPECT_EQ(f.link.serial_writes, Lines{"CEL1\r\n"});
}

// --- The ring ------------------------------------------------------------------------------

TEST(CommLogRing, KeepsTheLastEntriesAndNumbersThem) {
    CommLog log;
    for (int i = 0; i < 10005; ++i) {
        LogEntry e;
        e.text = std::to_string(i);
        AddLogEntry(log, e);
    }
    ASSERT_EQ(LogSize(log), 10000u);
    EXPECT_EQ(log.first, 5u);
    EXPECT_EQ(log.added, 10005u);
    EXPECT_EQ(LogEntryAt(log, 0).text, "5");
    EXPECT_EQ(LogEntryAt(log, 9999).text, "10004");
    EXPECT_EQ(log.ring.capacity(), 10000u);

    ClearLog(log);
    EXPECT_EQ(LogSize(log), 0u);
    EXPECT_EQ(log.first, 10005u);
    LogEntry e;
    e.text = "after";
    AddLogEntry(log, e);
    ASSERT_EQ(LogSize(log), 1u);
    EXPECT_EQ(LogEntryAt(log, 0).text, "after");
    EXPECT_EQ(log.first, 10005u);
    EXPECT_EQ(FormatLogLines(log, 0, 5), FormatLogLine(e) + "\r\n");
    EXPECT_EQ(LogFileText(log), "\xEF\xBB\xBF" + FormatLogLine(e) + "\r\n");

    // Without room in memory the sinks still get every entry.
    CommLog none;
    none.capacity = 0;
    MemoryFileSystem files;
    LogFileSink sink(files, "run.log", false);
    AddLogSink(none, sink);
    AddLogEntry(none, e);
    AddLogEntry(none, e);
    EXPECT_EQ(LogSize(none), 0u);
    EXPECT_EQ(none.first, 2u);
    EXPECT_EQ(files.files["run.log"], FormatLogLine(e) + "\n" + FormatLogLine(e) + "\n");
}

// --- Day files -----------------------------------------------------------------------------

TEST(CommLogDayFiles, OneFilePerDayStartingWithItsMark) {
    MemoryFileSystem files;
    files.files["logs/2024-05-01.log"] =
        "\xEF\xBB\xBF"
        "earlier\r\n";
    CommLog log;
    log.clock = Now;
    DayFileSink sink(files, "logs/");
    AddLogSink(log, sink);
    LogEntry e;
    e.kind = LogKind::Link;
    e.link = "COM1";
    e.text = "port opened";
    g_now = {2024, 5, 1, 23, 59, 59, 999};
    AddLogEntry(log, e);
    g_now = {2024, 5, 2, 0, 0, 0, 0};
    AddLogEntry(log, e);
    AddLogEntry(log, e);
    EXPECT_EQ(files.files["logs/2024-05-01.log"],
              "\xEF\xBB\xBF"
              "earlier\r\n"
              "2024-05-01 23:59:59.999 COM1            -- link port opened\r\n");
    EXPECT_EQ(files.files["logs/2024-05-02.log"],
              "\xEF\xBB\xBF"
              "2024-05-02 00:00:00.000 COM1            -- link port opened\r\n"
              "2024-05-02 00:00:00.000 COM1            -- link port opened\r\n");
}

TEST(CommLogDayFiles, TheLastFourteenDaysAreKept) {
    MemoryFileSystem files;
    const Lines names = {"2024-04-17.log", "2024-04-18.log", "2024-05-01.log",     "2023-12-31.log",
                         "notes.txt",      "2024-13-01.log", "2024-04-01.log.bak", "2024-4-01.log"};
    for (const std::string& name : names) files.files["logs\\" + name] = "x";
    files.files["logs\\old\\2020-01-01.log"] = "x";  // another folder's file
    EXPECT_EQ(RemoveOldDayFiles(files, "logs\\", {2024, 5, 1}), 2);
    Lines left;
    for (const auto& [path, bytes] : files.files) left.push_back(path);
    EXPECT_EQ(left, (Lines{"logs\\2024-04-01.log.bak", "logs\\2024-04-18.log",
                           "logs\\2024-05-01.log", "logs\\2024-13-01.log", "logs\\2024-4-01.log",
                           "logs\\notes.txt", "logs\\old\\2020-01-01.log"}));
    // Across the turn of a year and a leap day.
    files.files.clear();
    files.files["l/2023-12-22.log"] = "x";
    files.files["l/2023-12-23.log"] = "x";
    EXPECT_EQ(RemoveOldDayFiles(files, "l/", {2024, 1, 5}), 1);
    EXPECT_EQ(files.files.count("l/2023-12-23.log"), 1u);
    EXPECT_EQ(DaysSinceEpoch(2024, 3, 1) - DaysSinceEpoch(2024, 2, 28), 2);
    EXPECT_EQ(DaysSinceEpoch(1970, 1, 1), 0);
    int y, m, d;
    EXPECT_TRUE(ParseDayFileName("2024-02-29.log", y, m, d));
    EXPECT_FALSE(ParseDayFileName("2023-02-29.log", y, m, d));
    EXPECT_FALSE(ParseDayFileName("2024-00-10.log", y, m, d));
}

TEST(CommLogDayFiles, AFailedWriteIsToldOnceAndTheFilesStop) {
    MemoryFileSystem files;
    files.fail_writes = true;
    CommLog log;
    log.clock = Now;
    g_now = {2024, 5, 1, 8, 0, 0, 0};
    DayFileSink sink(files, "C:\\Users\\op\\AppData\\Local\\TVX-5870\\logs\\");
    AddLogSink(log, sink);
    int refreshes = 0;
    log.on_added = [&refreshes] { ++refreshes; };
    LogEntry e;
    e.text = "first";
    AddLogEntry(log, e);
    files.fail_writes = false;  // a disk that came back is not written to again unasked
    e.text = "second";
    AddLogEntry(log, e);
    ASSERT_EQ(LogSize(log), 3u);
    EXPECT_EQ(LogEntryAt(log, 0).text, "first");
    EXPECT_EQ(LogEntryAt(log, 1).kind, LogKind::Note);
    EXPECT_EQ(LogEntryAt(log, 1).text,
              "通信ログをファイルに書けません。ファイルへの記録を止めました: "
              "C:\\Users\\op\\AppData\\Local\\TVX-5870\\logs\\2024-05-01.log");
    EXPECT_EQ(LogEntryAt(log, 2).text, "second");
    EXPECT_EQ(refreshes, 3);
    EXPECT_TRUE(files.files.empty());
    EXPECT_FALSE(LogSinkActive(log, sink));
    // Turned on again by the user: it writes again.
    AddLogSink(log, sink);
    AddLogEntry(log, e);
    EXPECT_EQ(files.files.size(), 1u);
}

struct FolderlessFileSystem : MemoryFileSystem {
    bool MakeFolder(const std::string&) override { return false; }
};

TEST(CommLogDayFiles, StartMakesTheFolderAndClearsOutOldFiles) {
    g_now = {2024, 5, 1, 9, 0, 0, 0};
    MemoryFileSystem files;
    files.files["logs/2024-04-01.log"] = "old";
    files.files["logs/2024-04-30.log"] = "recent";
    CommLog log;
    log.clock = Now;
    DayFileSink sink(files, "logs/");
    ASSERT_TRUE(StartDayFiles(log, sink));
    EXPECT_TRUE(LogSinkActive(log, sink));
    EXPECT_EQ(files.files.count("logs/2024-04-01.log"), 0u);
    EXPECT_EQ(files.files["logs/2024-04-30.log"], "recent");

    FolderlessFileSystem none;
    CommLog other;
    DayFileSink nowhere(none, "X:\\logs\\");
    EXPECT_FALSE(StartDayFiles(other, nowhere));
    EXPECT_FALSE(LogSinkActive(other, nowhere));
    ASSERT_EQ(LogSize(other), 1u);
    EXPECT_EQ(LogEntryAt(other, 0).text,
              "通信ログのフォルダーを作れません。ファイルには記録しません: X:\\logs\\");
}

// "保存...": the whole log, suggested under a name with the date and time.
struct NamingPrompts : test::RecordingPrompts {
    std::string suggested;
    bool AskFileName(FileDialogKind kind, std::string& path) override {
        suggested = path;
        return RecordingPrompts::AskFileName(kind, path);
    }
};

TEST(CommLogSave, TheWholeLogGoesToTheFileChosen) {
    g_now = {2024, 5, 1, 12, 34, 56, 789};
    CommLog log;
    log.clock = Now;
    LogEntry e;
    e.kind = LogKind::Link;
    e.link = "COM1";
    e.text = "port opened";
    AddLogEntry(log, e);
    e.kind = LogKind::Box;
    e.link.clear();
    e.text = "No Connect";
    AddLogEntry(log, e);
    MemoryFileSystem files;
    NamingPrompts prompts;
    prompts.file_names = {"C:\\tmp\\saved", "C:\\tmp\\again.log"};
    ASSERT_TRUE(SaveCommLogAs(log, prompts, files));
    EXPECT_EQ(prompts.suggested, "tvx5870-log-20240501-123456.log");
    EXPECT_EQ(files.files["C:\\tmp\\saved.log"],
              "\xEF\xBB\xBF"
              "2024-05-01 12:34:56.789 COM1            -- link port opened\r\n"
              "2024-05-01 12:34:56.789                 -- box  No Connect\r\n");
    files.fail_writes = true;
    EXPECT_FALSE(SaveCommLogAs(log, prompts, files));
    EXPECT_FALSE(SaveCommLogAs(log, prompts, files));  // cancelled: no name left
    EXPECT_EQ(prompts.calls, (Lines{"ask-file(9)", "ask-file(9)",
                                    "error(exclamation): 通信ログを保存できません。\n"
                                    "C:\\tmp\\again.log",
                                    "ask-file(9)"}));
}

TEST(CommLogSettings, TheWindowsPlaceAndTheDayFilesInTheConfigurationFile) {
    test::MemoryIniStore ini;
    LogWindowPlacement place;
    EXPECT_FALSE(ReadLogWindowPlacement(ini, place));
    EXPECT_TRUE(ReadLogToFiles(ini));  // on until turned off
    ASSERT_TRUE(WriteLogWindowPlacement(ini, {-1200, 40, 700, 320}));
    EXPECT_EQ(ini.writes, (Lines{"log_window_left=-1200", "log_window_top=40",
                                 "log_window_width=700", "log_window_height=320"}));
    ASSERT_TRUE(ReadLogWindowPlacement(ini, place));
    EXPECT_EQ((std::vector<int>{place.left, place.top, place.width, place.height}),
              (std::vector<int>{-1200, 40, 700, 320}));
    for (const char* bad : {"0", "-5", "wide", ""}) {
        ini.values["TVX-5870_Section/log_window_width"] = bad;
        LogWindowPlacement untouched{1, 2, 3, 4};
        EXPECT_FALSE(ReadLogWindowPlacement(ini, untouched)) << bad;
        EXPECT_EQ(untouched.width, 3);
    }
    ASSERT_TRUE(WriteLogToFiles(ini, false));
    EXPECT_EQ(ini.writes.back(), "log_to_files=0");
    EXPECT_FALSE(ReadLogToFiles(ini));
    ini.values["TVX-5870_Section/log_to_files"] = "yes";  // no number: left on
    EXPECT_TRUE(ReadLogToFiles(ini));
}

// The native file system behind the day files and the companion's log files.
TEST(CommLogDayFiles, TheNativeFileSystemAppendsListsMakesFoldersAndTellsWriteTimes) {
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() /
        ("tvx-log-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::remove_all(root);
    StdFileSystem fs;
    const std::string folder = (root / "TVX-5870" / "logs").string() + "/";
    ASSERT_TRUE(fs.MakeFolder(folder));
    ASSERT_TRUE(fs.MakeFolder(folder));
    ASSERT_TRUE(fs.AppendToFile(folder + "2024-05-01.log", "a\r\n"));
    ASSERT_TRUE(fs.AppendToFile(folder + "2024-05-01.log", "b\r\n"));
    ASSERT_TRUE(fs.MakeFolder(folder + "inner"));
    std::vector<std::string> names;
    ASSERT_TRUE(fs.ListFolder(folder, names));
    EXPECT_EQ(names, Lines{"2024-05-01.log"});
    std::string bytes;
    ASSERT_TRUE(fs.ReadWholeFile(folder + "2024-05-01.log", bytes));
    EXPECT_EQ(bytes, "a\r\nb\r\n");
    EXPECT_TRUE(fs.RemoveFile(folder + "2024-05-01.log"));
    EXPECT_FALSE(fs.RemoveFile(folder + "2024-05-01.log"));
    // The file kept open for appending went with it: the next entry starts a new one.
    ASSERT_TRUE(fs.AppendToFile(folder + "2024-05-01.log", "c\r\n"));
    ASSERT_TRUE(fs.ReadWholeFile(folder + "2024-05-01.log", bytes));
    EXPECT_EQ(bytes, "c\r\n");
    EXPECT_FALSE(fs.ListFolder(folder + "missing/", names));
    EXPECT_FALSE(fs.AppendToFile(folder + "missing/x.log", "a"));
    // Write times, which a session end's recovery is compared by: a file written later is later.
    std::int64_t written = 0, later = 0;
    EXPECT_FALSE(fs.FileWriteTime(folder + "missing.log", written));
    ASSERT_TRUE(fs.FileWriteTime(folder + "2024-05-01.log", written));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(fs.ReplaceFileContents(folder + "a.dat", "saved"));
    ASSERT_TRUE(fs.FileWriteTime(folder + "a.dat", later));
    EXPECT_GT(later, written);
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace tvx
