// The single-copy check. Runs once, on the user-interface thread, before the main window.
#include "winbase/single_instance_win.h"

namespace tvx {

bool AnotherCopyRuns(const wchar_t* mutex_name, HANDLE& held) {
    held = nullptr;
    // Only the existence matters, so ask for the least right: an elevated first copy's mutex
    // refuses a standard user more, and refuses every right with "access denied".
    HANDLE running = OpenMutexW(SYNCHRONIZE, FALSE, mutex_name);
    if (running) {
        CloseHandle(running);
        return true;
    }
    if (GetLastError() == ERROR_ACCESS_DENIED) return true;
    // Two copies started at the same moment both miss the open above; the second creator
    // learns it from the error code.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, mutex_name);
    if (!mutex) return GetLastError() == ERROR_ACCESS_DENIED;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return true;
    }
    held = mutex;
    return false;
}

}  // namespace tvx
