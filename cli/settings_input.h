// The settings file a push sends, read and checked whole before any device is asked: a file that
// is short, damaged, holds a value a device does not take or a title it cannot show is refused
// with one line that names the file and the place.
#pragma once

#include <string>

#include "model/settings_model.h"

namespace tvxctl {

// False with the reason in error ("show.dat: title 5 cannot be sent: ...").
bool LoadSettingsForPush(const std::string& path, tvx::SettingsModel& model, std::string& error);

}  // namespace tvxctl
