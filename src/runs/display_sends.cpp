#include "runs/display_sends.h"

#include <string>

#include "link/send.h"
#include "protocol/commands.h"

namespace tvx {

namespace {

// The command goes out only when every value of the position is one the device takes.
bool SendChecked(CoreContext& c, std::string_view field, int position,
                 std::string (*build)(const SettingsModel&, int)) {
    return CommandValuesSendable(c.model, c.prompts, field, position) &&
           SendCommand(c, build(c.model, position));
}

}  // namespace

bool SendTitleDisplayFlags(CoreContext& c, int position) {
    return SendChecked(c, "page_display_on", position, BuildDisplayFlagsCommand);
}

bool SendDisplayPage(CoreContext& c, int position) {
    return SendChecked(c, "display_page", position, BuildDisplayPageCommand);
}

bool SendPageAssignment(CoreContext& c, int position) {
    return SendChecked(c, "page_title_number", position, BuildPageAssignmentCommand);
}

bool SendAutoSwitchTimes(CoreContext& c, int position) {
    std::string command;
    return CommandValuesSendable(c.model, c.prompts, "page_switch_seconds", position) &&
           BuildSwitchTimesCommand(c.model, position, c.prompts, command) &&
           SendCommand(c, command);
}

bool SendStartupPage(CoreContext& c, int position) {
    return SendChecked(c, "startup_page", position, BuildStartupPageCommand);
}

bool SendPositionOffset(CoreContext& c, int position) {
    return SendChecked(c, "position_offset", position, BuildPositionOffsetCommand);
}

bool SendWhiteLevel(CoreContext& c) {
    return CommandValuesSendable(c.model, c.prompts, "white_level", -1) &&
           SendCommand(c, BuildWhiteLevelCommand(c.model));
}

bool SendEdgeLevel(CoreContext& c) {
    return CommandValuesSendable(c.model, c.prompts, "edge_level", -1) &&
           SendCommand(c, BuildEdgeLevelCommand(c.model));
}

}  // namespace tvx
