// Everything a core operation may touch, passed by reference so that tests build a fresh set
// per case and the program holds one set for its whole life.
#pragma once

#include "model/socket_state.h"
#include "model/seams.h"
#include "model/settings_model.h"

namespace tvx {

struct CoreContext {
    SettingsModel& model;
    AppState& app;
    SocketLinkState& sockets;
    Prompts& prompts;
    Link& link;
};

}  // namespace tvx
