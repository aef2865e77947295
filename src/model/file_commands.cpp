#include "model/file_commands.h"

#include <cstring>

#include "model/recovery.h"
#include "model/settings_file.h"
#include "model/settings_ranges.h"

namespace tvx {

namespace {

constexpr std::string_view kAskNew = "データを保存せずに新規作成しますか？";
constexpr std::string_view kCaption = "TVX-5870";
constexpr std::string_view kNoFile = "Don't file open";

// The menu commands that replace the model are ignored while a sequence is sending it.
bool SequenceRunning(const AppState& app) {
    return app.sequence_running != 0;
}

PathField SettingsPath(AppState& app) {
    return {app.current_file_name, sizeof app.current_file_name};
}

bool PathFits(const std::string& path, PathField field) {
    return path.size() < field.size && path.find('\0') == std::string::npos;
}

void StorePath(PathField field, const std::string& path) {
    std::memcpy(field.text, path.data(), path.size());
    field.text[path.size()] = '\0';
}

// Where the file name begins, after the last folder separator.
std::size_t FileNameStart(const std::string& path) {
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? 0 : separator + 1;
}

}  // namespace

void AppendExtensionIfMissing(std::string& path, std::string_view extension) {
    const std::size_t name = FileNameStart(path);
    const auto lower = [](char ch) { return ch >= 'A' && ch <= 'Z' ? char(ch - 'A' + 'a') : ch; };
    for (std::size_t at = name + 1; at + extension.size() <= path.size(); ++at) {
        std::size_t i = 0;
        while (i < extension.size() && lower(path[at + i]) == lower(extension[i])) ++i;
        if (i == extension.size()) return;
    }
    path += extension;
}

std::string_view SaveExtension(FileDialogKind kind) {
    switch (kind) {
        case FileDialogKind::SaveSettings:
            return ".dat";
        case FileDialogKind::SaveGlyphs:
            return ".tlm";
        case FileDialogKind::SaveGlyphText:
            return ".txt";
        case FileDialogKind::SaveBitmap:
            return ".bmp";
        case FileDialogKind::SaveTitlesCsv:
            return ".csv";
        case FileDialogKind::SavePagePicture:
        case FileDialogKind::SaveContactSheet:
            return ".png";
        case FileDialogKind::SaveCommLog:
            return ".log";
        default:
            return {};
    }
}

std::string SavePathFor(FileDialogKind kind, std::string chosen) {
    // A dialog that comes back without a file name (ended from outside) writes nothing: the
    // extension alone would become a file named ".dat" in the current folder.
    if (FileNameStart(chosen) >= chosen.size()) return {};
    const std::string_view extension = SaveExtension(kind);
    if (kind == FileDialogKind::SaveTitlesCsv || kind == FileDialogKind::SaveCommLog) {
        const std::size_t dot = chosen.rfind('.');
        if (dot != std::string::npos && dot > FileNameStart(chosen)) return chosen;
        return chosen + std::string(extension);
    }
    if (!extension.empty()) AppendExtensionIfMissing(chosen, extension);
    return chosen;
}

bool MayDropChanges(CoreContext& c, std::string_view question) {
    if (c.app.document_modified == 0) return true;
    return c.prompts.AskYesNo(question, kCaption);
}

bool OpenChosenFile(CoreContext& c, FileSystem& fs, FileDialogKind kind, PathField field,
                    std::string& bytes_out) {
    std::string path;
    if (!c.prompts.AskFileName(kind, path)) return false;
    if (!PathFits(path, field) || !fs.ReadWholeFile(path, bytes_out)) {
        c.prompts.ShowErrorBox(kCantFileOpenText, BoxIcon::Exclamation);
        return false;
    }
    StorePath(field, path);
    return true;
}

bool SaveToNamedFile(CoreContext& c, FileSystem& fs, PathField field, std::string_view bytes,
                     BoxIcon fail_icon) {
    const void* nul = std::memchr(field.text, '\0', field.size);
    const std::string path(field.text,
                           nul ? static_cast<const char*>(nul) - field.text : field.size);
    if (path.empty()) {
        c.prompts.ShowErrorBox(kNoFile, BoxIcon::Exclamation);
        return false;
    }
    if (!fs.ReplaceFileContents(path, bytes)) {
        c.prompts.ShowErrorBox(kCantFileOpenText, fail_icon);
        return false;
    }
    return true;
}

bool SaveToChosenFile(CoreContext& c, FileSystem& fs, FileDialogKind kind, PathField field,
                      std::string_view bytes, BoxIcon fail_icon, std::string_view initial_name) {
    std::string path(initial_name);
    if (!c.prompts.AskFileName(kind, path)) return false;
    path = SavePathFor(kind, std::move(path));
    if (path.empty()) return false;
    if (!PathFits(path, field) || !fs.ReplaceFileContents(path, bytes)) {
        c.prompts.ShowErrorBox(kCantFileOpenText, fail_icon);
        return false;
    }
    StorePath(field, path);
    return true;
}

void FileNew(CoreContext& c) {
    if (SequenceRunning(c.app)) return;
    if (!MayDropChanges(c, kAskNew)) return;
    ResetToDefaults(c.model, c.app);
    c.prompts.RedrawFileName();
}

void FileOpen(CoreContext& c, FileSystem& fs) {
    if (SequenceRunning(c.app)) return;
    if (!MayDropChanges(c, kAskOpenText)) return;
    std::string bytes;
    if (!OpenChosenFile(c, fs, FileDialogKind::OpenSettings, SettingsPath(c.app), bytes)) return;
    ReadSettingsText(bytes, c.model);
    c.app.document_modified = 0;
    // A damaged file is read as it stands; the user learns at once which values no dialog list
    // holds (and a send refuses them), not from a broken command later.
    const std::string damaged = OutOfRangeFileText(c.model);
    if (!damaged.empty()) c.prompts.ShowErrorBox(damaged, BoxIcon::Exclamation);
}

std::string GlyphsChangedByFileText(const SettingsModel& model) {
    const std::vector<GlyphChangedByFile> changed = GlyphsTheFileChanges(model);
    if (changed.empty()) return {};
    std::string text(kGlyphsChangedByFileText);
    for (std::size_t i = 0; i < changed.size() && i < kGlyphsChangedShown; ++i) {
        const GlyphChangedByFile& g = changed[i];
        text += "\nタイトル " + std::to_string(g.title) + ": [外字" + std::to_string(g.glyph) +
                "] → [外字" + std::to_string(g.becomes) + "]";
    }
    if (changed.size() > kGlyphsChangedShown)
        text += "\nほか " + std::to_string(changed.size() - kGlyphsChangedShown) + " 件";
    return text;
}

namespace {

// What every save of the settings file does once the file is written: the titles a session
// end kept are older now.
bool SettingsSaved(CoreContext& c, FileSystem& fs) {
    c.app.document_modified = 0;
    if (c.recovery) DiscardTitleRecovery(fs, *c.recovery);
    const std::string changed = GlyphsChangedByFileText(c.model);
    if (!changed.empty()) c.prompts.ShowErrorBox(changed, BoxIcon::Exclamation);
    return true;
}

}  // namespace

bool FileSave(CoreContext& c, FileSystem& fs) {
    return SaveToNamedFile(c, fs, SettingsPath(c.app), WriteSettingsText(c.model),
                           BoxIcon::Exclamation) &&
           SettingsSaved(c, fs);
}

bool FileSaveAs(CoreContext& c, FileSystem& fs) {
    return SaveToChosenFile(c, fs, FileDialogKind::SaveSettings, SettingsPath(c.app),
                            WriteSettingsText(c.model), BoxIcon::Exclamation) &&
           SettingsSaved(c, fs);
}

}  // namespace tvx
