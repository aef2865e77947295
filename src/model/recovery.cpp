#include "model/recovery.h"

#include <cstring>

#include "model/settings_file.h"

namespace tvx {

bool SaveRecovery(const CoreContext& c, FileSystem& fs, const RecoveryFiles& where) {
    if (c.app.document_modified == 0) return true;
    const char* name = c.app.current_file_name;
    const std::string file_name(name, strnlen(name, sizeof c.app.current_file_name));
    // The name first: the settings file is what makes a recovery.
    return fs.ReplaceFileContents(where.name_path, file_name) &&
           fs.ReplaceFileContents(where.data_path, WriteSettingsText(c.model));
}

void DiscardRecovery(FileSystem& fs, const RecoveryFiles& where) {
    fs.RemoveFile(where.data_path);
    fs.RemoveFile(where.name_path);
}

bool OfferRecovery(CoreContext& c, FileSystem& fs, const RecoveryFiles& where) {
    std::string bytes;
    if (!fs.ReadWholeFile(where.data_path, bytes)) return false;
    const bool wanted = c.prompts.AskYesNo(kRecoveryQuestion, "TVX-5870");
    if (wanted) {
        std::string name;
        if (!fs.ReadWholeFile(where.name_path, name) ||
            name.size() >= sizeof c.app.current_file_name || name.find('\0') != std::string::npos) {
            name.clear();  // Save then asks for a name
        }
        ReadSettingsText(bytes, c.model);
        std::memcpy(c.app.current_file_name, name.c_str(), name.size() + 1);
        c.app.document_modified = 1;
    }
    DiscardRecovery(fs, where);
    return wanted;
}

}  // namespace tvx
