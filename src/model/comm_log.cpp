#include "model/comm_log.h"

#include <cstdio>

#include "model/file_commands.h"

namespace tvx {

void AddLogEntry(CommLog& log, LogEntry entry) {
    if (log.clock) entry.time = log.clock();
    ++log.added;
    // The sinks see the entry before the ring may move it.
    std::vector<std::string> notes;
    for (CommLog::Sink& s : log.sinks) {
        if (s.active && !s.sink->Write(entry)) {
            s.active = false;
            notes.push_back(s.sink->FailureNote());
        }
    }
    if (log.capacity > 0) {
        if (log.ring.size() < log.capacity) {
            // Grown in steps, but never past the ring's size.
            if (log.ring.size() == log.ring.capacity()) {
                const std::size_t doubled = log.ring.size() < 16 ? 16 : 2 * log.ring.size();
                log.ring.reserve(doubled < log.capacity ? doubled : log.capacity);
            }
            log.ring.push_back(std::move(entry));
        } else {
            log.ring[log.oldest] = std::move(entry);
            log.oldest = (log.oldest + 1) % log.ring.size();
            ++log.first;
        }
    } else {
        log.first = log.added;
    }
    if (log.on_added) log.on_added();
    // A failing sink is told of once, in the log itself (it takes no more entries).
    for (std::string& note : notes) {
        LogEntry n;
        n.kind = LogKind::Note;
        n.text = std::move(note);
        AddLogEntry(log, std::move(n));
    }
}

std::size_t LogSize(const CommLog& log) {
    return log.ring.size();
}

const LogEntry& LogEntryAt(const CommLog& log, std::size_t index) {
    return log.ring[(log.oldest + index) % log.ring.size()];
}

void ClearLog(CommLog& log) {
    log.ring.clear();
    log.ring.shrink_to_fit();
    log.oldest = 0;
    log.first = log.added;
}

void AddLogSink(CommLog& log, CommLogSink& sink) {
    for (CommLog::Sink& s : log.sinks) {
        if (s.sink == &sink) {
            s.active = true;
            return;
        }
    }
    log.sinks.push_back({&sink, true});
}

void RemoveLogSink(CommLog& log, CommLogSink& sink) {
    for (std::size_t i = 0; i < log.sinks.size(); ++i) {
        if (log.sinks[i].sink == &sink) {
            log.sinks.erase(log.sinks.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

bool LogSinkActive(const CommLog& log, const CommLogSink& sink) {
    for (const CommLog::Sink& s : log.sinks) {
        if (s.sink == &sink) return s.active;
    }
    return false;
}

std::string FormatLogTime(const LogTime& t) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, t.millisecond);
    return text;
}

std::string_view LogKindName(LogKind kind, LogWords words) {
    const bool ja = words == LogWords::Japanese;
    switch (kind) {
        case LogKind::Sent:
            return ja ? "送信" : "sent";
        case LogKind::Received:
            return ja ? "受信" : "recv";
        case LogKind::Link:
            return ja ? "回線" : "link";
        case LogKind::Box:
            return ja ? "表示" : "box";
        case LogKind::Note:
            return ja ? "ログ" : "note";
        case LogKind::Remote:
            return ja ? "リモート" : "remote";
    }
    return "?";
}

namespace {

constexpr std::size_t kLinkColumn = 15;
constexpr std::size_t kKindColumn = 4;

void AppendPadded(std::string& out, std::string_view text, std::size_t width) {
    out += text;
    if (text.size() < width) out.append(width - text.size(), ' ');
}

// A JSON string: quotes, backslashes and control characters escaped; UTF-8 kept as it is.
void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (b < 0x20 || b == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", b);
            out += escaped;
        } else {
            out += ch;
        }
    }
    out += '"';
}

void AppendJsonField(std::string& out, std::string_view name, std::string_view value) {
    if (out.size() > 1) out += ',';
    AppendJsonString(out, name);
    out += ':';
    AppendJsonString(out, value);
}

}  // namespace

std::string FormatLogLine(const LogEntry& e, LogWords words) {
    std::string line;
    line.reserve(48 + e.link.size() + e.text.size() + e.meaning.size());
    line += FormatLogTime(e.time);
    line += ' ';
    AppendPadded(line, e.link, kLinkColumn);
    line += ' ';
    line += e.address.empty() ? std::string_view("--") : std::string_view(e.address);
    line += ' ';
    AppendPadded(line, LogKindName(e.kind, words), kKindColumn);
    line += ' ';
    line += e.text;
    if (!e.meaning.empty()) {
        line += " => ";
        line += e.meaning;
    }
    return line;
}

std::string FormatLogJson(const LogEntry& e) {
    std::string time = FormatLogTime(e.time);
    time[10] = 'T';
    std::string out = "{";
    AppendJsonField(out, "time", time);
    AppendJsonField(out, "link", e.link);
    AppendJsonField(out, "address", e.address);
    AppendJsonField(out, "kind", LogKindName(e.kind));
    AppendJsonField(out, "text", e.text);
    AppendJsonField(out, "meaning", e.meaning);
    out += '}';
    return out;
}

std::string FormatLogLines(const CommLog& log, std::size_t first, std::size_t count) {
    std::string out;
    const std::size_t size = LogSize(log);
    for (std::size_t i = first; i < size && i - first < count; ++i) {
        out += FormatLogLine(LogEntryAt(log, i), log.words);
        out += "\r\n";
    }
    return out;
}

std::string LogFileText(const CommLog& log) {
    return std::string(kUtf8Bom) + FormatLogLines(log, 0, LogSize(log));
}

std::string DayFileName(const LogTime& t) {
    char name[32];
    std::snprintf(name, sizeof name, "%04d-%02d-%02d.log", t.year, t.month, t.day);
    return name;
}

namespace {

bool Digits(std::string_view text, int& value) {
    value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return false;
        value = value * 10 + (ch - '0');
    }
    return !text.empty();
}

int DaysInMonth(int year, int month) {
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

bool ParseDayFileName(std::string_view name, int& year, int& month, int& day) {
    // "YYYY-MM-DD.log"
    if (name.size() != 14 || name[4] != '-' || name[7] != '-' || name.substr(10) != ".log")
        return false;
    if (!Digits(name.substr(0, 4), year) || !Digits(name.substr(5, 2), month) ||
        !Digits(name.substr(8, 2), day))
        return false;
    return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

long DaysSinceEpoch(int year, int month, int day) {
    // The days-from-civil count of the proleptic Gregorian calendar, years starting in March.
    const long y = year - (month <= 2 ? 1 : 0);
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long year_of_era = y - era * 400;
    const long day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

int RemoveOldDayFiles(FileSystem& files, const std::string& folder, const LogTime& today) {
    std::vector<std::string> names;
    if (!files.ListFolder(folder, names)) return 0;
    const long oldest_kept =
        DaysSinceEpoch(today.year, today.month, today.day) - (kLogDaysKept - 1);
    int removed = 0;
    for (const std::string& name : names) {
        int year = 0, month = 0, day = 0;
        if (!ParseDayFileName(name, year, month, day)) continue;
        if (DaysSinceEpoch(year, month, day) >= oldest_kept) continue;
        if (files.RemoveFile(folder + name)) ++removed;
    }
    return removed;
}

bool StartDayFiles(CommLog& log, DayFileSink& sink) {
    if (!sink.files.MakeFolder(sink.folder)) {
        LogEntry note;
        note.kind = LogKind::Note;
        note.text = "通信ログのフォルダーを作れません。ファイルには記録しません: " + sink.folder;
        AddLogEntry(log, std::move(note));
        return false;
    }
    if (log.clock) RemoveOldDayFiles(sink.files, sink.folder, log.clock());
    sink.words = log.words;
    AddLogSink(log, sink);
    return true;
}

bool SaveCommLogAs(const CommLog& log, Prompts& prompts, FileSystem& files) {
    std::string path;
    if (log.clock) {
        const LogTime t = log.clock();
        char name[48];
        std::snprintf(name, sizeof name, "tvx5870-log-%04d%02d%02d-%02d%02d%02d.log", t.year,
                      t.month, t.day, t.hour, t.minute, t.second);
        path = name;
    }
    if (!prompts.AskFileName(FileDialogKind::SaveCommLog, path)) return false;
    path = SavePathFor(FileDialogKind::SaveCommLog, std::move(path));
    if (path.empty()) return false;
    if (files.ReplaceFileContents(path, LogFileText(log))) return true;
    prompts.ShowErrorBox(std::string(kSaveLogFailedText) + "\n" + path, BoxIcon::Exclamation);
    return false;
}

bool DayFileSink::Write(const LogEntry& entry) {
    const std::string path = folder + DayFileName(entry.time);
    std::string bytes;
    // A new day's file starts with the byte-order mark, so that any editor reads it as UTF-8.
    if (path != current_path) {
        if (!files.FileExists(path)) bytes = kUtf8Bom;
        current_path = path;
    }
    bytes += FormatLogLine(entry, words);
    bytes += "\r\n";
    if (files.AppendToFile(path, bytes)) return true;
    failed_path = path;
    return false;
}

std::string DayFileSink::FailureNote() const {
    return "通信ログをファイルに書けません。ファイルへの記録を止めました: " + failed_path;
}

bool LogFileSink::Write(const LogEntry& entry) {
    std::string bytes = json ? FormatLogJson(entry) : FormatLogLine(entry);
    bytes += '\n';
    return files.AppendToFile(path, bytes);
}

std::string LogFileSink::FailureNote() const {
    return "cannot write the log " + path + "; logging to it stopped";
}

}  // namespace tvx
