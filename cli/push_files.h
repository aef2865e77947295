// The files a push sends, read and checked whole before any device is asked: a settings file that
// is short, damaged, holds a value a device does not take or a title it cannot show, or a glyph
// file that is short or holds a character that is no hexadecimal digit, is refused with one line
// that names the file and the place.
#pragma once

#include <string>

#include "model/settings_model.h"

namespace tvxctl {

// The whole file, or false with "cannot read PATH: reason" in error.
bool ReadFile(const std::string& path, std::string& bytes, std::string& error);

// A whole settings file into the model (from defaults): false for a file that is short, has
// text after its last line or a number line that holds no number.
bool ReadSettingsFile(const std::string& path, tvx::SettingsModel& model, std::string& error);
// Whether the model may go out: every value in range, every title one the device can show.
bool CheckSettingsForPush(const std::string& path, const tvx::SettingsModel& model,
                          std::string& error);
// Both. False with the reason in error ("show.dat: title 5 cannot be sent: ...").
bool LoadSettingsForPush(const std::string& path, tvx::SettingsModel& model, std::string& error);

// The 160 glyphs of a glyph file (".tlm") into the model's patterns.
bool LoadGlyphsForPush(const std::string& path, tvx::SettingsModel& model, std::string& error);

}  // namespace tvxctl
