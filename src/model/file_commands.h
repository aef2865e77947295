// The File menu's commands on the settings file: New, Open, Save and Save As, and the open and
// save steps the glyph files share with them. The file name dialogs and the front-panel drawing
// stay in the Win32 layer and are reached through the prompts; the disk through the FileSystem
// seam, so that a save never destroys the previous file.
#pragma once

#include <string>
#include <string_view>

#include "model/context.h"
#include "model/seams.h"

namespace tvx {

// Appends the extension (".dat", ".tlm", ".txt", ".bmp") unless the file name itself (the part
// after the last folder separator) holds it, in any case, after its first character: "A.TLM"
// and "a.tlm.bak" stay as they are, "monday" in a folder "a.dat" becomes "monday.dat".
void AppendExtensionIfMissing(std::string& path, std::string_view extension);

// The extension a save of this kind writes (".dat", ".tlm", ".txt", ".bmp", ".csv", ".log",
// ".png"); empty for the open dialogs. The file dialogs take it as their default extension, so
// that the name the dialog checks for overwriting is the name written.
std::string_view SaveExtension(FileDialogKind kind);
// The path a save of this kind writes for the chosen one: the extension appended by the rule
// above; a CSV of titles and a saved log keep any extension of their own (their dialogs also
// offer ".txt"). Empty when the chosen path names no file (a folder, or nothing): such a save
// writes nothing.
std::string SavePathFor(FileDialogKind kind, std::string chosen);

// The steps the settings file and the glyph files share.
//
// A fixed path field (UTF-8, NUL-terminated). A path that does not fit is refused rather than
// cut, so a later save never hits another file.
struct PathField {
    char* text;
    std::size_t size;
};
inline constexpr std::string_view kCantFileOpenText = "Can't file open";
inline constexpr std::string_view kAskOpenText = "データを保存せずに別のファイルを開きますか？";
// True when no titles are unsaved, or when the user answers Yes to question (caption
// "TVX-5870", no owner).
bool MayDropChanges(CoreContext& c, std::string_view question);
// Asks for a file of kind and reads it whole. "Can't file open" (exclamation) when it cannot be
// read, and false; on success the path is in field. False without a box on cancel.
bool OpenChosenFile(CoreContext& c, FileSystem& fs, FileDialogKind kind, PathField field,
                    std::string& bytes_out);
// Save: writes bytes over the file the field names, through a temporary file so the previous
// file survives any failure. "Don't file open" (exclamation) when the field is empty, "Can't
// file open" with fail_icon when the write fails.
bool SaveToNamedFile(CoreContext& c, FileSystem& fs, PathField field, std::string_view bytes,
                     BoxIcon fail_icon);
// Save As: asks for a path of kind (the dialog starts on initial_name), takes SavePathFor it,
// writes as Save does, and only then takes the path into field. False on cancel (no box) or
// failure.
bool SaveToChosenFile(CoreContext& c, FileSystem& fs, FileDialogKind kind, PathField field,
                      std::string_view bytes, BoxIcon fail_icon,
                      std::string_view initial_name = {});

// File > New. Does nothing while a send sequence runs; asks before dropping unsaved titles;
// then resets the model to defaults (which forgets the file name) and asks for the file name
// on the front panel to be blanked.
void FileNew(CoreContext& c);

// File > Open. Does nothing while a send sequence runs; asks before dropping unsaved titles;
// asks for a path; reads the whole file. A file that cannot be read shows "Can't file open"
// and changes nothing.
void FileOpen(CoreContext& c, FileSystem& fs);

// A save whose titles hold external characters the file cannot hold (settings_file.h) is
// followed by a box (exclamation) naming each: kGlyphsChangedByFileText, then a line a glyph
// ("タイトル 5: [外字73] → [外字95]"), the first kGlyphsChangedShown and how many more.
inline constexpr std::string_view kGlyphsChangedByFileText =
    "設定ファイルには次の外字をそのまま保存できません。ファイルを開くと別の外字になります"
    "（タイトルの CSV には正しく書き出せます）。";
constexpr std::size_t kGlyphsChangedShown = 20;
// The box's text; empty when the file holds every glyph of the titles.
std::string GlyphsChangedByFileText(const SettingsModel& model);

// File > Save to current_file_name. True when the file was written. With no current file,
// shows "Don't file open"; when writing fails, shows "Can't file open" and the previous file,
// the file name and document_modified stay as they were.
bool FileSave(CoreContext& c, FileSystem& fs);

// File > Save As. True when the file was written. Asks for a path (false on cancel), appends
// ".dat" by the rule above, writes, and only then takes the path as current_file_name.
bool FileSaveAs(CoreContext& c, FileSystem& fs);

}  // namespace tvx
