#include "model/recovery.h"

#include <cstring>

#include "model/settings_file.h"

namespace tvx {

namespace {

// A kept name that no longer fits or holds a zero byte is dropped: Save then asks for a name.
std::string ReadKeptName(FileSystem& fs, const std::string& path, std::size_t size) {
    std::string name;
    if (!fs.ReadWholeFile(path, name) || name.size() >= size ||
        name.find('\0') != std::string::npos) {
        name.clear();
    }
    return name;
}

}  // namespace

bool KeepForRecovery(FileSystem& fs, const std::string& data_path, const std::string& name_path,
                     std::string_view name, std::string_view text) {
    return fs.ReplaceFileContents(name_path, name) && fs.ReplaceFileContents(data_path, text);
}

bool SaveRecovery(const CoreContext& c, FileSystem& fs, const RecoveryFiles& where) {
    if (c.app.document_modified == 0) return true;
    const char* name = c.app.current_file_name;
    return KeepForRecovery(fs, where.data_path, where.name_path,
                           std::string_view(name, strnlen(name, sizeof c.app.current_file_name)),
                           WriteSettingsText(c.model));
}

void DiscardRecovery(FileSystem& fs, const RecoveryFiles& where) {
    for (const std::string* path :
         {&where.data_path, &where.name_path, &where.glyph_path, &where.glyph_name_path}) {
        if (!path->empty()) fs.RemoveFile(*path);
    }
}

bool OfferRecovery(CoreContext& c, FileSystem& fs, const RecoveryFiles& where,
                   RecoveredGlyphs* glyphs) {
    std::string bytes;
    const bool titles = fs.ReadWholeFile(where.data_path, bytes);
    std::string glyph_bytes;
    const bool drawn =
        glyphs && !where.glyph_path.empty() && fs.ReadWholeFile(where.glyph_path, glyph_bytes);
    if (!titles && !drawn) return false;
    const bool wanted = c.prompts.AskYesNo(kRecoveryQuestion, "TVX-5870");
    if (wanted && titles) {
        const std::string name = ReadKeptName(fs, where.name_path, sizeof c.app.current_file_name);
        ReadSettingsText(bytes, c.model);
        std::memcpy(c.app.current_file_name, name.c_str(), name.size() + 1);
        c.app.document_modified = 1;
    }
    if (wanted && drawn) {
        glyphs->present = true;
        glyphs->text = std::move(glyph_bytes);
        glyphs->name = ReadKeptName(fs, where.glyph_name_path, kPathBytes);
    }
    DiscardRecovery(fs, where);
    return wanted;
}

}  // namespace tvx
