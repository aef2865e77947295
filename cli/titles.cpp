#include "titles.h"

#include <memory>

#include "model/settings_file.h"
#include "model/std_file_system.h"
#include "push_files.h"

namespace tvxctl {

namespace {

TitlesResult Refused(std::string problem) {
    TitlesResult r;
    r.problems.push_back(std::move(problem));
    return r;
}

bool WriteFile(const std::string& path, const std::string& bytes, TitlesResult& result) {
    if (tvx::StdFileSystem().ReplaceFileContents(path, bytes)) return true;
    result.problems.push_back("cannot write " + path + "; it is left as it was");
    return false;
}

}  // namespace

TitlesResult ExportTitles(const std::string& dat, const std::string& csv,
                          tvx::TitleCsvEncoding encoding, bool overwrite) {
    auto model = std::make_unique<tvx::SettingsModel>();
    std::string error;
    if (!ReadSettingsFile(dat, *model, error)) return Refused(error);
    if (!overwrite && tvx::StdFileSystem().FileExists(csv))
        return Refused(csv + " exists; nothing written (--overwrite replaces it)");
    std::string bytes;
    TitlesResult result;
    std::vector<std::string> problems;
    if (!tvx::WriteTitlesCsv(*model, encoding, bytes, problems)) {
        for (const std::string& p : problems) result.problems.push_back(dat + ": " + p);
        return result;
    }
    if (!WriteFile(csv, bytes, result)) return result;
    result.ok = true;
    result.message = csv + ": the 144 titles of " + dat +
                     (encoding == tvx::TitleCsvEncoding::Utf8 ? " (UTF-8)" : " (CP932)");
    return result;
}

std::vector<std::string> FileGlyphWarnings(const tvx::SettingsModel& model) {
    std::vector<std::string> warnings;
    for (const tvx::GlyphChangedByFile& g : tvx::GlyphsTheFileChanges(model)) {
        warnings.push_back("title " + std::to_string(g.title) + ": external character " +
                           std::to_string(g.glyph) + " is saved as " + std::to_string(g.becomes) +
                           " (a settings file cannot hold its code; a CSV of the titles keeps it)");
    }
    return warnings;
}

bool ApplyTitlesFile(const std::string& csv, tvx::SettingsModel& model, TitlesResult& result) {
    std::string bytes, error;
    if (!ReadFile(csv, bytes, error)) {
        result.problems.push_back(error);
        return false;
    }
    tvx::TitleCsvRead read;
    if (!tvx::ImportTitlesCsv(bytes, model, read)) {
        for (const std::string& p : read.problems) result.problems.push_back(csv + ": " + p);
        return false;
    }
    result.message = std::to_string(read.taken) + " titles from " + csv + " (" + read.encoding +
                     "), " + std::to_string(read.widened) + " half-width characters made full width";
    return true;
}

TitlesResult ImportTitles(const std::string& csv, const std::string& dat, const std::string& base) {
    auto model = std::make_unique<tvx::SettingsModel>();
    auto app = std::make_unique<tvx::AppState>();
    tvx::ResetToDefaults(*model, *app);
    const std::string& from = base.empty() ? dat : base;
    std::string error;
    if ((!base.empty() || tvx::StdFileSystem().FileExists(dat)) &&
        !ReadSettingsFile(from, *model, error)) {
        return Refused(error);
    }
    TitlesResult result;
    if (!ApplyTitlesFile(csv, *model, result)) return result;
    if (!WriteFile(dat, tvx::WriteSettingsText(*model), result)) return result;
    for (const std::string& warning : FileGlyphWarnings(*model))
        result.problems.push_back("warning: " + dat + ": " + warning);
    result.ok = true;
    result.message = dat + ": " + result.message;
    return result;
}

}  // namespace tvxctl
