#include "describe.h"

#include <algorithm>
#include <cstdio>

#include "console.h"
#include "glyphs/glyph_pattern.h"
#include "model/settings_fields.h"
#include "protocol/encodings.h"

namespace tvxctl {

namespace {

// Page numbers 1..144 where the flag is set, as ranges: "1-10,12,14-144".
std::string PageRanges(const int (&flags)[tvx::kPageCount]) {
    std::string out;
    for (int k = 0; k < tvx::kPageCount; ++k) {
        if (flags[k] == 0) continue;
        int last = k;
        while (last + 1 < tvx::kPageCount && flags[last + 1] != 0) ++last;
        if (!out.empty()) out += ",";
        out += std::to_string(k + 1);
        if (last > k) out += "-" + std::to_string(last + 1);
        k = last;
    }
    return out.empty() ? "none" : out;
}

template <typename Value>
std::string Numbers(const int (&values)[tvx::kPageCount], Value value) {
    std::string out;
    for (int v : values) {
        if (!out.empty()) out += " ";
        out += std::to_string(value(v));
    }
    return out;
}

std::string Dotted(const unsigned char (&octets)[4]) {
    return std::to_string(octets[0]) + "." + std::to_string(octets[1]) + "." +
           std::to_string(octets[2]) + "." + std::to_string(octets[3]);
}

// A text field of the model, which may lack its terminator after a damaged reply.
template <std::size_t N>
std::string BoundedText(const char (&text)[N]) {
    return std::string(text, tvx::BoundedLength(text, N));
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The position a read command names after its letters ("RP01T" at 2), or -1.
int PositionOf(std::string_view command, std::size_t at) {
    if (command.size() < at + 3) return -1;
    return tvx::DecodePosition(command.data() + at);
}

}  // namespace

std::vector<std::string> DescribeRead(const tvx::SettingsModel& m, std::string_view command) {
    // Each value under the name an operator knows it by, from the settings file's field table.
    auto field = [](std::string_view model_field) -> const tvx::SettingsFileField& {
        return *tvx::FindSettingsField(model_field);
    };
    auto item = [&m](const tvx::SettingsFileField& f, int index) {
        return tvx::FieldItemName(f, index) + ": " +
               tvx::FieldNumberText(f, tvx::FieldNumber(m, f, index));
    };
    auto positioned = [&](std::size_t at, auto describe) -> std::vector<std::string> {
        int p = PositionOf(command, at);
        if (p < 0) return {};
        return {describe(p)};
    };
    auto row = [](const tvx::SettingsFileField& f, int p) {
        return tvx::FieldRowName(f, p) + ": ";
    };
    // Longer names first where one begins another.
    if (StartsWith(command, "RCTDPO"))
        return positioned(6, [&](int p) { return item(field("position_offset"), p); });
    if (StartsWith(command, "RCTD"))
        return positioned(4, [&](int p) {
            return row(field("page_display_on"), p) + "ON " + PageRanges(m.page_display_on[p]);
        });
    if (StartsWith(command, "RCT")) {
        int number = command.size() >= 6 ? tvx::DecodeThreeDigits(command.data() + 3) : -1;
        if (number < 1 || number > tvx::kTitleCount) return {};
        return {tvx::FieldItemName(field("title_text"), number - 1) + ": " +
                tvx::TitleValueText(m.title_text[number - 1], Cp932ToUtf8)};
    }
    if (StartsWith(command, "RFBM")) {
        std::vector<std::string> rows{"glyph " + std::string(command.substr(4)) + ":"};
        for (std::string& dots : tvx::PatternDotRows(m.glyph_receive_buffer))
            rows.push_back(std::move(dots));
        return rows;
    }
    if (StartsWith(command, "RCEL")) return {item(field("edge_level"), 0)};
    if (StartsWith(command, "RCWL")) return {item(field("white_level"), 0)};
    if (StartsWith(command, "RAST"))
        return positioned(4, [&](int p) {
            return row(field("page_switch_seconds"), p) +
                   Numbers(m.page_switch_seconds[p], [](int v) { return v; });
        });
    if (StartsWith(command, "RSUS"))
        return positioned(4, [&](int p) { return item(field("startup_page"), p); });
    if (StartsWith(command, "RPP"))
        return positioned(3, [&](int p) {
            return row(field("page_title_number"), p) +
                   Numbers(m.page_title_number[p], [](int v) { return v + 1; });
        });
    if (StartsWith(command, "RP"))
        return positioned(2, [&](int p) { return item(field("display_page"), p); });
    const std::vector<NetworkValue> network = NetworkValues(m);
    constexpr std::string_view kNetworkReads[] = {"RAA", "RGA", "RIA", "RMA", "RPN",
                                                  "RSM", "RKA", "RTR", "RVN"};
    for (std::size_t i = 0; i < std::size(kNetworkReads); ++i) {
        if (command == kNetworkReads[i]) return {NetworkLine(network[i])};
    }
    return {};
}

std::vector<NetworkValue> NetworkValues(const tvx::SettingsModel& m) {
    const int subnet = m.net_subnet_class;
    return {
        {"active_address", "Active Address", Dotted(m.net_active_address)},
        {"gateway_address", "Gateway Address", Dotted(m.net_gateway_address)},
        {"ip_address", "IP Address", Dotted(m.net_ip_address)},
        {"mac_address", "MAC Address", BoundedText(m.net_mac_address)},
        {"port_number", "Port Number", BoundedText(m.net_port_number)},
        {"subnet_mask", "Subnet Mask",
         subnet >= 0 && subnet <= 2 ? "Class " + std::string(1, static_cast<char>('A' + subnet))
                                    : "?"},
        {"keep_alive", "Keep Alive", m.net_keep_alive == 1 ? "ON" : "OFF"},
        {"time_register", "Time Register", std::to_string(m.net_time_register + 1)},
        {"version", "Version Number", BoundedText(m.net_version)},
    };
}

std::string NetworkLine(const NetworkValue& value) {
    std::string key = value.key;
    std::replace(key.begin(), key.end(), '_', ' ');
    return key + ": " + value.text;
}

std::vector<std::string> DescribeNetwork(const tvx::SettingsModel& m) {
    std::vector<std::string> lines;
    for (const NetworkValue& value : NetworkValues(m)) lines.push_back(NetworkLine(value));
    return lines;
}

}  // namespace tvxctl
