#include "report.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace tvxctl {

namespace {

constexpr int kMaxProgressLines = 24;
constexpr int kBarWidth = 20;

// A long command (a title, a page table) is named by its letters and its number or position:
// "CT005...", "AST01T...".
std::string ShortCommand(const std::string& command) {
    constexpr std::size_t kLongest = 17;  // IA192.168.001.003
    if (command.size() <= kLongest) return command;
    std::size_t letters = command.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    if (letters == std::string::npos) letters = command.size();
    std::size_t field = command.compare(0, letters, "GR") == 0 ? 2 : 3;
    return command.substr(0, std::min(command.size(), letters + field)) + "...";
}

std::string Detail(const DeviceResult& r) {
    if (!r.ok) {
        std::string where;
        if (r.step > 0) where = "step " + std::to_string(r.step) + " ";
        if (!r.command.empty()) where += ShortCommand(r.command) + " ";
        if (!where.empty()) where.replace(where.size() - 1, 1, ": ");
        std::string code = r.code.empty() ? "" : r.code + " ";
        return where + code + r.message;
    }
    if (!r.file.empty()) return r.file;
    constexpr std::size_t kLongestReply = 60;  // the whole reply is in the JSON report
    if (r.reply.size() > kLongestReply) return r.reply.substr(0, kLongestReply) + "...";
    return r.reply;
}

std::string StateOf(const DeviceSession& s) {
    if (!s.result.ok) return "failed";
    if (s.result.steps_total > 0 && s.result.steps_done >= s.result.steps_total &&
        s.awaiting.empty())
        return "done";
    return "";
}

std::string Pad(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

}  // namespace

void DrawProgress(ProgressLines& progress, const std::vector<const DeviceSession*>& sessions,
                  bool final) {
    if (!progress.enabled) return;
    std::string out;
    // Back to the first progress line, each line cleared as it is rewritten.
    if (progress.drawn > 0) out += "\x1b[" + std::to_string(progress.drawn) + "F";
    int lines = 0;
    if (!final && static_cast<int>(sessions.size()) <= kMaxProgressLines) {
        for (const DeviceSession* s : sessions) {
            const DeviceResult& r = s->result;
            int total = std::max(r.steps_total, 1);
            int filled = std::min(r.steps_done, total) * kBarWidth / total;
            std::string state = StateOf(*s);
            char line[256];
            std::snprintf(line, sizeof line, "%s %s [%s%s] %3d%%  step %d/%d  %s",
                          Pad(r.device, 16).c_str(), progress.verb.c_str(),
                          std::string(filled, '#').c_str(),
                          std::string(kBarWidth - filled, '.').c_str(), r.steps_done * 100 / total,
                          r.steps_done, r.steps_total, state.c_str());
            out += "\x1b[2K" + std::string(line) + "\n";
            ++lines;
        }
    } else if (!final) {
        int done = 0, failed = 0;
        for (const DeviceSession* s : sessions) {
            std::string state = StateOf(*s);
            done += state == "done";
            failed += state == "failed";
        }
        char line[160];
        std::snprintf(line, sizeof line, "%s: %zu devices, %d done, %d failed, %zu running",
                      progress.verb.c_str(), sessions.size(), done, failed,
                      sessions.size() - done - failed);
        out += "\x1b[2K" + std::string(line) + "\n";
        lines = 1;
    }
    // Lines left over from a longer drawing are cleared; at the end all of them.
    for (int i = lines; i < progress.drawn; ++i) out += "\x1b[2K\n";
    if (progress.drawn > lines) out += "\x1b[" + std::to_string(progress.drawn - lines) + "F";
    progress.drawn = lines;
    std::fputs(out.c_str(), stderr);
    std::fflush(stderr);
}

std::string SummaryTable(const std::vector<DeviceResult>& results) {
    std::size_t width = 6;
    for (const DeviceResult& r : results) width = std::max(width, r.device.size());
    std::string out = Pad("DEVICE", width) + "  RESULT  STEPS     TIME     DETAIL\n";
    int ok = 0;
    for (const DeviceResult& r : results) {
        ok += r.ok;
        char steps[24], time[24];
        std::snprintf(steps, sizeof steps, "%d/%d", r.steps_done, r.steps_total);
        std::snprintf(time, sizeof time, "%.1f s", r.seconds);
        out += Pad(r.device, width) + "  " + Pad(r.ok ? "ok" : "FAILED", 6) + "  " + Pad(steps, 8) +
               "  " + Pad(time, 7) + "  " + Detail(r);
        while (!out.empty() && out.back() == ' ') out.pop_back();
        out += "\n";
        for (const std::string& value : r.decoded) out += "    " + value + "\n";
        for (const std::string& warning : r.warnings) out += "    warning: " + warning + "\n";
    }
    const std::size_t failed = results.size() - static_cast<std::size_t>(ok);
    out += std::to_string(results.size()) + (results.size() == 1 ? " device: " : " devices: ") +
           std::to_string(ok) + " ok, " + std::to_string(failed) + " failed\n";
    return out;
}

std::string JsonReport(const std::string& command, Pace pace,
                       const std::vector<DeviceResult>& results) {
    nlohmann::json devices = nlohmann::json::array();
    int ok = 0;
    for (const DeviceResult& r : results) {
        ok += r.ok;
        nlohmann::json d = {
            {"device", r.device},           {"line", r.line},       {"transport", r.transport},
            {"address", r.address},         {"ok", r.ok},           {"steps_done", r.steps_done},
            {"steps_total", r.steps_total}, {"seconds", r.seconds},
        };
        if (!r.ok) {
            d["step"] = r.step;
            d["command"] = r.command;
            d["code"] = r.code;
            d["message"] = r.message;
        }
        if (!r.file.empty()) d["file"] = r.file;
        if (!r.reply.empty()) d["reply"] = r.reply;
        if (!r.decoded.empty()) d["values"] = r.decoded;
        if (!r.warnings.empty()) d["warnings"] = r.warnings;
        devices.push_back(std::move(d));
    }
    nlohmann::json report = {
        {"command", command},
        {"pace", pace == Pace::Spec ? "spec" : "ack"},
        {"devices", devices},
        {"ok", ok},
        {"failed", static_cast<int>(results.size()) - ok},
    };
    return report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

int ExitCode(const std::vector<DeviceResult>& results) {
    if (results.empty()) return 1;
    for (const DeviceResult& r : results) {
        if (!r.ok) return 1;
    }
    return 0;
}

}  // namespace tvxctl
