#include "dialogs/remote_control.h"

#include <cstdio>

namespace tvx {

RemoteControlForm RemoteFormOf(const RemoteConfig& config) {
    return {config.enabled, std::to_string(config.port), config.every_address,
            config.allowed_hosts, config.token};
}

bool RemoteConfigOf(const RemoteControlForm& form, RemoteConfig& config, std::string& problem) {
    int port = 0;
    const bool digits = !form.port.empty() && form.port.size() <= 5 &&
                        form.port.find_first_not_of("0123456789") == std::string::npos;
    if (digits) port = std::stoi(form.port);
    if (port < 1 || port > 65535) {
        problem = std::string(kRemotePortText);
        return false;
    }
    std::vector<HostRule> rules;
    if (!ParseAllowedHosts(form.allowed_hosts, rules, problem)) {
        problem = "許可するホスト: " + problem;
        return false;
    }
    config.enabled = form.enabled;
    config.port = port;
    config.every_address = form.every_address;
    config.allowed_hosts = AllowedHostsText(rules);
    config.token = form.token;
    return true;
}

bool OnEveryAddressChosen(RemoteControlForm& form, RandomBytes random) {
    form.every_address = true;
    return !form.token.empty() || RenewToken(form, random);
}

bool RenewToken(RemoteControlForm& form, RandomBytes random) {
    std::string token = NewAccessToken(random);
    if (token.empty()) return false;
    form.token = std::move(token);
    return true;
}

std::string RemoteStateLine(const RemoteServerStatus& s) {
    if (!s.enabled) return "停止しています";
    if (!s.listening) return "開始できません: " + s.error;
    return "待ち受け中: http://" + s.where + "/api/v1/";
}

std::string RemoteLastRequestLine(const RemoteServerStatus& s) {
    if (s.last_request.empty()) return "最後の要求: まだありません";
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", s.last_time.hour, s.last_time.minute,
                  s.last_time.second);
    std::string line = "最後の要求: " + std::string(time) + " " + s.last_request + " (" +
                       s.last_peer + ")";
    if (s.last_status != 0) line += " → " + std::to_string(s.last_status);
    return line;
}

}  // namespace tvx
