#include "model/recovery.h"

#include <cstdint>
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

void RemoveIfNamed(FileSystem& fs, const std::string& path) {
    if (!path.empty()) fs.RemoveFile(path);
}

// True when the file a recovery belongs to was written after the recovery.
bool WrittenSince(FileSystem& fs, const std::string& named, const std::string& kept) {
    std::int64_t named_time = 0, kept_time = 0;
    return !named.empty() && fs.FileWriteTime(named, named_time) &&
           fs.FileWriteTime(kept, kept_time) && named_time > kept_time;
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

void DiscardTitleRecovery(FileSystem& fs, const RecoveryFiles& where) {
    RemoveIfNamed(fs, where.data_path);
    RemoveIfNamed(fs, where.name_path);
}

void DiscardGlyphRecovery(FileSystem& fs, const RecoveryFiles& where) {
    RemoveIfNamed(fs, where.glyph_path);
    RemoveIfNamed(fs, where.glyph_name_path);
}

void DiscardRecovery(FileSystem& fs, const RecoveryFiles& where) {
    DiscardTitleRecovery(fs, where);
    DiscardGlyphRecovery(fs, where);
}

bool OfferRecovery(CoreContext& c, FileSystem& fs, const RecoveryFiles& where,
                   RecoveredGlyphs* glyphs) {
    std::string bytes;
    const bool titles = fs.ReadWholeFile(where.data_path, bytes);
    std::string glyph_bytes;
    const bool drawn =
        glyphs && !where.glyph_path.empty() && fs.ReadWholeFile(where.glyph_path, glyph_bytes);
    if (!titles && !drawn) return false;
    const std::string name =
        titles ? ReadKeptName(fs, where.name_path, sizeof c.app.current_file_name) : "";
    const std::string glyph_name = drawn ? ReadKeptName(fs, where.glyph_name_path, kPathBytes) : "";
    std::string newer;
    if (titles && WrittenSince(fs, name, where.data_path)) newer += "\n" + name;
    if (drawn && WrittenSince(fs, glyph_name, where.glyph_path)) newer += "\n" + glyph_name;
    std::string question(kRecoveryQuestion);
    if (!newer.empty())
        question.insert(question.find('\n'), "\n" + std::string(kRecoveryOlderText) + newer);
    const bool wanted = c.prompts.AskYesNo(question, "TVX-5870");
    if (wanted && titles) {
        ReadSettingsText(bytes, c.model);
        std::memcpy(c.app.current_file_name, name.c_str(), name.size() + 1);
        c.app.document_modified = 1;
    }
    DiscardTitleRecovery(fs, where);
    if (wanted && drawn) {
        glyphs->present = true;
        glyphs->text = std::move(glyph_bytes);
        glyphs->name = glyph_name;
    } else {
        DiscardGlyphRecovery(fs, where);
    }
    return wanted;
}

std::string SetAsidePath(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t separator = path.find_last_of("\\/");
    const std::size_t at =
        dot != std::string::npos && (separator == std::string::npos || dot > separator)
            ? dot
            : path.size();
    return path.substr(0, at) + "-damaged" + path.substr(at);
}

}  // namespace tvx
