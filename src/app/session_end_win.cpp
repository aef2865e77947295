/*
 * The session end with unsaved titles or drawn glyphs.
 *
 * Windows asks the main window with WM_QUERYENDSESSION; the exit questions cannot be asked then
 * (a logoff, a shutdown or an update's restart goes on after a few seconds, also past a window
 * that holds it). So titles and glyphs go to recovery files in the user's local application
 * data, and the session may end; only when they cannot be written is the end held, with a
 * reason Windows shows. The next start offers the recovery back. An application asked to close
 * (the Restart Manager) is not ended by Windows: the program ends itself once the work is kept.
 * Runs on the user-interface thread; the files go through the program's file system seam.
 */
#include "app/session_end_win.h"

#include "app/main_window_win.h"

#include "glyphs/glyph_list.h"
#include "glyphs/glyph_window_win.h"
#include "winbase/file_system_win.h"
#include "winbase/program_win.h"
#include "winbase/text_win.h"

namespace tvx {

namespace {

bool g_end_held = false;

}  // namespace

RecoveryFiles ProgramRecoveryFiles() {
    const std::wstring folder = UserDataFolder();
    if (folder.empty()) return {};
    return {WideToUtf8(folder + L"\\recovery.dat"), WideToUtf8(folder + L"\\recovery-name.txt"),
            WideToUtf8(folder + L"\\recovery-glyphs.tlm"),
            WideToUtf8(folder + L"\\recovery-glyphs-name.txt")};
}

LRESULT OnQueryEndSession(HWND main) {
    CoreContext& c = ProgramContext();
    const GlyphState& g = ProgramGlyphState();
    if (c.app.document_modified == 0 && g.glyph_modified == 0) return TRUE;
    // The file system seam writes into existing folders only.
    CreateDirectoryW(UserDataFolder().c_str(), nullptr);
    const RecoveryFiles where = ProgramRecoveryFiles();
    FileSystem& fs = ProgramFileSystem();
    const bool titles_kept = !where.data_path.empty() && SaveRecovery(c, fs, where);
    const bool glyphs_kept = !where.glyph_path.empty() && SaveGlyphRecovery(c, g, fs, where);
    if (titles_kept && glyphs_kept) return TRUE;
    g_end_held = ShutdownBlockReasonCreate(
                     main, titles_kept ? L"保存されていない外字があります。"
                                       : L"保存されていないタイトルがあります。") != FALSE;
    return FALSE;
}

void OnEndSession(HWND main, bool ending, bool close_app) {
    if (ending) {
        if (close_app && !g_end_held) EndProgram(main);
        return;
    }
    const RecoveryFiles where = ProgramRecoveryFiles();
    if (!where.data_path.empty()) DiscardRecovery(ProgramFileSystem(), where);
    if (g_end_held) ShutdownBlockReasonDestroy(main);
    g_end_held = false;
}

void OfferSessionRecovery(HWND main) {
    const RecoveryFiles where = ProgramRecoveryFiles();
    if (where.data_path.empty()) return;
    RecoveredGlyphs glyphs;
    if (OfferRecovery(ProgramContext(), ProgramFileSystem(), where, &glyphs)) {
        TakeRecoveredGlyphs(ProgramContext(), ProgramGlyphState(), ProgramFileSystem(), where,
                            glyphs);
        if (main) InvalidateRect(main, nullptr, TRUE);
    }
}

}  // namespace tvx
