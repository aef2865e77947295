// Unsaved titles at the end of a Windows session (logoff, shutdown, an update's restart). The
// exit question cannot be asked then, and a blocked session end can still be forced, so the
// whole settings file is kept in a recovery file, with the name of the file it belongs to, and
// the next start offers it back. Whatever ends the session, nothing is lost. Drawn glyphs are
// kept the same way beside them (glyphs/glyph_list.h writes and takes them back); one question
// offers both.
//
// A recovery only ever holds work newer than its file: it goes as soon as that work is saved
// (FileSave, SaveGlyphFile) or the program ends normally, and one older than the file it names
// is offered only with a word saying so.
#pragma once

#include <string>
#include <string_view>

#include "model/context.h"
#include "model/seams.h"

namespace tvx {

struct RecoveryFiles {
    std::string data_path;        // the settings, in the settings file's form
    std::string name_path;        // current_file_name they belong to (UTF-8), empty when none
    std::string glyph_path;       // the drawn glyphs, in the glyph file's form
    std::string glyph_name_path;  // the glyph file they belong to (UTF-8), empty when none
};

// What a recovery held of the glyphs, for the glyph side to take.
struct RecoveredGlyphs {
    bool present = false;
    std::string text;  // the glyph file's text
    std::string name;  // the glyph file's name, empty when none
};

inline constexpr std::string_view kRecoveryQuestion =
    "前回の終了時に保存されていなかったデータがあります。\n読み込みますか？";
// Put into the question, before the files it names, when a file was written after the
// recovery: loading the recovery and saving would put older work over it.
inline constexpr std::string_view kRecoveryOlderText =
    "ただし、次のファイルはこのデータより後に保存されています。読み込んで保存すると、"
    "ファイルの新しい内容は失われます。";

// The session ends. With unsaved titles the recovery is written; true when nothing is at risk
// (no unsaved titles, or the recovery was written).
bool SaveRecovery(const CoreContext& c, FileSystem& fs, const RecoveryFiles& where);
// Writes one kept document and the name of its file, the name first: the document is what
// makes a recovery.
bool KeepForRecovery(FileSystem& fs, const std::string& data_path, const std::string& name_path,
                     std::string_view name, std::string_view text);
// The titles' part or the glyphs' part goes: its work was saved.
void DiscardTitleRecovery(FileSystem& fs, const RecoveryFiles& where);
void DiscardGlyphRecovery(FileSystem& fs, const RecoveryFiles& where);
// The whole recovery goes: the session end was called off, or the program ends normally (the
// exit questions have dealt with every unsaved change).
void DiscardRecovery(FileSystem& fs, const RecoveryFiles& where);
// At start: when a recovery is there (titles, glyphs or both), asks kRecoveryQuestion once
// (caption "TVX-5870"), with kRecoveryOlderText and the files' names put in when a file it
// belongs to was written after it. Yes loads the titles as the document, still unsaved and
// with their file name back, and hands the glyphs' part to `glyphs` when one is asked for;
// the glyphs' files then stay until the glyph side has taken them (TakeRecoveredGlyphs). No
// removes the recovery. True when it was loaded.
bool OfferRecovery(CoreContext& c, FileSystem& fs, const RecoveryFiles& where,
                   RecoveredGlyphs* glyphs = nullptr);
// Where kept glyphs that cannot be restored are set aside, out of the way of the next offer:
// "recovery-glyphs.tlm" becomes "recovery-glyphs-damaged.tlm".
std::string SetAsidePath(const std::string& path);

}  // namespace tvx
