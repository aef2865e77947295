// The device memory between runs (--state): a JSON file holding every
// simulated device, loaded at start and written back when the simulator stops.
#pragma once

#include <string>
#include <vector>

#include "sim_device.h"

namespace tvxsim {

struct StateFile {
    std::vector<SimDevice> devices;          // the serial line and --tcp-listen
    std::vector<SimDevice> connect_devices;  // one per --tcp-connect connection
};

std::string StateToJson(const StateFile& state);

// A device fresh from the factory for place `index` of its pool; the place
// gives it its own MAC address.
SimDevice FactoryDevice(bool connect_pool, size_t index, int address);

// Reads devices from `text` over those already in `state` (which hold the
// defaults): a device or field the text does not mention keeps its value. A
// pool grows to hold every device of the file, so devices this run does not
// use are written back unchanged. On a malformed text `state` is unchanged
// and `error` says what is wrong.
bool StateFromJson(const std::string& text, StateFile& state, std::string& error);

// A missing file is not an error (`existed` = false): the devices start from
// the factory state and the file is written at exit.
bool LoadStateFile(const std::string& path, StateFile& state, bool& existed, std::string& error);

// Written to a temporary file first and renamed, so a crash while writing
// never leaves half a file.
bool SaveStateFile(const std::string& path, const StateFile& state, std::string& error);

}  // namespace tvxsim
