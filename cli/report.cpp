#include "report.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "console.h"

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

// Why a device failed: "step 5 CT005...: E3 Command Error".
std::string FailureText(const DeviceResult& r) {
    std::string where;
    if (r.step > 0) where = "step " + std::to_string(r.step) + " ";
    if (!r.command.empty()) where += ShortCommand(r.command) + " ";
    if (!where.empty()) where.replace(where.size() - 1, 1, ": ");
    std::string code = r.code.empty() ? "" : r.code + " ";
    return where + code + r.message;
}

std::string DifferenceCount(std::size_t n) {
    return std::to_string(n) + (n == 1 ? " difference" : " differences");
}

// "2 differences: ページ 3 ch.1 Top, T005"; the first few names, the count of the others.
std::string DifferenceSummary(const DeviceResult& r) {
    constexpr std::size_t kNamed = 3;
    const std::size_t n = r.differences.size();
    if (n == 0) return "";
    std::string out = DifferenceCount(n) + ": ";
    for (std::size_t i = 0; i < n && i < kNamed; ++i) {
        if (i > 0) out += ", ";
        out += r.differences[i].field;
    }
    if (n > kNamed) out += " and " + std::to_string(n - kNamed) + " more";
    return out;
}

std::string ResultWord(const DeviceResult& r) {
    if (!r.ok) return "FAILED";
    if (!r.compared) return "ok";
    return r.differences.empty() ? "same" : "DIFFERS";
}

std::string Detail(const DeviceResult& r) {
    if (!r.ok) return FailureText(r);
    if (r.compared) return DifferenceSummary(r);
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

// Columns are counted in characters (UTF-8 continuation bytes take no column).
std::size_t Width(const std::string& text) {
    std::size_t n = 0;
    for (char ch : text) n += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    return n;
}

std::string Pad(std::string text, std::size_t width) {
    const std::size_t w = Width(text);
    if (w < width) text.append(width - w, ' ');
    return text;
}

void TrimRight(std::string& text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
}

std::string RoundTrip(const DeviceResult& r) {
    if (r.round_trip_ms < 0) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", r.round_trip_ms);
    return text;
}

nlohmann::json DifferencesJson(const std::vector<tvx::SettingDifference>& differences) {
    nlohmann::json out = nlohmann::json::array();
    for (const tvx::SettingDifference& d : differences)
        out.push_back({{"field", d.field}, {"a", d.a}, {"b", d.b}, {"line", d.line}});
    return out;
}

std::string Dump(const nlohmann::json& json) {
    return json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace

void DrawProgress(ProgressLines& progress, const std::vector<const DeviceSession*>& sessions,
                  bool final) {
    if (progress.plain) {
        progress.reported.resize(sessions.size(), false);
        for (std::size_t i = 0; i < sessions.size(); ++i) {
            const DeviceResult& r = sessions[i]->result;
            if (!sessions[i]->finished || progress.reported[i]) continue;
            progress.reported[i] = true;
            char steps[48];
            std::snprintf(steps, sizeof steps, " %d/%d %.1f s", r.steps_done, r.steps_total,
                          r.seconds);
            std::string line = "tvx5870ctl: " + r.device + " " + progress.verb + ": " +
                               ResultWord(r) + steps;
            const std::string detail = Detail(r);
            if (!detail.empty()) line += "  " + detail;
            Write(Stream::Err, line + "\n");
        }
        return;
    }
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
    Write(Stream::Err, out);
}

std::string SummaryTable(const std::vector<DeviceResult>& results, bool details) {
    std::size_t width = 6, result_width = 6;
    for (const DeviceResult& r : results) {
        width = std::max(width, Width(r.device));
        result_width = std::max(result_width, Width(ResultWord(r)));
    }
    std::string out =
        Pad("DEVICE", width) + "  " + Pad("RESULT", result_width) + "  STEPS     TIME     DETAIL\n";
    int ok = 0, same = 0, differ = 0;
    bool compared = false;
    for (const DeviceResult& r : results) {
        ok += r.ok;
        compared = compared || r.compared;
        same += r.ok && r.compared && r.differences.empty();
        differ += r.ok && r.compared && !r.differences.empty();
        char steps[24], time[24];
        std::snprintf(steps, sizeof steps, "%d/%d", r.steps_done, r.steps_total);
        std::snprintf(time, sizeof time, "%.1f s", r.seconds);
        out += Pad(r.device, width) + "  " + Pad(ResultWord(r), result_width) + "  " +
               Pad(steps, 8) + "  " + Pad(time, 7) + "  " + Detail(r);
        TrimRight(out);
        out += "\n";
        for (const std::string& value : r.decoded) out += "    " + value + "\n";
        for (const std::string& warning : r.warnings) out += "    warning: " + warning + "\n";
        if (details) {
            for (const tvx::SettingDifference& d : r.differences)
                out += "    " + tvx::DifferenceLine(d) + "\n";
        }
    }
    const std::size_t failed = results.size() - static_cast<std::size_t>(ok);
    out += std::to_string(results.size()) + (results.size() == 1 ? " device: " : " devices: ");
    if (compared) {
        out += std::to_string(same) + " same, " + std::to_string(differ) + " differ, ";
    } else {
        out += std::to_string(ok) + " ok, ";
    }
    return out + std::to_string(failed) + " failed\n";
}

std::string InfoTable(const std::vector<DeviceResult>& results) {
    // The network values (serial line) in the order an operator reads them, else the peer.
    constexpr std::string_view kNetworkOrder[] = {
        "version",     "mac_address", "ip_address", "gateway_address", "active_address",
        "subnet_mask", "port_number", "keep_alive", "time_register"};
    bool network = false;
    for (const DeviceResult& r : results) network = network || !r.network.empty();
    std::vector<std::string> headers = {"DEVICE", "RESULT", "ROUND TRIP"};
    if (network) {
        for (std::string_view key : kNetworkOrder) {
            std::string header(key);
            std::replace(header.begin(), header.end(), '_', ' ');
            std::transform(header.begin(), header.end(), header.begin(),
                           [](char ch) { return static_cast<char>(std::toupper(ch)); });
            headers.push_back(header);
        }
    } else {
        headers.push_back("PEER");
    }
    std::vector<std::vector<std::string>> rows;
    for (const DeviceResult& r : results) {
        std::vector<std::string> row = {r.device, r.ok ? "ok" : "FAILED", RoundTrip(r)};
        if (network) {
            for (std::string_view key : kNetworkOrder) {
                std::string text = "-";
                for (const NetworkValue& v : r.network) {
                    if (key == v.key) text = v.text;
                }
                row.push_back(text);
            }
        } else {
            row.push_back(r.peer.empty() ? "-" : r.peer);
        }
        rows.push_back(std::move(row));
    }
    std::vector<std::size_t> widths(headers.size());
    for (std::size_t i = 0; i < headers.size(); ++i) {
        widths[i] = Width(headers[i]);
        for (const auto& row : rows) widths[i] = std::max(widths[i], Width(row[i]));
    }
    auto line = [&widths](const std::vector<std::string>& cells) {
        std::string out;
        for (std::size_t i = 0; i < cells.size(); ++i) out += Pad(cells[i], widths[i]) + "  ";
        TrimRight(out);
        return out + "\n";
    };
    std::string out = line(headers);
    int ok = 0;
    for (std::size_t i = 0; i < results.size(); ++i) {
        out += line(rows[i]);
        ok += results[i].ok;
        if (!results[i].ok) out += "    " + FailureText(results[i]) + "\n";
    }
    const std::size_t failed = results.size() - static_cast<std::size_t>(ok);
    return out + std::to_string(results.size()) +
           (results.size() == 1 ? " device: " : " devices: ") + std::to_string(ok) + " ok, " +
           std::to_string(failed) + " failed\n";
}

std::string DifferenceLines(const std::vector<tvx::SettingDifference>& differences) {
    std::string out;
    for (const tvx::SettingDifference& d : differences) out += tvx::DifferenceLine(d) + "\n";
    return out;
}

std::string DeviceDiffText(const std::vector<DeviceResult>& results) {
    std::string out;
    for (const DeviceResult& r : results) {
        out += "== " + r.device + ": ";
        if (!r.ok) {
            out += "FAILED " + FailureText(r) + "\n";
        } else if (r.differences.empty()) {
            out += "same\n";
        } else {
            out += DifferenceCount(r.differences.size()) + "\n" + DifferenceLines(r.differences);
        }
    }
    return out;
}

std::string FileDiffJson(const std::string& a, const std::string& b,
                         const std::vector<tvx::SettingDifference>& differences) {
    return Dump({{"command", "diff"},
                 {"a", a},
                 {"b", b},
                 {"same", differences.empty()},
                 {"differences", DifferencesJson(differences)}});
}

std::string JsonReport(const std::string& command, Pace pace,
                       const std::vector<DeviceResult>& results, const JsonFields& extra) {
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
        if (r.compared) {
            d["same"] = r.differences.empty();
            d["differences"] = DifferencesJson(r.differences);
        }
        if (!r.peer.empty()) d["peer"] = r.peer;
        if (r.round_trip_ms >= 0) d["round_trip_ms"] = r.round_trip_ms;
        if (!r.network.empty()) {
            nlohmann::json network = nlohmann::json::object();
            for (const NetworkValue& v : r.network) network[v.key] = v.text;
            d["network"] = std::move(network);
        }
        devices.push_back(std::move(d));
    }
    nlohmann::json report = {{"command", command}};
    for (const auto& [key, value] : extra) report[key] = value;
    report["pace"] = pace == Pace::Spec ? "spec" : "ack";
    report["devices"] = devices;
    report["ok"] = ok;
    report["failed"] = static_cast<int>(results.size()) - ok;
    return Dump(report);
}

int ExitCode(const std::vector<DeviceResult>& results) {
    if (results.empty()) return 1;
    for (const DeviceResult& r : results) {
        if (!r.ok || !r.differences.empty()) return 1;
    }
    return 0;
}

}  // namespace tvxctl
