#include "sim_log.h"

#include <chrono>
#include <nlohmann/json.hpp>

namespace tvxsim {

double NowSeconds() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

bool OpenLog(TrafficLog& log, const std::string& path, std::string& error) {
    log.file = std::fopen(path.c_str(), "w");
    if (!log.file) {
        error = "cannot open log file " + path;
        return false;
    }
    return true;
}

void CloseLog(TrafficLog& log) {
    if (log.file) std::fclose(log.file);
    log.file = nullptr;
}

namespace {

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char ch : bytes) {
        auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) {
            out += static_cast<char>(b);
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

}  // namespace

std::string FormatLogLine(double time, const char* transport, int conn, const char* direction,
                          std::string_view address, std::string_view bytes) {
    nlohmann::ordered_json j;
    j["time"] = time;
    j["transport"] = transport;
    j["conn"] = conn;
    j["direction"] = direction;
    j["address"] = std::string(address);
    j["bytes"] = Latin1ToUtf8(bytes);
    return j.dump();
}

std::string EscapeForDisplay(std::string_view bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : bytes) {
        auto b = static_cast<unsigned char>(ch);
        if (b == '\r') {
            out += "\\r";
        } else if (b == '\n') {
            out += "\\n";
        } else if (b >= 0x20 && b < 0x7F && b != '\\') {
            out += static_cast<char>(b);
        } else {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
    }
    return out;
}

void LogRecord(TrafficLog& log, const char* transport, int conn, const char* direction,
               std::string_view address, std::string_view bytes) {
    if (log.file) {
        std::string line = FormatLogLine(NowSeconds(), transport, conn, direction, address, bytes);
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), log.file);
        std::fflush(log.file);
    }
    if (log.verbose) {
        std::fprintf(stderr, "tvx5870-sim: %s %d %-5s %-2s %s\n", transport, conn, direction,
                     std::string(address).c_str(), EscapeForDisplay(bytes).c_str());
    }
}

}  // namespace tvxsim
