// The rules of the external character list "外字一覧（中文字）": 16 glyphs a page, the glyph
// file (".tlm") and the bitmap export of one cell; the bulk runs that register or read glyphs
// 1..64 on timer 14 are runs/glyph_runs.h. Each operation returns what the window must do; the Win32 side draws,
// steps the progress bar and arms the timer.
#pragma once

#include <string>
#include <string_view>

#include "glyphs/glyph_files.h"
#include "model/glyph_state.h"
#include "model/context.h"
#include "model/recovery.h"
#include "model/seams.h"
#include "runs/glyph_runs.h"

namespace tvx {

constexpr int kGlyphListPages = 4;

// "No. 1～16" .. "No.49～64" at index 0..3; empty outside.
std::string GlyphPageItemText(int index);
// The number box of glyph index g: "No." and g + 1 in decimal ("No.1" .. "No.64").
std::string GlyphNumberText(int glyph_index);
// The glyph shown in cell (0..15) of the page.
int GlyphOfCell(const GlyphState& g, int cell);

// Opening: the edit buffer is all "0" (580 bytes).
void ResetReceiveBuffer(SettingsModel& model);
// The slave address combo is usable only with RS-232C and the address prefix on.
bool GlyphListAddressEnabled(const AppState& app);
// Page list selection change; the cells are drawn at once. False for a missing selection.
bool OnGlyphPageSelected(GlyphState& g, int index);

// "バッファクリア": asks (owned by the list) when a glyph was modified, then sets all 160 slots
// to "0" and forgets the glyph file. True when the cells must be drawn.
bool ClearAllGlyphs(CoreContext& c, GlyphState& g, WindowHandle list);
// "開く": asks first when glyphs were drawn since the last file (glyph_modified); a file that is
// no glyph file is refused with a box naming it and why, glyphs and file name unchanged. True
// when the cells must be drawn.
bool OpenGlyphFile(CoreContext& c, GlyphState& g, FileSystem& fs);
// "保存" and "名前をつけて保存"; true when the file was written (the drawings are then saved,
// and the glyphs a session end kept go).
bool SaveGlyphFile(CoreContext& c, GlyphState& g, FileSystem& fs);
bool SaveGlyphFileAs(CoreContext& c, GlyphState& g, FileSystem& fs);
// The exit procedure, after the titles: with glyphs drawn since the last glyph file, asks
// kExitWithoutGlyphsText; No saves them (to the glyph file, or to one the user names). False
// when the program must stay open (not saved).
inline constexpr std::string_view kExitWithoutGlyphsText = "外字を保存せずに終了しますか？";
bool MayExitWithGlyphs(CoreContext& c, GlyphState& g, FileSystem& fs);
// The session end, beside the titles' recovery: glyphs drawn since the last glyph file are kept
// with that file's name. True when nothing is at risk (none drawn, or they were kept).
bool SaveGlyphRecovery(const CoreContext& c, const GlyphState& g, FileSystem& fs,
                       const RecoveryFiles& where);
// The next start, after "Yes" to the recovery: the kept glyphs and their file name come back,
// still unsaved, and their recovery files go. Kept text that is no whole glyph file changes
// nothing: it is set aside under SetAsidePath (so that the next start does not offer it again)
// and a box says so, naming that file and what is wrong with it. True when taken.
inline constexpr std::string_view kGlyphRecoveryFailedText =
    "前回の終了時に保存されていなかった外字は、壊れているため戻せませんでした。"
    "ファイルは残してあります。";
bool TakeRecoveredGlyphs(CoreContext& c, GlyphState& g, FileSystem& fs, const RecoveryFiles& where,
                         const RecoveredGlyphs& kept);

// A left double click at (x, y) of the client area: the glyph index the editor opens on (now in
// current_glyph_index), or -1 when no cell is hit or a bulk run is active.
int ChooseGlyphForEditor(AppState& app, const GlyphState& g, int x, int y);
// A right double click: the cell (0..15) to export, or -1.
int CellForExport(int x, int y);
// The export file name offered for glyph number (1-based): "gm27.bmp".
std::string BitmapExportName(int glyph_number);
// Writes a bitmap taken of a cell: nothing while a glyph read waits for its reply or when the
// user cancels; ".bmp" is appended by the usual rule. A file that cannot be written shows "Can't
// file open" (stop icon). True when the file was written.
bool ExportGlyphBitmap(CoreContext& c, GlyphState& g, FileSystem& fs, int glyph_number,
                       std::string_view bitmap_file);

// A paint of the list: the cells are drawn at the next tick. Returns the delay to arm timer 14
// with, or 0 during a bulk run, whose period stays.
int OnGlyphListPaint(AppState& app);

// "Close": ends any run; current_glyph_index keeps its value.
void CloseGlyphList(AppState& app);

}  // namespace tvx
