// The File menu's commands on the settings file: New, Open, Save and Save As. The
// file name dialogs and the front-panel drawing stay in the Win32 layer and are reached through
// the prompts; the disk through the FileSystem seam, so that a save never destroys the
// previous file.
#pragma once

#include <string>
#include <string_view>

#include "model/context.h"
#include "model/seams.h"

namespace tvx {

// Appends the extension (".dat", ".tlm", ".txt", ".bmp") unless those characters, in exact
// case, already occur somewhere after the first character of the path.
void AppendExtensionIfMissing(std::string& path, std::string_view extension);

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
