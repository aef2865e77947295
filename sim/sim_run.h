// The simulator's event loop: the serial line, the TCP listener and the
// outgoing TCP devices, all served by one thread with poll().
#pragma once

#include "sim_options.h"

namespace tvxsim {

// Runs until SIGINT, SIGTERM or SIGHUP; returns the process exit status.
int RunSimulator(const Options& opt);

}  // namespace tvxsim
