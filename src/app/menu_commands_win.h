// The main menu's command table: which command id opens which dialog or runs which command.
#pragma once

#include <windows.h>

namespace tvx {

// Runs the menu command; unknown ids are ignored. Dialogs open modal, owned by main.
void RunMenuCommand(HWND main, int command_id);

}  // namespace tvx
