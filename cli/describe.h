// The values a read brought into a device's model, as lines of text: what "send" shows after a
// read-back reply and what "net show" lists. Titles are shown in UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/settings_model.h"
#include "protocol/encodings.h"

namespace tvxctl {

// "ch.1 Top", "ch.1 Bottom", "ch.2 Top", "ch.2 Bottom".
using tvx::PositionName;

// The fields that the read command (as the catalogue writes it: "RCT005", "RP01T") fills,
// taken from the model after its reply; empty for a command that is no read.
std::vector<std::string> DescribeRead(const tvx::SettingsModel& model, std::string_view command);

// The nine network values, one line each, in the order of the network read.
std::vector<std::string> DescribeNetwork(const tvx::SettingsModel& model);

}  // namespace tvxctl
