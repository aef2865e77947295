// Unsaved titles at the end of a Windows session (logoff, shutdown, an update's restart). The
// exit question cannot be asked then, and a blocked session end can still be forced, so the
// whole settings file is kept in a recovery file, with the name of the file it belongs to, and
// the next start offers it back. Whatever ends the session, nothing is lost.
#pragma once

#include <string>
#include <string_view>

#include "model/context.h"
#include "model/seams.h"

namespace tvx {

struct RecoveryFiles {
    std::string data_path;  // the settings, in the settings file's form
    std::string name_path;  // current_file_name they belong to (UTF-8), empty when none
};

inline constexpr std::string_view kRecoveryQuestion =
    "前回の終了時に保存されていなかったデータがあります。\n読み込みますか？";

// The session ends. With unsaved titles the recovery is written; true when nothing is at risk
// (no unsaved titles, or the recovery was written).
bool SaveRecovery(const CoreContext& c, FileSystem& fs, const RecoveryFiles& where);
// The session end was called off: the program runs on with its titles, the recovery goes.
void DiscardRecovery(FileSystem& fs, const RecoveryFiles& where);
// At start: when a recovery is there, asks kRecoveryQuestion (caption "TVX-5870"). Yes loads it
// as the document, its titles still unsaved and its file name back; either answer removes it.
// True when it was loaded.
bool OfferRecovery(CoreContext& c, FileSystem& fs, const RecoveryFiles& where);

}  // namespace tvx
