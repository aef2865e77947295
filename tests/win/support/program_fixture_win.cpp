// The program fixture: resets the program's objects and swaps the seams for recorders.
#include "support/program_fixture_win.h"

#include "model/socket_state.h"
#include "model/settings_model.h"

namespace tvx::test {

void ProgramTest::SetUp() {
    c.app = AppState{};
    c.sockets = SocketLinkState{};
    ResetClientSlots(c.sockets);
    ResetToDefaults(c.model, c.app);
    SetProgramPrompts(&prompts);
    SetProgramLink(&link);
    SetProgramFileSystem(&files);
    DrainThreadMessages();
}

void ProgramTest::TearDown() {
    SetProgramPrompts(nullptr);
    SetProgramLink(nullptr);
    SetProgramFileSystem(nullptr);
    DrainThreadMessages();
}

bool DrainThreadMessages() {
    bool quit = false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return quit;
}

}  // namespace tvx::test
