#include "dialogs/display_commands.h"

#include <string>

#include "link/send.h"
#include "protocol/commands.h"

namespace tvx {

bool SendTitleDisplayFlags(CoreContext& c, int position) {
    return SendCommand(c, BuildDisplayFlagsCommand(c.model, position));
}

bool SendDisplayPage(CoreContext& c, int position) {
    return SendCommand(c, BuildDisplayPageCommand(c.model, position));
}

bool SendPageAssignment(CoreContext& c, int position) {
    return SendCommand(c, BuildPageAssignmentCommand(c.model, position));
}

bool SendAutoSwitchTimes(CoreContext& c, int position) {
    std::string command;
    return BuildSwitchTimesCommand(c.model, position, c.prompts, command) &&
           SendCommand(c, command);
}

bool SendStartupPage(CoreContext& c, int position) {
    return SendCommand(c, BuildStartupPageCommand(c.model, position));
}

bool SendPositionOffset(CoreContext& c, int position) {
    return SendCommand(c, BuildPositionOffsetCommand(c.model, position));
}

}  // namespace tvx
