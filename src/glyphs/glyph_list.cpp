#include "glyphs/glyph_list.h"

#include <cstring>

#include "dialogs/frame.h"
#include "glyphs/glyph_editor.h"
#include "glyphs/glyph_files.h"
#include "glyphs/glyph_pattern.h"
#include "model/file_commands.h"
#include "protocol/encodings.h"

namespace tvx {

namespace {

constexpr std::string_view kPageLabels[kGlyphListPages] = {
    "No. 1～16",
    "No.17～32",
    "No.33～48",
    "No.49～64",
};

constexpr std::string_view kGlyphFileCaption = "TVX-5870";

PathField GlyphFilePath(GlyphState& g) {
    return {g.glyph_file_name, sizeof g.glyph_file_name};
}

// The file buttons: nothing during a run or while a glyph read waits for its reply.
bool FileCommandAllowed(const AppState& app) {
    return !GlyphBulkRunActive(app) && app.glyph_read_pending == 0;
}

}  // namespace

std::string GlyphPageItemText(int index) {
    if (index < 0 || index >= kGlyphListPages) return {};
    return std::string(kPageLabels[index]);
}

std::string GlyphNumberText(int glyph_index) {
    return "No." + std::to_string(glyph_index + 1);
}

int GlyphOfCell(const GlyphState& g, int cell) {
    return kListCells * g.glyph_list_page + cell;
}

void ResetReceiveBuffer(SettingsModel& model) {
    std::memset(model.glyph_receive_buffer, '0', sizeof model.glyph_receive_buffer);
}

bool GlyphListAddressEnabled(const AppState& app) {
    return app.address_prefix_on == 1 && app.interface_type == 0;
}

bool OnGlyphPageSelected(GlyphState& g, int index) {
    if (index < 0 || index >= kGlyphListPages) return false;
    g.glyph_list_page = index;
    return true;
}

bool ClearAllGlyphs(CoreContext& c, GlyphState& g, WindowHandle list) {
    if (!FileCommandAllowed(c.app)) return false;
    const bool asked = g.glyph_modified == 1;
    if (asked && !c.prompts.AskYesNo(kNewGlyphQuestionText, kNewGlyphCaptionText, list)) {
        return false;
    }
    std::memset(c.model.glyph_pattern, '0', sizeof c.model.glyph_pattern);
    g.glyph_file_name[0] = '\0';
    if (asked) g.glyph_modified = 0;
    return true;
}

bool OpenGlyphFile(CoreContext& c, GlyphState& g, FileSystem& fs) {
    if (!FileCommandAllowed(c.app) || c.app.sequence_running != 0) return false;
    // The glyph file replaces the glyphs, not the titles: the question is about the drawings.
    if (g.glyph_modified == 1 && !c.prompts.AskYesNo(kAskOpenText, kGlyphFileCaption)) {
        return false;
    }
    std::string bytes;
    char chosen[kPathBytes] = {};
    if (!OpenChosenFile(c, fs, FileDialogKind::OpenGlyphs, {chosen, sizeof chosen}, bytes)) {
        return false;
    }
    // A file taken through "すべて(*.*)" that is no glyph file leaves glyphs and name alone:
    // "登録" would otherwise send its bytes to the device.
    GlyphFileProblem problem;
    if (FindGlyphFileProblem(bytes, problem)) {
        c.prompts.ShowErrorBox(GlyphFileProblemText(chosen, problem), BoxIcon::Exclamation);
        return false;
    }
    std::memcpy(g.glyph_file_name, chosen, sizeof chosen);
    ReadGlyphFile(bytes, c.model);
    g.glyph_modified = 0;
    return true;
}

namespace {

// What every save of the glyph file does once the file is written: the glyphs a session end
// kept are older now.
bool GlyphsSaved(CoreContext& c, GlyphState& g, FileSystem& fs) {
    g.glyph_modified = 0;
    if (c.recovery) DiscardGlyphRecovery(fs, *c.recovery);
    return true;
}

}  // namespace

bool SaveGlyphFile(CoreContext& c, GlyphState& g, FileSystem& fs) {
    return FileCommandAllowed(c.app) &&
           SaveToNamedFile(c, fs, GlyphFilePath(g), GlyphFileText(c.model), BoxIcon::Stop) &&
           GlyphsSaved(c, g, fs);
}

bool SaveGlyphFileAs(CoreContext& c, GlyphState& g, FileSystem& fs) {
    return FileCommandAllowed(c.app) &&
           SaveToChosenFile(c, fs, FileDialogKind::SaveGlyphs, GlyphFilePath(g),
                            GlyphFileText(c.model), BoxIcon::Stop) &&
           GlyphsSaved(c, g, fs);
}

bool MayExitWithGlyphs(CoreContext& c, GlyphState& g, FileSystem& fs) {
    if (g.glyph_modified == 0) return true;
    if (c.prompts.AskYesNo(kExitWithoutGlyphsText, kGlyphFileCaption)) return true;
    // The user wants the drawings kept: stay open when they could not be saved.
    return g.glyph_file_name[0] != '\0' ? SaveGlyphFile(c, g, fs) : SaveGlyphFileAs(c, g, fs);
}

bool SaveGlyphRecovery(const CoreContext& c, const GlyphState& g, FileSystem& fs,
                       const RecoveryFiles& where) {
    if (g.glyph_modified == 0) return true;
    return KeepForRecovery(
        fs, where.glyph_path, where.glyph_name_path,
        std::string_view(g.glyph_file_name, strnlen(g.glyph_file_name, sizeof g.glyph_file_name)),
        GlyphFileText(c.model));
}

bool TakeRecoveredGlyphs(CoreContext& c, GlyphState& g, FileSystem& fs, const RecoveryFiles& where,
                         const RecoveredGlyphs& kept) {
    if (!kept.present) return false;
    GlyphFileProblem problem;
    if (FindGlyphFileProblem(kept.text, problem)) {
        // Kept, but out of the way of the next start's offer.
        std::string aside = SetAsidePath(where.glyph_path);
        if (fs.ReplaceFileContents(aside, kept.text)) {
            DiscardGlyphRecovery(fs, where);
        } else {
            aside = where.glyph_path;
        }
        c.prompts.ShowErrorBox(
            std::string(kGlyphRecoveryFailedText) + "\n" + GlyphFileProblemText(aside, problem),
            BoxIcon::Exclamation);
        return false;
    }
    ReadGlyphFile(kept.text, c.model);
    const bool named = kept.name.size() < sizeof g.glyph_file_name;
    std::memcpy(g.glyph_file_name, kept.name.c_str(), named ? kept.name.size() + 1 : 1);
    g.glyph_modified = 1;
    DiscardGlyphRecovery(fs, where);
    return true;
}

int ChooseGlyphForEditor(AppState& app, const GlyphState& g, int x, int y) {
    if (GlyphBulkRunActive(app)) return -1;
    const int cell = GlyphListCellAt(x, y);
    if (cell < 0) return -1;
    app.current_glyph_index = GlyphOfCell(g, cell);
    return app.current_glyph_index;
}

int CellForExport(int x, int y) {
    return GlyphListCellAt(x, y);
}

std::string BitmapExportName(int glyph_number) {
    char digits[2];
    FormatTwoDigits(glyph_number, digits);
    return "gm" + std::string(digits, 2) + ".bmp";
}

bool ExportGlyphBitmap(CoreContext& c, GlyphState& g, FileSystem& fs, int glyph_number,
                       std::string_view bitmap_file) {
    if (c.app.glyph_read_pending == 1) return false;
    return SaveToChosenFile(c, fs, FileDialogKind::SaveBitmap,
                            {g.bmp_export_path, sizeof g.bmp_export_path}, bitmap_file,
                            BoxIcon::Stop, BitmapExportName(glyph_number));
}

int OnGlyphListPaint(AppState& app) {
    app.preview_redraw_pending = 1;
    return GlyphBulkRunActive(app) ? 0 : 20;
}

void CloseGlyphList(AppState& app) {
    app.glyph_read_pending = 0;
    app.glyph_bulk_read_running = 0;
    // A read run closed after its last answer but before its last tick stands past glyph 64;
    // the editor and the insertion dialog know register numbers 01..64 only.
    if (app.current_glyph_index < 0 || app.current_glyph_index >= kBulkGlyphs)
        app.current_glyph_index = 0;
}

}  // namespace tvx
