// The communication log: every frame sent, every reply line received with what the program made
// of it, the link's events and the error boxes the user saw. Entries are kept in a ring of the
// last kLogRingEntries (what the log window shows) and handed to sinks as they come: the day
// files of the program, the --log files of the companion. The core has no clock: the program
// and the companion give the log a function that reads the local time; tests give fixed times.
//
// Entries are made on one thread (the program's user-interface thread, the companion's event
// loop); the log has no lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/seams.h"

namespace tvx {

struct LogTime {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};
using LogClock = LogTime (*)();

enum class LogKind {
    Sent,      // a frame written to the link
    Received,  // a reply line, with what the program made of it
    Link,      // the link: port opened, lost, reopened; connection made, closed, refused; no reply
    Box,       // an error box shown to the user
    Note,      // the log's own word (a day file it could not write)
    Remote,    // a remote request with its peer, its answer; a refused connection
};

// The words of the kinds and of what the program made of a frame or reply: the program shows
// its log in Japanese, the companion's --log keeps the English ones. The caller chooses, for the
// whole log (CommLog::words). The device's own words ("Command Error") and the texts of boxes
// stay as they are in either.
enum class LogWords { English, Japanese };

struct LogEntry {
    LogTime time;
    LogKind kind = LogKind::Note;
    std::string link;     // "COM1", "192.168.1.3:9004", "192.168.1.3 slot 2"; empty for a box
    std::string address;  // the frame's slave address "00".."31", "FF"; empty without a prefix
    std::string text;     // the frame as it went over the wire, readable; or the event's text
    std::string meaning;  // what a reply did, the title a frame carries; may be empty
};

// Where entries go besides the ring.
struct CommLogSink {
    virtual ~CommLogSink() = default;
    // False when the entry could not be written: the sink is given no more entries, and its
    // FailureNote goes into the log once.
    virtual bool Write(const LogEntry& entry) = 0;
    virtual std::string FailureNote() const = 0;
};

constexpr std::size_t kLogRingEntries = 10000;

struct CommLog {
    std::size_t capacity = kLogRingEntries;  // entries kept in memory; 0 keeps none
    LogClock clock = nullptr;                // stamps each entry; none leaves the time at zero
    LogWords words = LogWords::English;      // of the kinds and meanings
    std::function<void()> on_added;          // after each entry (the window refreshes itself)

    // The ring and its sinks; use the functions below.
    std::vector<LogEntry> ring;
    std::size_t oldest = 0;   // index in ring of the oldest entry kept
    std::uint64_t added = 0;  // entries made since the start
    std::uint64_t first = 0;  // number of the oldest entry kept (entries are numbered from 0)
    struct Sink {
        CommLogSink* sink;
        bool active;
    };
    std::vector<Sink> sinks;
};

// Stamps the entry with the clock, keeps it (dropping the oldest once the ring is full), gives
// it to each active sink and calls on_added.
void AddLogEntry(CommLog& log, LogEntry entry);
// Entries kept, oldest first: index 0 .. LogSize - 1. Entry i is number log.first + i.
std::size_t LogSize(const CommLog& log);
const LogEntry& LogEntryAt(const CommLog& log, std::size_t index);
// Empties the ring; the sinks and the numbering go on.
void ClearLog(CommLog& log);
// A sink added again after a failure is active again.
void AddLogSink(CommLog& log, CommLogSink& sink);
void RemoveLogSink(CommLog& log, CommLogSink& sink);
bool LogSinkActive(const CommLog& log, const CommLogSink& sink);

// "2024-05-01 12:34:56.789"
std::string FormatLogTime(const LogTime& time);
// "sent", "recv", "link", "box", "note", "remote"; in Japanese "送信", "受信", "回線", "表示",
// "ログ", "リモート".
std::string_view LogKindName(LogKind kind, LogWords words = LogWords::English);
// One line of text: time, link, address ("--" without one), kind, text and " => " meaning.
std::string FormatLogLine(const LogEntry& entry, LogWords words = LogWords::English);
// One JSON object on one line: time (ISO 8601), link, address, kind (its English name), text,
// meaning.
std::string FormatLogJson(const LogEntry& entry);
// Entries first .. first + count - 1 as lines ending in CR LF, in the log's words (the window's
// copy).
std::string FormatLogLines(const CommLog& log, std::size_t first, std::size_t count);
// The whole ring as a text file: UTF-8 with a byte-order mark, CR LF lines.
std::string LogFileText(const CommLog& log);
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The day files of the program: one file per day, "YYYY-MM-DD.log" in a folder, appended to as
// entries come (UTF-8 with a byte-order mark, CR LF lines).
constexpr int kLogDaysKept = 14;
std::string DayFileName(const LogTime& time);
// The date of a day file's name; false for any other name.
bool ParseDayFileName(std::string_view name, int& year, int& month, int& day);
// Days since 1970-01-01 of a date of the Gregorian calendar.
long DaysSinceEpoch(int year, int month, int day);
// Removes the day files of the folder older than the last kLogDaysKept days (today included);
// other files are left alone. Returns how many were removed. folder ends with its separator.
int RemoveOldDayFiles(FileSystem& files, const std::string& folder, const LogTime& today);

struct DayFileSink;
// Start-up: makes the folder, removes the day files older than the last kLogDaysKept days and
// adds the sink, which writes in the log's words. A folder that cannot be made is told in the
// log, and the files stay off; false then.
bool StartDayFiles(CommLog& log, DayFileSink& sink);

struct DayFileSink : CommLogSink {
    DayFileSink(FileSystem& files_in, std::string folder_in)
        : files(files_in), folder(std::move(folder_in)) {}
    bool Write(const LogEntry& entry) override;
    std::string FailureNote() const override;

    FileSystem& files;
    std::string folder;        // ends with its separator
    std::string current_path;  // the day file written last
    std::string failed_path;   // the file that could not be written
    LogWords words = LogWords::English;
};

// "保存...": asks for a file name (suggesting "tvx5870-log-YYYYMMDD-HHMMSS.log" from the
// clock) and writes LogFileText there (".log" added to a name without an extension). False
// when the user cancels or the file cannot be written (kSaveLogFailedText is shown then).
inline constexpr std::string_view kSaveLogFailedText = "通信ログを保存できません。";
bool SaveCommLogAs(const CommLog& log, Prompts& prompts, FileSystem& files);

// The companion's --log (text lines) and --log-json (JSON lines): one file for the whole run.
struct LogFileSink : CommLogSink {
    LogFileSink(FileSystem& files_in, std::string path_in, bool json_in)
        : files(files_in), path(std::move(path_in)), json(json_in) {}
    bool Write(const LogEntry& entry) override;
    std::string FailureNote() const override;

    FileSystem& files;
    std::string path;
    bool json;
};

}  // namespace tvx
