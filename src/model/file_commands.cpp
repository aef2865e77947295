#include "model/file_commands.h"

#include <cstring>

#include "model/settings_file.h"

namespace tvx {

namespace {

constexpr std::string_view kAskNew = "データを保存せずに新規作成しますか？";
constexpr std::string_view kAskOpen = "データを保存せずに別のファイルを開きますか？";
constexpr std::string_view kCaption = "TVX-5870";
constexpr std::string_view kCantOpen = "Can't file open";
constexpr std::string_view kNoFile = "Don't file open";

// The menu commands that replace the model are ignored while a sequence is sending it.
bool SequenceRunning(const AppState& app) {
    return app.sequence_running != 0;
}

bool MayDropChanges(CoreContext& c, std::string_view question) {
    if (c.app.document_modified == 0) return true;
    return c.prompts.AskYesNo(question, kCaption);
}

// A path that does not fit is refused rather than cut, so a later Save never hits another file.
bool FitsFileName(const std::string& path) {
    return path.size() < sizeof(AppState::current_file_name) &&
           path.find('\0') == std::string::npos;
}

void SetFileName(AppState& app, const std::string& path) {
    std::memcpy(app.current_file_name, path.data(), path.size());
    app.current_file_name[path.size()] = '\0';
}

}  // namespace

void AppendExtensionIfMissing(std::string& path, std::string_view extension) {
    if (path.find(extension, 1) == std::string::npos) path += extension;
}

void FileNew(CoreContext& c) {
    if (SequenceRunning(c.app)) return;
    if (!MayDropChanges(c, kAskNew)) return;
    ResetToDefaults(c.model, c.app);
    c.prompts.RedrawFileName();
}

void FileOpen(CoreContext& c, FileSystem& fs) {
    if (SequenceRunning(c.app)) return;
    if (!MayDropChanges(c, kAskOpen)) return;
    std::string path;
    if (!c.prompts.AskFileName(FileDialogKind::OpenSettings, path)) return;
    std::string bytes;
    if (!FitsFileName(path) || !fs.ReadWholeFile(path, bytes)) {
        c.prompts.ShowErrorBox(kCantOpen, BoxIcon::Exclamation);
        return;
    }
    SetFileName(c.app, path);
    ReadSettingsText(bytes, c.model);
    c.app.document_modified = 0;
}

bool FileSave(CoreContext& c, FileSystem& fs) {
    if (c.app.current_file_name[0] == '\0') {
        c.prompts.ShowErrorBox(kNoFile, BoxIcon::Exclamation);
        return false;
    }
    const char* name = c.app.current_file_name;
    const void* nul = std::memchr(name, '\0', sizeof c.app.current_file_name);
    std::string path(name,
                     nul ? static_cast<const char*>(nul) - name : sizeof c.app.current_file_name);
    if (!fs.ReplaceFileContents(path, WriteSettingsText(c.model))) {
        c.prompts.ShowErrorBox(kCantOpen, BoxIcon::Exclamation);
        return false;
    }
    c.app.document_modified = 0;
    return true;
}

bool FileSaveAs(CoreContext& c, FileSystem& fs) {
    std::string path;
    if (!c.prompts.AskFileName(FileDialogKind::SaveSettings, path)) return false;
    AppendExtensionIfMissing(path, ".dat");
    if (!FitsFileName(path) || !fs.ReplaceFileContents(path, WriteSettingsText(c.model))) {
        c.prompts.ShowErrorBox(kCantOpen, BoxIcon::Exclamation);
        return false;
    }
    SetFileName(c.app, path);
    c.app.document_modified = 0;
    return true;
}

}  // namespace tvx
