#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dialogs/connection.h"
#include "link/socket_events.h"
#include "support/recorders.h"

namespace tvx {
namespace {

using test::CoreFixture;
using test::MemoryIniStore;
using Writes = std::vector<std::string>;

TEST(ConnectionChoices, InterfaceAndRoleListsAreLockedWhileConnected) {
    AppState app;
    app.interface_type = 1;
    app.tcp_role = 1;
    EXPECT_TRUE(InterfaceChoice(app).enabled);
    EXPECT_EQ(InterfaceChoice(app).selection, 1);
    EXPECT_EQ(RoleChoice(app).selection, 1);
    app.socket_connected = 1;
    EXPECT_FALSE(InterfaceChoice(app).enabled);
    EXPECT_EQ(InterfaceChoice(app).selection, -1);
    EXPECT_FALSE(RoleChoice(app).enabled);
    EXPECT_EQ(RoleChoice(app).selection, -1);
    // The COM port list has no such lock.
    app.com_port_index = 4;
    EXPECT_TRUE(ComPortChoice(app).enabled);
    EXPECT_EQ(ComPortChoice(app).selection, 4);
}

TEST(ConnectionChoices, EachPickWritesItsKeyAtOnce) {
    AppState app;
    MemoryIniStore ini;
    ASSERT_TRUE(OnInterfacePicked(app, ini, 1));
    EXPECT_EQ(app.interface_type, 1);
    ASSERT_TRUE(OnRolePicked(app, ini, 1));
    EXPECT_EQ(app.tcp_role, 1);
    ASSERT_TRUE(OnComPortConfirmed(app, ini, 2));  // "COM 3"
    EXPECT_EQ(app.com_port_index, 2);
    EXPECT_EQ(ini.writes, (Writes{"Interface=1", "ClientServer=1", "com_port=2"}));
    EXPECT_EQ(ini.values["TVX-5870_Section/com_port"], "2");
}

TEST(ConnectionChoices, NoSelectionChangesNothing) {
    AppState app;
    app.interface_type = 1;
    app.com_port_index = 3;
    MemoryIniStore ini;
    EXPECT_FALSE(OnInterfacePicked(app, ini, -1));
    EXPECT_FALSE(OnRolePicked(app, ini, 2));
    EXPECT_FALSE(OnComPortConfirmed(app, ini, -1));
    EXPECT_FALSE(OnComPortConfirmed(app, ini, 6));
    EXPECT_EQ(app.interface_type, 1);
    EXPECT_EQ(app.com_port_index, 3);
    EXPECT_TRUE(ini.writes.empty());
}

TEST(ClientDialog, ButtonsFollowTheConnection) {
    AppState app;
    EXPECT_TRUE(ClientButtonsFor(app).connect_enabled);
    EXPECT_FALSE(ClientButtonsFor(app).disconnect_enabled);
    EXPECT_FALSE(ClientDisconnectAllowed(app));
    app.socket_connected = 1;
    EXPECT_FALSE(ClientButtonsFor(app).connect_enabled);
    EXPECT_TRUE(ClientButtonsFor(app).disconnect_enabled);
    EXPECT_TRUE(ClientDisconnectAllowed(app));
}

TEST(ClientDialog, AddWritesTheCountAndTheNewEntryAndGivesTheListLine) {
    CoreFixture f;
    MemoryIniStore ini;
    const unsigned char a[4] = {192, 168, 1, 3};
    std::string line;
    ASSERT_TRUE(OnAddHostPressed(f.ctx, ini, a, line));
    EXPECT_EQ(line, "192 .168 .001 .003");
    const unsigned char b[4] = {10, 0, 0, 7};
    ASSERT_TRUE(OnAddHostPressed(f.ctx, ini, b, line));
    EXPECT_EQ(line, "010 .000 .000 .007");
    EXPECT_EQ(ini.writes,
              (Writes{"list_count=1", "ip00_0=192", "ip00_1=168", "ip00_2=1", "ip00_3=3",
                      "list_count=2", "ip01_0=10", "ip01_1=0", "ip01_2=0", "ip01_3=7"}));
    EXPECT_TRUE(f.prompts.calls.empty());
}

TEST(ClientDialog, TheHundredAndFirstHostIsRefusedWithAMessage) {
    CoreFixture f;
    MemoryIniStore ini;
    std::string line;
    for (int i = 0; i < 100; ++i) {
        const unsigned char a[4] = {10, 0, 0, static_cast<unsigned char>(i)};
        ASSERT_TRUE(OnAddHostPressed(f.ctx, ini, a, line)) << i;
    }
    ini.writes.clear();
    line = "untouched";
    const unsigned char extra[4] = {10, 0, 1, 0};
    EXPECT_FALSE(OnAddHostPressed(f.ctx, ini, extra, line));
    EXPECT_EQ(line, "untouched");
    EXPECT_EQ(f.app.host_list_count, 100);
    EXPECT_TRUE(ini.writes.empty());
    ASSERT_EQ(f.prompts.calls.size(), 1u);
    EXPECT_EQ(f.prompts.calls[0], "error(exclamation): " + std::string(kHostListFullText));
}

TEST(ClientDialog, DeletingTheFirstOfThreeRewritesTheOthersAsEntriesZeroAndOne) {
    CoreFixture f;
    MemoryIniStore ini;
    std::string line;
    const unsigned char hosts[3][4] = {{1, 1, 1, 1}, {2, 2, 2, 2}, {3, 3, 3, 3}};
    for (auto& h : hosts) ASSERT_TRUE(OnAddHostPressed(f.ctx, ini, h, line));
    f.app.selected_connection = 2;
    ini.writes.clear();
    ASSERT_TRUE(OnDeleteHostPressed(f.app, ini, 0));
    EXPECT_EQ(ini.writes, (Writes{"list_count=2", "ip00_0=2", "ip00_1=2", "ip00_2=2", "ip00_3=2",
                                  "ip01_0=3", "ip01_1=3", "ip01_2=3", "ip01_3=3"}));
    EXPECT_EQ(ini.values["TVX-5870_Section/ip02_0"], "3");  // the old last entry stays
    EXPECT_EQ(f.app.host_list_count, 2);
    EXPECT_EQ(f.app.selected_connection, 2);  // not changed by a delete
    // No selection, or an empty list: nothing.
    ini.writes.clear();
    EXPECT_FALSE(OnDeleteHostPressed(f.app, ini, -1));
    EXPECT_FALSE(OnDeleteHostPressed(f.app, ini, 2));
    EXPECT_TRUE(ini.writes.empty());
}

TEST(ClientDialog, DoubleClickSelectsTheHostAndWritesSelectNumber) {
    CoreFixture f;
    MemoryIniStore ini;
    std::string line;
    const unsigned char a[4] = {1, 2, 3, 4};
    OnAddHostPressed(f.ctx, ini, a, line);
    OnAddHostPressed(f.ctx, ini, a, line);
    ini.writes.clear();
    ASSERT_TRUE(OnHostDoubleClicked(f.app, ini, 1));
    EXPECT_EQ(f.app.selected_connection, 1);
    EXPECT_EQ(ini.writes, Writes{"select_number=1"});
    EXPECT_FALSE(OnHostDoubleClicked(f.app, ini, 5));
    EXPECT_EQ(f.app.selected_connection, 1);
}

TEST(ClientDialog, PortFieldIsCutToFiveCharactersAndStoredOnClose) {
    AppState app;
    MemoryIniStore ini;
    OnPortTextChanged(app, "123456789");
    EXPECT_STREQ(app.tcp_port_text, "12345");
    OnPortTextChanged(app, "80");
    EXPECT_STREQ(app.tcp_port_text, "80");
    OnPortTextChanged(app, "");
    EXPECT_STREQ(app.tcp_port_text, "");
    OnPortTextChanged(app, "09004");
    OnTcpDialogClosed(app, ini);
    EXPECT_EQ(ini.writes, Writes{"port_number=09004"});
}

TEST(ClientDialog, DisconnectClearsTheLinkAndSaysSo) {
    CoreFixture f;
    f.app.socket_connected = 1;
    OnClientDisconnected(f.ctx);
    EXPECT_EQ(f.app.socket_connected, 0);
    EXPECT_EQ(f.prompts.calls, std::vector<std::string>{"success: Socket 切断 OK"});
}

TEST(ServerDialog, OpeningWithoutClientsDisablesOnlyDisconnect) {
    CoreFixture f;
    ServerDialogView v;
    RefreshServerView(f.app, f.sockets, v);
    EXPECT_TRUE(v.connect_enabled);
    EXPECT_TRUE(v.port_enabled);
    EXPECT_FALSE(v.disconnect_enabled);
    EXPECT_EQ(v.list_count, 0);
    OnServerListening(v);
    EXPECT_FALSE(v.connect_enabled);
    EXPECT_TRUE(v.disconnect_enabled);
}

TEST(ServerDialog, ClientsDisableConnectAndPortAndShowTheChosenPlace) {
    CoreFixture f;
    StoreClient(f.sockets, 1, 11, "127.0.0.1");
    StoreClient(f.sockets, 2, 12, "127.0.0.2");
    f.app.selected_connection = 2;
    ServerDialogView v;
    RefreshServerView(f.app, f.sockets, v);
    EXPECT_FALSE(v.connect_enabled);
    EXPECT_FALSE(v.port_enabled);
    EXPECT_TRUE(v.disconnect_enabled);
    ASSERT_EQ(v.list_count, 2);
    EXPECT_TRUE(v.set_place);
    EXPECT_EQ(v.place_text, "127.0.0.2");
    // A selection read from the file beyond the table shows nothing rather than reading past it.
    f.app.selected_connection = 400;
    RefreshServerView(f.app, f.sockets, v);
    EXPECT_TRUE(v.set_place);
    EXPECT_EQ(v.place_text, "");
    f.app.selected_connection = -1;
    RefreshServerView(f.app, f.sockets, v);
    EXPECT_FALSE(v.set_place);
}

TEST(ServerDialog, AfterAMiddleClientLeavesTheListAndDoubleClickFollowTheClients) {
    CoreFixture f;
    StoreClient(f.sockets, 1, 11, "10.0.0.1");
    StoreClient(f.sockets, 2, 12, "10.0.0.2");
    StoreClient(f.sockets, 3, 13, "10.0.0.3");
    ServerDialogView v;
    ReleaseClientSocket(f.sockets, 12);
    RefreshServerView(f.app, f.sockets, v);
    ASSERT_EQ(v.list_count, 2);
    EXPECT_EQ(v.list_slots[0], 1);
    EXPECT_EQ(v.list_slots[1], 3);
    // The second line is the client of slot 3, not the empty slot 2.
    ASSERT_TRUE(OnServerClientDoubleClicked(f.app, f.sockets, v, 1));
    EXPECT_EQ(f.app.selected_connection, 3);
    EXPECT_EQ(f.app.socket_connected, 1);
    EXPECT_EQ(v.place_text, "10.0.0.3");
}

TEST(ServerDialog, DoubleClickWithoutClientsOrOnNothingChoosesNoOne) {
    CoreFixture f;
    ServerDialogView v;
    RefreshServerView(f.app, f.sockets, v);
    f.app.selected_connection = 5;
    EXPECT_FALSE(OnServerClientDoubleClicked(f.app, f.sockets, v, 0));
    EXPECT_EQ(f.app.selected_connection, -1);
    EXPECT_EQ(f.app.socket_connected, 0);

    StoreClient(f.sockets, 1, 11, "10.0.0.1");
    RefreshServerView(f.app, f.sockets, v);
    EXPECT_FALSE(OnServerClientDoubleClicked(f.app, f.sockets, v, -1));
    EXPECT_FALSE(OnServerClientDoubleClicked(f.app, f.sockets, v, 1));
    // A client gone since the list was drawn is not chosen.
    ReleaseClientSocket(f.sockets, 11);
    EXPECT_FALSE(OnServerClientDoubleClicked(f.app, f.sockets, v, 0));
    EXPECT_EQ(f.app.socket_connected, 0);
}

TEST(ServerDialog, LastClientGoneLeavesBothButtonsOffUntilReopened) {
    CoreFixture f;
    ServerDialogView v;
    RefreshServerView(f.app, f.sockets, v);
    OnServerListening(v);
    StoreClient(f.sockets, 1, 11, "10.0.0.1");
    RefreshServerView(f.app, f.sockets, v);
    ReleaseClientSocket(f.sockets, 11);
    RefreshServerView(f.app, f.sockets, v);
    EXPECT_FALSE(v.connect_enabled);
    EXPECT_FALSE(v.disconnect_enabled);
    EXPECT_FALSE(v.port_enabled);
    ServerDialogView reopened;
    RefreshServerView(f.app, f.sockets, reopened);
    EXPECT_TRUE(reopened.connect_enabled);
    EXPECT_FALSE(reopened.disconnect_enabled);
}

TEST(ServerDialog, StopResetsSelectionListAndPlace) {
    CoreFixture f;
    f.app.selected_connection = 3;
    f.app.socket_connected = 1;
    ServerDialogView v;
    v.list_count = 3;
    v.connect_enabled = v.port_enabled = false;
    OnServerStopped(f.app, v);
    EXPECT_EQ(f.app.selected_connection, -1);
    EXPECT_EQ(f.app.socket_connected, 0);
    EXPECT_EQ(v.list_count, 0);
    EXPECT_TRUE(v.connect_enabled);
    EXPECT_TRUE(v.port_enabled);
    EXPECT_FALSE(v.disconnect_enabled);
    EXPECT_EQ(v.place_text, std::string(16, ' '));
}

TEST(ServerDialog, DevicesRefusedForLackOfSlotsAreNotedUntilTheServerStops) {
    CoreFixture f;
    ServerDialogView v;
    RefreshServerView(f.app, f.sockets, v);
    EXPECT_EQ(v.full_note, "");
    f.sockets.refused_for_lack_of_slots = 3;
    RefreshServerView(f.app, f.sockets, v);
    EXPECT_EQ(v.full_note, "96台を超える接続を断りました: 3件");
    OnServerStopped(f.app, v);
    EXPECT_EQ(v.full_note, "");
    ResetClientSlots(f.sockets);
    EXPECT_EQ(f.sockets.refused_for_lack_of_slots, 0);
}

}  // namespace
}  // namespace tvx
