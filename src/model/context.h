// Everything a core operation may touch, passed by reference so that tests build a fresh set
// per case and the program holds one set for its whole life.
#pragma once

#include <string>

#include "model/comm_log.h"
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
    // The communication log of every frame, reply and link event; none while null.
    CommLog* comm_log = nullptr;
    // The link's name in the log when the program's own names do not apply (the companion's
    // serial port path or TCP peer); empty otherwise.
    std::string log_link_name = {};
};

}  // namespace tvx
