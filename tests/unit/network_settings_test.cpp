#include "dialogs/network_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runs/set_all_read_back.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using test::CoreFixture;

TEST(NetworkSettings, EachSetGoesOutBareWhateverTheSlaveAddress) {
    CoreFixture f;
    f.app.slave_address = 7;
    f.app.address_prefix_on = 1;  // left on by another dialog
    EXPECT_TRUE(SendNetworkAddress(f.ctx, NetworkAddress::Ip, {192, 168, 1, 3}));
    EXPECT_TRUE(SendNetworkAddress(f.ctx, NetworkAddress::Gateway, {10, 0, 0, 254}));
    EXPECT_TRUE(SendNetworkAddress(f.ctx, NetworkAddress::Active, {0, 0, 0, 0}));
    OnSubnetSelected(f.model, 1);
    SendSubnetClass(f.ctx);
    OnKeepAliveSelected(f.model, 1);
    SendKeepAlive(f.ctx);
    OnTimeRegisterSelected(f.model, 0);
    SendTimeRegister(f.ctx);
    EXPECT_TRUE(SendNetworkPort(f.ctx, "09004"));
    EXPECT_TRUE(SendNetworkPort(f.ctx, "80"));
    EXPECT_EQ(f.link.serial_writes,
              (std::vector<std::string>{"IA192.168.001.003\r\n", "GA010.000.000.254\r\n",
                                        "AA000.000.000.000\r\n", "SMB\r\n", "KAON\r\n", "TR1\r\n",
                                        "PN09004\r\n", "PN00080\r\n"}));
    EXPECT_EQ(f.model.net_ip_address[3], 3);
    EXPECT_STREQ(f.model.net_port_number, "80");
    EXPECT_TRUE(f.prompts.calls.empty());
}

TEST(NetworkSettings, RefusalsChangeNothingAndSendNothing) {
    CoreFixture f;
    f.model.net_gateway_address[0] = 172;
    EXPECT_FALSE(SendNetworkAddress(f.ctx, NetworkAddress::Gateway, {10, -1, 0, 1}));
    EXPECT_EQ(f.model.net_gateway_address[0], 172);
    for (const char* port : {"", "0", "65536", "9a04", "-1"}) {
        EXPECT_FALSE(SendNetworkPort(f.ctx, port)) << port;
    }
    EXPECT_STREQ(f.model.net_port_number, "09004");
    EXPECT_TRUE(f.link.serial_writes.empty());
    ASSERT_EQ(f.prompts.calls.size(), 6u);
    EXPECT_EQ(f.prompts.calls[0],
              "error(exclamation): Gateway Address に空欄があります。4つの数字をすべて入力して"
              "ください。");
    // List changes without a selection (CB_ERR) keep the model.
    EXPECT_FALSE(OnKeepAliveSelected(f.model, -1));
    EXPECT_FALSE(OnTimeRegisterSelected(f.model, 6));
    EXPECT_EQ(f.model.net_time_register, 5);
}

TEST(NetworkSettings, ListItemsKeepTheirBlanks) {
    EXPECT_EQ(KeepAliveItemText(0), "OFF ");
    EXPECT_EQ(KeepAliveItemText(1), "ON  ");
    EXPECT_EQ(SubnetItemText(2), "Class C");
    EXPECT_EQ(TimeRegisterItemText(5), "6");
    EXPECT_EQ(ListSelection(3, kSubnetItems), -1);
}

TEST(NetworkSettings, ReadAllOnceWithAnErrorReplyStoppingIt) {
    CoreFixture f;
    BulkRun run;
    ASSERT_TRUE(StartNetworkRead(f.ctx, run));
    EXPECT_FALSE(StartNetworkRead(f.ctx, run));  // a second press starts nothing
    OnNetworkReadTick(f.ctx, run);
    OnNetworkReadTick(f.ctx, run);
    OnNetworkReadTick(f.ctx, run);
    f.app.error_reply = 1;  // "E3" to RIA
    BulkTick t = OnNetworkReadTick(f.ctx, run);
    EXPECT_TRUE(t.ended && t.enable_close && t.stop_timer);
    EXPECT_FALSE(t.refresh || t.reset_progress);
    EXPECT_EQ(f.link.serial_writes, (std::vector<std::string>{"RAA\r\n", "RGA\r\n", "RIA\r\n"}));
    EXPECT_EQ(f.app.sequence_running, 0);
}

TEST(BulkTransfer, StartChecksConfirmationLinkAndRunningInThatOrder) {
    CoreFixture f;
    BulkRun run;
    f.prompts.yes_no_answers = {false};
    EXPECT_FALSE(StartBulkTransfer(f.ctx, BulkTransfer::SetAll, run, 0));
    f.app.interface_type = 1;  // TCP/IP, not connected
    f.prompts.yes_no_answers = {true};
    EXPECT_FALSE(StartBulkTransfer(f.ctx, BulkTransfer::ReadBack, run, 0));
    EXPECT_EQ(f.prompts.calls.back(), "error(exclamation): Socket が接続されていません");
    f.app.socket_connected = 1;
    f.prompts.yes_no_answers = {true, true};
    ASSERT_TRUE(StartBulkTransfer(f.ctx, BulkTransfer::ReadBack, run, 0));
    EXPECT_EQ(run.table.steps.size(), 174u);  // one tick more on TCP/IP
    EXPECT_EQ(f.app.sequence_running, 1);
    EXPECT_FALSE(StartBulkTransfer(f.ctx, BulkTransfer::ReadBack, run, 0));
    EXPECT_EQ(f.link.socket_frames.size(), 0u);
}

TEST(BulkTransfer, ReadBackStepsGoOutWithThePrefixAndThePercentText) {
    CoreFixture f;
    f.app.slave_address = 3;
    f.app.address_prefix_on = 1;
    BulkRun run;
    f.prompts.yes_no_answers = {true};
    ASSERT_TRUE(StartBulkTransfer(f.ctx, BulkTransfer::ReadBack, run, 0));
    std::string text;
    BulkTick t = OnBulkTransferTick(f.ctx, run);
    ASSERT_TRUE(BulkPercentText(t, text));
    EXPECT_EQ(text, "0");
    EXPECT_EQ(f.link.serial_writes, std::vector<std::string>{"03RAST01B\r\n"});
    BulkTick end;
    end.clear_percent = true;
    ASSERT_TRUE(BulkPercentText(end, text));
    EXPECT_EQ(text, "   ");
    EXPECT_FALSE(BulkPercentText(BulkTick{}, text));
}

}  // namespace
}  // namespace tvx
