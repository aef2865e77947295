// The prompts seam with the real Windows message boxes, beeps and common file dialogs.
#pragma once

#include <windows.h>

#include <string>

#include "model/seams.h"

namespace tvx {

// The program's message boxes and file dialogs.
Prompts& WindowsPrompts();

// The owner of a box or file dialog: the program's topmost enabled window, found from
// preferred (a dialog asking about its own data) when it is on screen, else from the dialog on
// screen (active_dialog), else from the main window, going up through the boxes and dialogs
// already open over it. Null before the main window exists.
HWND ProgramBoxOwner(WindowHandle preferred = 0);

// While it lives, boxes and file dialogs go over this window instead: a modeless window (the
// communication log) asking about its own action, which no dialog of the chain above owns.
struct BoxOwnerScope {
    explicit BoxOwnerScope(HWND window);
    ~BoxOwnerScope();
    BoxOwnerScope(const BoxOwnerScope&) = delete;
    BoxOwnerScope& operator=(const BoxOwnerScope&) = delete;
    HWND previous;
};

// The file name dialog of each kind: title, filters, options and, for the bitmap export, the
// title built from the glyph number. On entry path holds the initial file name (for the bitmap
// export "gm01.bmp" with the glyph's number; empty for the others); on success the chosen path.
struct FileDialogSetup {
    std::wstring title;
    std::wstring filter;  // pairs of display text and pattern, each ended by NUL, then a NUL
    DWORD flags = 0;
    bool save = false;
    std::wstring default_extension;  // "dat" for a save dialog's kind, empty for an open one
};
FileDialogSetup FileDialogSetupFor(FileDialogKind kind, const std::string& initial_name);

// The front panel's file name text: "File Name " when no file is open.
std::wstring FrontPanelFileNameText(const char* current_file_name);

}  // namespace tvx
