#include "push_files.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include "describe.h"
#include "glyphs/glyph_files.h"
#include "model/settings_fields.h"
#include "model/settings_file.h"
#include "model/settings_ranges.h"
#include "model/std_file_system.h"
#include "protocol/bulk_run.h"
#include "protocol/commands.h"

namespace tvxctl {

bool ReadFile(const std::string& path, std::string& bytes, std::string& error) {
    tvx::StdFileSystem files;
    errno = 0;
    if (files.ReadWholeFile(path, bytes)) return true;
    error = "cannot read " + path + (errno != 0 ? std::string(": ") + std::strerror(errno) : "");
    return false;
}

bool ReadSettingsFile(const std::string& path, tvx::SettingsModel& model, std::string& error) {
    std::string bytes;
    if (!ReadFile(path, bytes, error)) return false;
    auto app = std::make_unique<tvx::AppState>();
    tvx::ResetToDefaults(model, *app);
    tvx::SettingsFileReport report;
    tvx::ReadSettingsText(bytes, model, &report);
    const std::string expected = std::to_string(tvx::kSettingsFileLines);
    if (report.lines < tvx::kSettingsFileLines) {
        error = path + ": not a whole settings file (" + std::to_string(report.lines) + " lines, " +
                expected + " expected)";
        return false;
    }
    if (report.text_after_last_line) {
        error = path + ": not a settings file (text after line " + expected + ")";
        return false;
    }
    if (report.first_line_not_a_number != 0) {
        const int line = report.first_line_not_a_number;
        error = path + " line " + std::to_string(line) + ": " + tvx::FieldNameOfLine(line) +
                " is not a number";
        return false;
    }
    return true;
}

bool CheckSettingsForPush(const std::string& path, const tvx::SettingsModel& model,
                          std::string& error) {
    tvx::SettingRangeProblem problem;
    if (tvx::FindSettingOutOfRange(model, problem)) {
        error = path + " line " + std::to_string(problem.line) + ": " + problem.name + " is " +
                std::to_string(problem.value) + ", outside " + std::to_string(problem.low) + ".." +
                std::to_string(problem.high);
        return false;
    }
    int title = tvx::FirstUnsendableTitle(model);
    if (title >= 0) {
        error = path + ": title " + std::to_string(title + 1) +
                " cannot be sent: " + std::string(tvx::kTitleNotConvertibleText);
        return false;
    }
    return true;
}

bool LoadSettingsForPush(const std::string& path, tvx::SettingsModel& model, std::string& error) {
    return ReadSettingsFile(path, model, error) && CheckSettingsForPush(path, model, error);
}

bool LoadGlyphsForPush(const std::string& path, tvx::SettingsModel& model, std::string& error) {
    std::string bytes;
    if (!ReadFile(path, bytes, error)) return false;
    tvx::GlyphFileProblem problem;
    if (tvx::FindGlyphFileProblem(bytes, problem)) {
        if (problem.glyph == 0) {
            error = path + ": not a whole glyph file (" + std::to_string(problem.characters_read) +
                    " of " + std::to_string(tvx::kGlyphFileChars) + " pattern characters)";
        } else {
            error = path + ": glyph " + std::to_string(problem.glyph) + ", pattern character " +
                    std::to_string(problem.character) + " is no hexadecimal digit";
        }
        return false;
    }
    auto app = std::make_unique<tvx::AppState>();
    tvx::ResetToDefaults(model, *app);
    tvx::ReadGlyphFile(bytes, model);
    return true;
}

}  // namespace tvxctl
