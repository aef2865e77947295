#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "model/settings_model.h"

namespace tvx {
namespace {

struct ModelPair {
    std::unique_ptr<SettingsModel> model = std::make_unique<SettingsModel>();
    std::unique_ptr<AppState> app = std::make_unique<AppState>();
};

TEST(SettingsModelReset, PageTablesLevelsAndOffsetsTakeTheirDefaults) {
    ModelPair s;
    std::memset(s.model.get(), 0x5A, sizeof(SettingsModel));
    ResetToDefaults(*s.model, *s.app);
    for (int p = 0; p < kPositionCount; ++p) {
        for (int k = 0; k < kPageCount; ++k) {
            EXPECT_EQ(s.model->page_display_on[p][k], 1);
            EXPECT_EQ(s.model->page_switch_seconds[p][k], 2);
            EXPECT_EQ(s.model->page_title_number[p][k], k);
        }
        EXPECT_EQ(s.model->display_page[p], 0);
        EXPECT_EQ(s.model->startup_page[p], 0);
        EXPECT_EQ(s.model->position_offset[p], 7);
    }
    EXPECT_EQ(s.model->white_level, 1);
    EXPECT_EQ(s.model->edge_level, 1);
    for (int t = 0; t < kTitleCount; ++t) EXPECT_STREQ(s.model->title_text[t], "");
    for (int g = 0; g < kGlyphCount; ++g) {
        for (int i = 0; i < kGlyphSlotBytes; ++i) ASSERT_EQ(s.model->glyph_pattern[g][i], '0');
    }
    for (char c : s.model->glyph_receive_buffer) ASSERT_EQ(c, '0');
    for (char c : s.model->socket_reply_assembly_buffer) ASSERT_EQ(c, '\0');
    EXPECT_EQ(s.model->net_subnet_class, 2);
    EXPECT_STREQ(s.model->net_port_number, "09004");
    EXPECT_EQ(s.model->net_keep_alive, 0);
    EXPECT_EQ(s.model->net_time_register, 5);
    EXPECT_STREQ(s.model->net_mac_address, "00-00-00-00-00-00");
    EXPECT_STREQ(s.model->net_version, "0.00");
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(s.model->net_ip_address[i], 0);
        EXPECT_EQ(s.model->net_gateway_address[i], 0);
        EXPECT_EQ(s.model->net_active_address[i], 0);
    }
}

TEST(SettingsModelReset, ClearsDocumentAndCommandStateButKeepsLinkAndSelections) {
    ModelPair s;
    AppState& a = *s.app;
    a.interface_type = 1;
    a.com_port_index = 4;
    a.tcp_role = 1;
    std::memcpy(a.tcp_port_text, "12345", 6);
    a.host_list[3][0] = 192;
    a.host_list_count = 4;
    a.selected_connection = 3;
    a.socket_connected = 1;
    a.selected_page_index = 77;
    a.selected_title_index = 99;
    a.document_modified = 1;
    std::strcpy(a.current_file_name, "C:\\data\\show.dat");
    a.awaiting_reply = a.sequence_running = a.address_prefix_on = a.error_reply = 1;
    a.no_reply_ticks = 5;
    a.slave_address = 17;
    a.selected_position_index = 3;
    a.saved_ime_open_status = 1;

    ResetToDefaults(*s.model, a);

    EXPECT_EQ(a.interface_type, 1);
    EXPECT_EQ(a.com_port_index, 4);
    EXPECT_EQ(a.tcp_role, 1);
    EXPECT_STREQ(a.tcp_port_text, "12345");
    EXPECT_EQ(a.host_list[3][0], 192);
    EXPECT_EQ(a.host_list_count, 4);
    EXPECT_EQ(a.selected_connection, 3);
    EXPECT_EQ(a.socket_connected, 1);
    EXPECT_EQ(a.selected_page_index, 77);
    EXPECT_EQ(a.selected_title_index, 99);

    EXPECT_EQ(a.document_modified, 0);
    EXPECT_STREQ(a.current_file_name, "");
    EXPECT_EQ(a.awaiting_reply, 0);
    EXPECT_EQ(a.sequence_running, 0);
    EXPECT_EQ(a.address_prefix_on, 0);
    EXPECT_EQ(a.error_reply, 0);
    EXPECT_EQ(a.no_reply_ticks, 0);
    EXPECT_EQ(a.slave_address, 0);
    EXPECT_EQ(a.selected_position_index, 0);
    EXPECT_EQ(a.saved_ime_open_status, 0);
}

}  // namespace
}  // namespace tvx
