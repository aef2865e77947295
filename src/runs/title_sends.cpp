#include "runs/title_sends.h"

#include <string>

#include "link/send.h"
#include "protocol/commands.h"

namespace tvx {

bool SendTitle(CoreContext& c, int title_index, int memory, char (&staging)[kTitleBytes]) {
    std::string command;
    if (!StageTitleText(c.model, title_index, staging) ||
        !BuildTitleCommand(staging, memory, title_index, command)) {
        return false;
    }
    SendCommand(c, command);
    return true;
}

}  // namespace tvx
