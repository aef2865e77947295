// The titles of settings files as a spreadsheet's CSV, without a device: "titles export" writes
// the 144 titles of a settings file, "titles import" reads a CSV into a settings file, and
// "push --titles" replaces the titles of the file it sends. The CSV rules are the core's (the
// program's File menu uses the same); each problem is one line that names the file.
#pragma once

#include <string>
#include <vector>

#include "model/settings_model.h"
#include "protocol/title_csv.h"

namespace tvxctl {

// What a titles command did: the line for stdout, and the problems (one a line) for stderr: why
// nothing was written, or warnings about what was.
struct TitlesResult {
    bool ok = false;
    std::string message;
    std::vector<std::string> problems;
};

// The CSV of dat's titles written to csv (through a new file renamed over it); an existing csv
// is replaced only with overwrite.
TitlesResult ExportTitles(const std::string& dat, const std::string& csv,
                          tvx::TitleCsvEncoding encoding, bool overwrite);

// dat with the titles of csv: the other settings and the titles csv leaves out come from base
// when it is given, otherwise from dat when it exists, otherwise from a new settings file.
TitlesResult ImportTitles(const std::string& csv, const std::string& dat, const std::string& base);

// One warning for each external character of model's titles that a settings file written from
// it cannot hold as it is (glyphs 73 and 76 come back as 95): pull and titles import say so.
std::vector<std::string> FileGlyphWarnings(const tvx::SettingsModel& model);

// The titles of csv put into model; false (model untouched) with the problems.
bool ApplyTitlesFile(const std::string& csv, tvx::SettingsModel& model, TitlesResult& result);

}  // namespace tvxctl
