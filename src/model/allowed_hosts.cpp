#include "model/allowed_hosts.h"

namespace tvx {

namespace {

// 1 to 3 decimal digits making 0..max; false otherwise.
bool SmallNumber(std::string_view text, int max, int& value) {
    if (text.empty() || text.size() > 3) return false;
    value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return false;
        value = value * 10 + (ch - '0');
    }
    return value <= max;
}

std::uint32_t Mask(int prefix) {
    return prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix);
}

std::string DottedText(std::uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string(address >> 16 & 0xFF) + "." +
           std::to_string(address >> 8 & 0xFF) + "." + std::to_string(address & 0xFF);
}

// "::ffff:192.168.1.5" is the IPv4 address itself.
std::string_view WithoutMappedPrefix(std::string_view peer) {
    constexpr std::string_view kMapped = "::ffff:";
    if (peer.size() > kMapped.size()) {
        bool same = true;
        for (std::size_t i = 0; i < kMapped.size(); ++i) {
            char ch = peer[i];
            if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
            same = same && ch == kMapped[i];
        }
        if (same) peer.remove_prefix(kMapped.size());
    }
    return peer;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool ParseIpv4(std::string_view text, std::uint32_t& address) {
    std::uint32_t value = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = text.find('.');
        if ((part < 3) == (dot == std::string_view::npos)) return false;
        int number = 0;
        if (!SmallNumber(text.substr(0, dot), 255, number)) return false;
        value = value << 8 | static_cast<std::uint32_t>(number);
        text = part < 3 ? text.substr(dot + 1) : std::string_view{};
    }
    address = value;
    return true;
}

bool ParseAllowedHosts(std::string_view text, std::vector<HostRule>& rules, std::string& problem) {
    std::vector<HostRule> parsed;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view entry = TrimBlanks(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        if (entry.empty()) continue;
        HostRule rule;
        const std::size_t slash = entry.find('/');
        if (!ParseIpv4(entry.substr(0, slash), rule.address) ||
            (slash != std::string_view::npos &&
             !SmallNumber(entry.substr(slash + 1), 32, rule.prefix))) {
            problem = "「" + std::string(entry) +
                      "」はアドレス (192.168.1.5) でもサブネット (192.168.1.0/24) でもありません。";
            return false;
        }
        rule.address &= Mask(rule.prefix);
        parsed.push_back(rule);
    }
    rules = std::move(parsed);
    return true;
}

std::string AllowedHostsText(const std::vector<HostRule>& rules) {
    std::string text;
    for (const HostRule& rule : rules) {
        if (!text.empty()) text += ", ";
        text += DottedText(rule.address);
        if (rule.prefix != 32) text += "/" + std::to_string(rule.prefix);
    }
    return text;
}

bool IsLoopbackPeer(std::string_view peer) {
    std::uint32_t address = 0;
    return ParseIpv4(WithoutMappedPrefix(peer), address) ? address >> 24 == 127 : peer == "::1";
}

bool HostAllowed(const std::vector<HostRule>& rules, std::string_view peer) {
    if (IsLoopbackPeer(peer)) return true;
    std::uint32_t address = 0;
    if (!ParseIpv4(WithoutMappedPrefix(peer), address)) return false;
    for (const HostRule& rule : rules) {
        if ((address & Mask(rule.prefix)) == rule.address) return true;
    }
    return false;
}

}  // namespace tvx
