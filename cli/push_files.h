// The files a push sends, read and checked whole before any device is asked: a settings file that
// is short, damaged, holds a value a device does not take or a title it cannot show, or a glyph
// file that is short or holds a character that is no hexadecimal digit, is refused with one line
// that names the file and the place.
#pragma once

#include <string>

#include "model/settings_model.h"

namespace tvxctl {

// A whole settings file, as it stands: false with the reason when it is short, has text after
// its last line or a number line without a number ("show.dat line 12: not a number").
bool LoadSettingsFile(const std::string& path, tvx::SettingsModel& model, std::string& error);

// A settings file that can be sent: whole, every value in range and every title sendable. False
// with the reason in error ("show.dat: title 5 cannot be sent: ...").
bool LoadSettingsForPush(const std::string& path, tvx::SettingsModel& model, std::string& error);

// The 160 glyphs of a glyph file (".tlm") into the model's patterns.
bool LoadGlyphsForPush(const std::string& path, tvx::SettingsModel& model, std::string& error);

}  // namespace tvxctl
