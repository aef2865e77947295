#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/char_level.h"
#include "dialogs/frame.h"
#include "dialogs/slave_address.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using test::CoreFixture;
using Writes = std::vector<std::string>;

// The state a feature dialog leaves when it opens.
void OpenFeatureDialog(CoreFixture& f) {
    BeginDialogFrame(f.app, 0x200);
    SettleDialogFrame(f.app, 0x10, AddressPrefix::On);
}

TEST(CharLevel, ItemsAreTheFourDigitsAndTheDefaultsSelectOne) {
    CoreFixture f;
    EXPECT_EQ(LevelItemText(0), "0");
    EXPECT_EQ(LevelItemText(3), "3");
    EXPECT_EQ(LevelItemText(4), "");
    EXPECT_EQ(LevelSelection(f.model.white_level), 1);
    EXPECT_EQ(LevelSelection(f.model.edge_level), 1);
    EXPECT_EQ(LevelSelection(7), -1);  // a level from a damaged settings file selects nothing
}

TEST(CharLevel, SetSendsTheLevelBehindTheAddressPrefix) {
    CoreFixture f;
    OpenFeatureDialog(f);
    SendWhiteLevel(f.ctx);
    EXPECT_EQ(f.link.serial_writes, (Writes{"00CWL1\r\n"}));
    EXPECT_EQ(f.app.awaiting_reply, 1);
    f.app.slave_address = 12;
    ASSERT_TRUE(OnWhiteLevelSelected(f.model, 3));
    ASSERT_TRUE(OnEdgeLevelSelected(f.model, 0));
    SendEdgeLevel(f.ctx);
    SendWhiteLevel(f.ctx);
    EXPECT_EQ(f.link.serial_writes, (Writes{"00CWL1\r\n", "12CEL0\r\n", "12CWL3\r\n"}));
    EXPECT_TRUE(f.prompts.calls.empty());
}

TEST(CharLevel, ChoosingWithoutSetChangesTheModelOnlyAndTypedTextChangesNothing) {
    CoreFixture f;
    OpenFeatureDialog(f);
    ASSERT_TRUE(OnWhiteLevelSelected(f.model, 2));
    EXPECT_FALSE(OnEdgeLevelSelected(f.model, -1));  // text typed into the edit field
    EXPECT_FALSE(OnEdgeLevelSelected(f.model, 4));
    EXPECT_EQ(f.model.white_level, 2);
    EXPECT_EQ(f.model.edge_level, 1);
    EXPECT_EQ(f.app.document_modified, 0);
    EXPECT_TRUE(f.link.serial_writes.empty());
    SendEdgeLevel(f.ctx);
    EXPECT_EQ(f.link.serial_writes, (Writes{"00CEL1\r\n"}));
}

TEST(CharLevel, BroadcastGoesOutWithFfAndAwaitsNoReply) {
    CoreFixture f;
    OpenFeatureDialog(f);
    ASSERT_TRUE(OnSlaveAddressSelected(f.app, 32));
    SendEdgeLevel(f.ctx);
    EXPECT_EQ(f.link.serial_writes, (Writes{"FFCEL1\r\n"}));
    EXPECT_EQ(f.app.awaiting_reply, 0);
}

TEST(CharLevel, TcpIpWithoutAConnectionReportsItAndSendsNothing) {
    CoreFixture f;
    OpenFeatureDialog(f);
    f.app.interface_type = 1;
    SendWhiteLevel(f.ctx);
    EXPECT_TRUE(f.link.serial_writes.empty());
    EXPECT_TRUE(f.link.socket_frames.empty());
    EXPECT_EQ(f.prompts.calls,
              (std::vector<std::string>{"error(exclamation): Socket が接続されていません"}));
}

TEST(DeviceSlaveAddress, OpeningTurnsThePrefixOffAndSetSendsSaBare) {
    CoreFixture f;
    OpenFeatureDialog(f);
    f.app.slave_address = 5;
    OpenDeviceSlaveAddress(f.app, 0x300, 0x10);
    EXPECT_EQ(f.app.active_dialog, 0x300u);
    EXPECT_EQ(f.app.reply_owner_window, 0x10u);
    EXPECT_EQ(f.app.address_prefix_on, 0);
    SendDeviceSlaveAddress(f.ctx);
    EXPECT_EQ(f.link.serial_writes, (Writes{"SA05\r\n"}));
    EXPECT_EQ(f.app.awaiting_reply, 1);
}

TEST(DeviceSlaveAddress, BroadcastChosenElsewhereIsSentAs32AndAwaitsAReply) {
    CoreFixture f;
    f.app.slave_address = 32;
    OpenDeviceSlaveAddress(f.app, 0x300, 0x10);
    EXPECT_EQ(SlaveAddressSelection(f.app, kDeviceAddressItems), -1);
    SendDeviceSlaveAddress(f.ctx);
    EXPECT_EQ(f.link.serial_writes, (Writes{"SA32\r\n"}));
    EXPECT_EQ(f.app.awaiting_reply, 1);
}

TEST(DeviceSlaveAddress, GoesToTheComPortEvenWithTcpIpAndTheNextFeatureDialogRestoresThePrefix) {
    CoreFixture f;
    f.app.interface_type = 1;
    f.app.slave_address = 31;
    OpenDeviceSlaveAddress(f.app, 0x300, 0x10);
    SendDeviceSlaveAddress(f.ctx);
    EXPECT_EQ(f.link.serial_writes, (Writes{"SA31\r\n"}));
    EXPECT_TRUE(f.link.socket_frames.empty());
    EXPECT_EQ(f.app.address_prefix_on, 0);
    f.app.interface_type = 0;
    OpenFeatureDialog(f);
    SendWhiteLevel(f.ctx);
    EXPECT_EQ(f.link.serial_writes.back(), "31CWL1\r\n");
}

}  // namespace
}  // namespace tvx
