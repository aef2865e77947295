/*
 * The session end with unsaved titles.
 *
 * Windows asks the main window with WM_QUERYENDSESSION; the exit question cannot be asked then
 * (a logoff, a shutdown or an update's restart goes on after a few seconds, also past a window
 * that holds it). So the titles go to a recovery file in the user's local application data,
 * and the session may end; only when that file cannot be written is the end held, with a reason
 * Windows shows. The next start offers the recovery back. Runs on the user-interface thread;
 * the files go through the program's file system seam.
 */
#include "app/session_end_win.h"

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
    return {WideToUtf8(folder + L"\\recovery.dat"), WideToUtf8(folder + L"\\recovery-name.txt")};
}

LRESULT OnQueryEndSession(HWND main) {
    if (ProgramContext().app.document_modified == 0) return TRUE;
    // The file system seam writes into existing folders only.
    CreateDirectoryW(UserDataFolder().c_str(), nullptr);
    const RecoveryFiles where = ProgramRecoveryFiles();
    if (!where.data_path.empty() && SaveRecovery(ProgramContext(), ProgramFileSystem(), where)) {
        return TRUE;
    }
    g_end_held = ShutdownBlockReasonCreate(main, L"保存されていないタイトルがあります。") != FALSE;
    return FALSE;
}

void OnEndSession(HWND main, bool ending) {
    if (ending) return;
    const RecoveryFiles where = ProgramRecoveryFiles();
    if (!where.data_path.empty()) DiscardRecovery(ProgramFileSystem(), where);
    if (g_end_held) ShutdownBlockReasonDestroy(main);
    g_end_held = false;
}

void OfferSessionRecovery(HWND main) {
    const RecoveryFiles where = ProgramRecoveryFiles();
    if (where.data_path.empty()) return;
    if (OfferRecovery(ProgramContext(), ProgramFileSystem(), where) && main) {
        InvalidateRect(main, nullptr, TRUE);
    }
}

}  // namespace tvx
