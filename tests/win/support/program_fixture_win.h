// A test fixture over the program's own objects (ProgramContext()): each test starts with the
// model at defaults, a fresh AppState and socket table, and recorders in place of the message
// boxes, the transports and the disk, so the real dialog procedures run in-process.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include "winbase/program_win.h"
#include "support/recorders.h"

namespace tvx::test {

class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    CoreContext& c = ProgramContext();
    RecordingPrompts prompts;
    RecordingLink link;
    MemoryFileSystem files;
};

// Removes every message already queued for this thread (WM_QUIT included); true when a
// WM_QUIT was among them.
bool DrainThreadMessages();

}  // namespace tvx::test
