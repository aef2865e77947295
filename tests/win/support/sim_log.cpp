// A small reader of the simulator's flat JSON objects: string and number values only, with
// the escapes JSON allows (\uXXXX stands for one byte, as the log writes each byte as U+00bb).
#include "support/sim_log.h"

#include <cctype>
#include <cstdlib>

namespace tvx::test {

namespace {

bool ParseString(const std::string& s, std::size_t& i, std::string& out) {
    if (i >= s.size() || s[i] != '"') return false;
    ++i;
    out.clear();
    while (i < s.size()) {
        const char ch = s[i++];
        if (ch == '"') return true;
        const unsigned char lead = static_cast<unsigned char>(ch);
        if ((lead == 0xC2 || lead == 0xC3) && i < s.size()) {
            // U+0080..U+00FF written as UTF-8: one byte of the frame.
            out += static_cast<char>(((lead & 0x03) << 6) | (s[i++] & 0x3F));
            continue;
        }
        if (ch != '\\') {
            out += ch;
            continue;
        }
        if (i >= s.size()) return false;
        const char esc = s[i++];
        switch (esc) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case '/':
                out += '/';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                if (i + 4 > s.size()) return false;
                const long code = std::strtol(s.substr(i, 4).c_str(), nullptr, 16);
                i += 4;
                out += static_cast<char>(code & 0xFF);
                break;
            }
            default:
                return false;
        }
    }
    return false;
}

void SkipSpace(const std::string& s, std::size_t& i) {
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
}

}  // namespace

bool ParseSimLogLine(const std::string& line, SimLogEntry& entry) {
    entry = SimLogEntry{};
    std::size_t i = 0;
    SkipSpace(line, i);
    if (i >= line.size() || line[i] != '{') return false;
    ++i;
    for (;;) {
        SkipSpace(line, i);
        if (i < line.size() && line[i] == '}') return true;
        std::string key;
        if (!ParseString(line, i, key)) return false;
        SkipSpace(line, i);
        if (i >= line.size() || line[i] != ':') return false;
        ++i;
        SkipSpace(line, i);
        if (i < line.size() && line[i] == '"') {
            std::string value;
            if (!ParseString(line, i, value)) return false;
            if (key == "transport") entry.transport = value;
            if (key == "direction") entry.direction = value;
            if (key == "address") entry.address = value;
            if (key == "bytes") entry.bytes = value;
        } else {
            const std::size_t start = i;
            while (i < line.size() && line[i] != ',' && line[i] != '}') ++i;
            if (key == "conn") entry.conn = std::atoll(line.substr(start, i - start).c_str());
        }
        SkipSpace(line, i);
        if (i < line.size() && line[i] == ',') {
            ++i;
            continue;
        }
        if (i < line.size() && line[i] == '}') return true;
        return false;
    }
}

std::vector<SimLogEntry> ReadSimLog(const std::wstring& path) {
    std::vector<SimLogEntry> entries;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return entries;
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) break;  // a line still being written
        SimLogEntry entry;
        if (ParseSimLogLine(text.substr(start, end - start), entry)) entries.push_back(entry);
        start = end + 1;
    }
    return entries;
}

bool WaitForSimEntry(const std::wstring& path, const std::string& direction,
                     const std::string& bytes, DWORD timeout_ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        for (const SimLogEntry& entry : ReadSimLog(path)) {
            if (entry.direction == direction && entry.bytes == bytes) return true;
        }
        if (GetTickCount() - start > timeout_ms) return false;
        Sleep(50);
    }
}

}  // namespace tvx::test
