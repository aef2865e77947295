// A USB serial adapter unplugged and plugged back, under Wine: the virtual null-modem (socat)
// and the simulator on its far end are ended by process id, which takes the program's pty
// away as an unplugged adapter takes its COM port, and then started again on the same names.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "winbase/program_win.h"
#include "link/send.h"
#include "link/serial_win.h"
#include "support/dialog_driver_win.h"
#include "support/program_fixture_win.h"
#include "tcp_support.h"

namespace tvx::test {
namespace {

class SerialLost : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        work_ = std::getenv("TVX_WORK_DIR") ? std::getenv("TVX_WORK_DIR") : "";
        c.app.com_port_index = 0;
        c.app.address_prefix_on = 1;
        SetProgramLink(nullptr);  // the real port
    }
    void TearDown() override {
        StopSerialReadThread();
        CloseSerialPort();
        ProgramTest::TearDown();
    }
    int Count(const std::string& call) const {
        return static_cast<int>(std::count(prompts.calls.begin(), prompts.calls.end(), call));
    }
    bool RxSeen(const SimProcess& sim, const std::string& frame) const {
        for (const SimLogEntry& e : sim.Log())
            if (e.direction == "rx" && e.bytes == frame) return true;
        return false;
    }
    std::string work_;
};

TEST_F(SerialLost, UnpluggedAdapterIsReportedOnceAndPluggingItBackIsEnough) {
    ASSERT_FALSE(work_.empty());
    ASSERT_TRUE(OpenSerialPort(c)) << ::testing::PrintToString(prompts.calls);
    ASSERT_TRUE(StartSerialReadThread(LinkWindow(), MSG_SERIAL_LINE));
    const std::string ack = "ack(owner=0)";
    SendCommand(c, "CWL1\r\n");
    ASSERT_TRUE(PumpUntil([&] { return Count(ack) == 1; }, 5000));

    // Unplugged.
    ASSERT_TRUE(RunShell("kill $(cat '" + work_ + "/socat.pid') $(cat '" + work_ + "/sim.pid')"));
    const std::string lost = "error(exclamation): " + SerialPortLostText(0);
    EXPECT_NE(lost.find("COM1 "), std::string::npos);
    ASSERT_TRUE(PumpUntil([&] { return Count(lost) == 1; }, 10000))
        << ::testing::PrintToString(prompts.calls);
    // Sends meanwhile neither hang nor tell it again.
    const DWORD start = GetTickCount();
    SendCommand(c, "CWL2\r\n");
    SendCommand(c, "CWL3\r\n");
    EXPECT_LT(GetTickCount() - start, 1500u);
    PumpMessages(1500);

    // Plugged back in: the null-modem and the device on the same names, once the old
    // null-modem has gone (it removes its names as it ends).
    const std::string plugged = work_ + "/plugged";
    ASSERT_TRUE(RunShell("while kill -0 $(cat '" + work_ +
                         "/socat.pid') 2>/dev/null; do sleep 0.1; done; "
                         "socat pty,raw,echo=0,ignoreeof,link='" +
                         work_ + "/ptyA' pty,raw,echo=0,ignoreeof,link='" + work_ +
                         "/ptyB' >/dev/null 2>&1 & echo $! >> '" + work_ +
                         "/extra.pids'; "
                         "while [ ! -e '" +
                         work_ + "/ptyB' ]; do sleep 0.1; done; touch '" + plugged + "'"));
    ASSERT_TRUE(PumpUntil(
        [&] { return GetFileAttributesW(WinPathOf(plugged).c_str()) != INVALID_FILE_ATTRIBUTES; },
        10000));
    SimProcess sim;
    ASSERT_TRUE(sim.Start("--serial '" + work_ + "/ptyB'"));
    // The next send finds the port again (or the reader already has).
    ASSERT_TRUE(PumpUntil(
        [&] {
            SendCommand(c, "CEL2\r\n");
            return PumpUntil([&] { return Count(ack) == 2; }, 1000);
        },
        15000))
        << ::testing::PrintToString(prompts.calls);
    EXPECT_TRUE(RxSeen(sim, "00CEL2\r\n"));
    PumpMessages(500);
    EXPECT_EQ(Count(lost), 1) << ::testing::PrintToString(prompts.calls);
}

}  // namespace
}  // namespace tvx::test
