// The values a read brought into a device's model, as lines of text: what "send" shows after a
// read-back reply and what "net show" lists. Titles are shown in UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/settings_model.h"

namespace tvxctl {

// The fields that the read command (as the catalogue writes it: "RCT005", "RP01T") fills,
// taken from the model after its reply; empty for a command that is no read.
std::vector<std::string> DescribeRead(const tvx::SettingsModel& model, std::string_view command);

// One of the nine network values: its key in the JSON report, its name in the program's dialog
// and its text.
struct NetworkValue {
    const char* key;    // "ip_address"
    const char* label;  // "IP Address"
    std::string text;   // "192.168.1.3"
};
// The nine values in the order of the network read.
std::vector<NetworkValue> NetworkValues(const tvx::SettingsModel& model);
// "ip address: 192.168.1.3"
std::string NetworkLine(const NetworkValue& value);

// The nine network values, one line each, in the order of the network read.
std::vector<std::string> DescribeNetwork(const tvx::SettingsModel& model);

}  // namespace tvxctl
