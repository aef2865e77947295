// The single-copy rule: the named mutex "TVX5870_Mutex" held by the running copy.
#pragma once

#include <windows.h>

namespace tvx {

// True when another copy holds the mutex: it can be opened, or it exists but may not be opened
// by this user (a first copy started as administrator). Otherwise creates it, not owned, into
// held (kept until the process ends) and returns false.
bool AnotherCopyRuns(const wchar_t* mutex_name, HANDLE& held);

}  // namespace tvx
