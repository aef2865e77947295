#include "targets.h"

#include <algorithm>
#include <charconv>

namespace tvxctl {

namespace {

// A whole decimal number without sign; false for anything else or beyond max.
bool ParseNumber(std::string_view text, int max, int& value) {
    if (text.empty() || text.size() > 6) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= 0 && value <= max;
}

std::string_view Trim(std::string_view text) {
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

bool ParseAddressList(std::string_view text, std::vector<int>& out, std::string& error) {
    constexpr int kMaxAddress = kBroadcast - 1;
    out.clear();
    std::string_view rest = text;
    while (true) {
        std::size_t comma = rest.find(',');
        std::string_view item = Trim(rest.substr(0, comma));
        std::size_t dash = item.find('-');
        int first = 0;
        int last = 0;
        bool ok = dash == std::string_view::npos
                      ? ParseNumber(item, kMaxAddress, first) && (last = first, true)
                      : ParseNumber(Trim(item.substr(0, dash)), kMaxAddress, first) &&
                            ParseNumber(Trim(item.substr(dash + 1)), kMaxAddress, last);
        if (!ok || first > last) {
            error = "bad address \"" + std::string(item) +
                    "\": addresses are 0..31, single or as ranges such as 0-3,7";
            return false;
        }
        for (int a = first; a <= last; ++a) {
            if (std::find(out.begin(), out.end(), a) != out.end()) {
                error = "address " + std::to_string(a) + " is named twice";
                return false;
            }
            out.push_back(a);
        }
        if (comma == std::string_view::npos) return true;
        rest.remove_prefix(comma + 1);
    }
}

bool ParseHostPort(std::string_view text, std::string& host, int& port, std::string& error) {
    port = kDefaultTcpPort;
    std::string_view port_text;
    if (!text.empty() && text.front() == '[') {
        std::size_t close = text.find(']');
        if (close == std::string_view::npos) {
            error = "bad host \"" + std::string(text) + "\": missing ]";
            return false;
        }
        host = std::string(text.substr(1, close - 1));
        std::string_view after = text.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') {
                error = "bad host \"" + std::string(text) + "\"";
                return false;
            }
            port_text = after.substr(1);
        }
    } else {
        std::size_t colon = text.rfind(':');
        // More than one colon without brackets is an IPv6 address without a port.
        if (colon != std::string_view::npos && text.find(':') == colon) {
            host = std::string(text.substr(0, colon));
            port_text = text.substr(colon + 1);
            if (port_text.empty()) port_text = "-";
        } else {
            host = std::string(text);
        }
    }
    if (host.empty()) {
        error = "bad host \"" + std::string(text) + "\": no host name";
        return false;
    }
    if (!port_text.empty() && (!ParseNumber(port_text, 65535, port) || port == 0)) {
        error = "bad port in \"" + std::string(text) + "\": ports are 1..65535";
        return false;
    }
    return true;
}

bool ParseDottedAddress(std::string_view text, int (&octets)[4]) {
    for (int i = 0; i < 4; ++i) {
        std::size_t dot = text.find('.');
        if ((dot == std::string_view::npos) != (i == 3)) return false;
        if (!ParseNumber(text.substr(0, dot), 255, octets[i]) || text.substr(0, dot).size() > 3)
            return false;
        if (i < 3) text.remove_prefix(dot + 1);
    }
    return true;
}

std::string FileLabel(std::string_view label) {
    std::string out(label);
    for (char& ch : out) {
        bool plain = (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'z') ||
                     (ch >= 'A' && ch <= 'Z') || ch == '.' || ch == '-' || ch == '_';
        if (ch == '#') {
            ch = '-';
        } else if (!plain) {
            ch = '_';
        }
    }
    return out;
}

std::string DeviceFileName(const std::string& file, std::string_view label, bool several) {
    if (!several) return file;
    std::size_t slash = file.find_last_of("/\\");
    std::size_t name_start = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = file.rfind('.');
    // A dot that starts the name, or none in the name, leaves no extension to keep.
    if (dot == std::string::npos || dot <= name_start) dot = file.size();
    return file.substr(0, dot) + "-" + FileLabel(label) + file.substr(dot);
}

std::vector<std::string> HostLabels(const std::vector<std::string>& hosts,
                                    const std::vector<int>& ports) {
    std::vector<std::string> labels;
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        bool shared = std::count(hosts.begin(), hosts.end(), hosts[i]) > 1;
        std::string host =
            hosts[i].find(':') != std::string::npos ? "[" + hosts[i] + "]" : hosts[i];
        labels.push_back(shared ? host + ":" + std::to_string(ports[i]) : host);
    }
    return labels;
}

}  // namespace tvxctl
