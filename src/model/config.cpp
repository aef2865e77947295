#include "model/config.h"

#include <cstdio>
#include <cstring>

#include "model/cp932.h"

namespace tvx {

namespace {

constexpr std::string_view kReplyPacedKey = "reply_paced";
constexpr std::string_view kPreviewFontKey = "preview_font";

// Values longer than the read buffers are cut as the buffers would cut them.
constexpr std::size_t kNumberTextChars = 9;  // 10-byte buffer
constexpr std::size_t kPortTextChars = 5;    // 6-byte buffer

std::string ReadText(IniStore& ini, std::string_view key, std::string_view fallback,
                     std::size_t max_chars) {
    std::string value(fallback);
    ini.ReadKey(kConfigSection, key, value);
    if (value.size() > max_chars) value.resize(max_chars);
    return value;
}

int ReadNumber(IniStore& ini, std::string_view key) {
    return DecimalOrZero(ReadText(ini, key, "0", kNumberTextChars));
}

bool WriteNumber(IniStore& ini, std::string_view key, int value) {
    return ini.WriteKey(kConfigSection, key, std::to_string(value));
}

bool WriteHostKeys(const AppState& app, IniStore& ini, int entry) {
    bool ok = true;
    for (int octet = 0; octet < 4; ++octet) {
        ok = WriteNumber(ini, HostKeyName(entry, octet), app.host_list[entry][octet]) && ok;
    }
    return ok;
}

bool IsListEntry(const AppState& app, int position) {
    return position >= 0 && position < app.host_list_count && position < kHostListCapacity;
}

}  // namespace

void ReadConfiguration(AppState& app, IniStore& ini) {
    app.com_port_index = ReadNumber(ini, "com_port");
    app.interface_type = ReadNumber(ini, "Interface");
    std::string port = ReadText(ini, "port_number", "09004", kPortTextChars);
    std::memcpy(app.tcp_port_text, port.data(), port.size());
    app.tcp_port_text[port.size()] = '\0';
    app.tcp_role = ReadNumber(ini, "ClientServer");
    app.selected_connection = ReadNumber(ini, "select_number");
    int count = ReadNumber(ini, "list_count");
    if (count < 0) count = 0;
    if (count > kHostListCapacity) count = kHostListCapacity;
    app.host_list_count = count;
    for (int entry = 0; entry < count; ++entry) {
        for (int octet = 0; octet < 4; ++octet) {
            // Stored as a byte, as the octet fields hold one.
            app.host_list[entry][octet] =
                static_cast<unsigned char>(ReadNumber(ini, HostKeyName(entry, octet)));
        }
    }
    app.reply_paced_runs = ReadNumber(ini, kReplyPacedKey) == 1 ? 1 : 0;
}

bool WriteReplyPacedKey(const AppState& app, IniStore& ini) {
    return WriteNumber(ini, kReplyPacedKey, app.reply_paced_runs);
}

namespace {

constexpr std::string_view kLogWindowKeys[] = {"log_window_left", "log_window_top",
                                               "log_window_width", "log_window_height"};
constexpr std::string_view kLogToFilesKey = "log_to_files";

}  // namespace

bool ReadLogWindowPlacement(IniStore& ini, LogWindowPlacement& placement) {
    int values[4];
    for (int i = 0; i < 4; ++i) {
        std::string text;
        if (!ini.ReadKey(kConfigSection, kLogWindowKeys[i], text) ||
            !ParseLeadingInt(text, values[i]))
            return false;
    }
    if (values[2] <= 0 || values[3] <= 0) return false;
    placement = {values[0], values[1], values[2], values[3]};
    return true;
}

bool WriteLogWindowPlacement(IniStore& ini, const LogWindowPlacement& placement) {
    const int values[4] = {placement.left, placement.top, placement.width, placement.height};
    bool ok = true;
    for (int i = 0; i < 4; ++i) ok = WriteNumber(ini, kLogWindowKeys[i], values[i]) && ok;
    return ok;
}

RemoteConfig ReadRemoteConfig(IniStore& ini) {
    RemoteConfig config;
    std::string text;
    int value = 0;
    if (ini.ReadKey(kConfigSection, "remote_enabled", text) && ParseLeadingInt(text, value))
        config.enabled = value == 1;
    if (ini.ReadKey(kConfigSection, "remote_port", text) && ParseLeadingInt(text, value) &&
        value >= 1 && value <= 65535)
        config.port = value;
    if (ini.ReadKey(kConfigSection, "remote_listen", text))
        config.every_address = text == kListenEveryAddress;
    ini.ReadKey(kConfigSection, "remote_allowed_hosts", config.allowed_hosts);
    ini.ReadKey(kConfigSection, "remote_token", config.token);
    return config;
}

bool WriteRemoteConfig(IniStore& ini, const RemoteConfig& config) {
    bool ok = WriteNumber(ini, "remote_enabled", config.enabled ? 1 : 0);
    ok = WriteNumber(ini, "remote_port", config.port) && ok;
    ok = ini.WriteKey(kConfigSection, "remote_listen",
                      config.every_address ? kListenEveryAddress : kListenThisPc) &&
         ok;
    ok = ini.WriteKey(kConfigSection, "remote_allowed_hosts", config.allowed_hosts) && ok;
    return ini.WriteKey(kConfigSection, "remote_token", config.token) && ok;
}

bool ReadServerHostsOnly(IniStore& ini) {
    std::string text;
    int value = 0;
    return ini.ReadKey(kConfigSection, "server_allowed_hosts_only", text) &&
           ParseLeadingInt(text, value) && value == 1;
}

bool WriteServerHostsOnly(IniStore& ini, bool on) {
    return WriteNumber(ini, "server_allowed_hosts_only", on ? 1 : 0);
}

bool ReadLogToFiles(IniStore& ini) {
    std::string text;
    int value = 1;
    if (ini.ReadKey(kConfigSection, kLogToFilesKey, text)) ParseLeadingInt(text, value);
    return value != 0;
}

bool WriteLogToFiles(IniStore& ini, bool on) {
    return WriteNumber(ini, kLogToFilesKey, on ? 1 : 0);
}

std::string ReadPreviewFontName(IniStore& ini) {
    std::string cp932;
    std::string utf8;
    if (!ini.ReadKey(kConfigSection, kPreviewFontKey, cp932) || !Cp932ToUtf8(cp932, utf8)) return {};
    return utf8;
}

bool WritePreviewFontName(IniStore& ini, std::string_view utf8_name) {
    std::string cp932;
    if (!Utf8ToCp932(utf8_name, cp932)) return false;
    return ini.WriteKey(kConfigSection, kPreviewFontKey, cp932);
}

bool WriteInterfaceKey(const AppState& app, IniStore& ini) {
    return WriteNumber(ini, "Interface", app.interface_type);
}

bool WriteComPortKey(const AppState& app, IniStore& ini) {
    return WriteNumber(ini, "com_port", app.com_port_index);
}

bool WritePortNumberKey(const AppState& app, IniStore& ini) {
    const char* text = app.tcp_port_text;
    const void* nul = std::memchr(text, '\0', sizeof app.tcp_port_text);
    std::size_t length = nul ? static_cast<const char*>(nul) - text : sizeof app.tcp_port_text;
    return ini.WriteKey(kConfigSection, "port_number", std::string_view(text, length));
}

bool WriteClientServerKey(const AppState& app, IniStore& ini) {
    return WriteNumber(ini, "ClientServer", app.tcp_role);
}

bool WriteSelectNumberKey(const AppState& app, IniStore& ini) {
    return WriteNumber(ini, "select_number", app.selected_connection);
}

std::string HostKeyName(int entry, int octet) {
    char key[32];
    std::snprintf(key, sizeof key, "ip%02d_%d", entry, octet);
    return key;
}

bool AddHost(AppState& app, IniStore& ini, const unsigned char address[4]) {
    int count = app.host_list_count;
    if (count < 0 || count >= kHostListFileCapacity) return false;
    std::memcpy(app.host_list[count], address, 4);
    app.host_list_count = count + 1;
    WriteNumber(ini, "list_count", app.host_list_count);
    WriteHostKeys(app, ini, count);
    return true;
}

bool DeleteHost(AppState& app, IniStore& ini, int list_position) {
    if (!IsListEntry(app, list_position)) return false;
    app.host_list_count -= 1;
    WriteNumber(ini, "list_count", app.host_list_count);
    for (int entry = list_position; entry < app.host_list_count; ++entry) {
        std::memcpy(app.host_list[entry], app.host_list[entry + 1], 4);
        WriteHostKeys(app, ini, entry);
    }
    return true;
}

bool SelectHost(AppState& app, IniStore& ini, int list_position) {
    if (!IsListEntry(app, list_position)) return false;
    app.selected_connection = list_position;
    WriteSelectNumberKey(app, ini);
    return true;
}

const unsigned char* SelectedHostAddress(const AppState& app) {
    if (!IsListEntry(app, app.selected_connection)) return nullptr;
    return app.host_list[app.selected_connection];
}

bool LinkPortNumber(const AppState& app, int& port_out) {
    std::string_view text(app.tcp_port_text, strnlen(app.tcp_port_text, sizeof app.tcp_port_text));
    int port = 0;
    if (!ParseLeadingInt(text, port) || port < 1 || port > 65535) return false;
    port_out = port;
    return true;
}

std::string DottedAddressText(const unsigned char address[4]) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", unsigned{address[0]}, unsigned{address[1]},
                  unsigned{address[2]}, unsigned{address[3]});
    return text;
}

std::string FormatHostListEntry(const unsigned char address[4]) {
    char text[32];
    std::snprintf(text, sizeof text, "%03u .%03u .%03u .%03u", unsigned{address[0]},
                  unsigned{address[1]}, unsigned{address[2]}, unsigned{address[3]});
    return text;
}

}  // namespace tvx
