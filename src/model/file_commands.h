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

// Appends the extension (".dat", ".tlm", ".txt", ".bmp") unless those characters, in exact
// case, already occur somewhere after the first character of the path.
void AppendExtensionIfMissing(std::string& path, std::string_view extension);

// The steps the settings file and the glyph files share.
//
// A fixed path field (UTF-8, NUL-terminated). A path that does not fit is refused rather than
// cut, so a later save never hits another file.
struct PathField {
    char* text;
    std::size_t size;
};
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
// Save As: asks for a path of kind (the dialog starts on initial_name), appends extension by
// the rule above, writes as Save does, and only then takes the path into field. False on cancel
// (no box) or failure.
bool SaveToChosenFile(CoreContext& c, FileSystem& fs, FileDialogKind kind,
                      std::string_view extension, PathField field, std::string_view bytes,
                      BoxIcon fail_icon, std::string_view initial_name = {});

// File > New. Does nothing while a send sequence runs; asks before dropping unsaved titles;
// then resets the model to defaults (which forgets the file name) and asks for the file name
// on the front panel to be blanked.
void FileNew(CoreContext& c);

// File > Open. Does nothing while a send sequence runs; asks before dropping unsaved titles;
// asks for a path; reads the whole file. A file that cannot be read shows "Can't file open"
// and changes nothing.
void FileOpen(CoreContext& c, FileSystem& fs);

// File > Save to current_file_name. True when the file was written. With no current file,
// shows "Don't file open"; when writing fails, shows "Can't file open" and the previous file,
// the file name and document_modified stay as they were.
bool FileSave(CoreContext& c, FileSystem& fs);

// File > Save As. True when the file was written. Asks for a path (false on cancel), appends
// ".dat" by the rule above, writes, and only then takes the path as current_file_name.
bool FileSaveAs(CoreContext& c, FileSystem& fs);

}  // namespace tvx
