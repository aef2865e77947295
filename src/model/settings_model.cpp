#include "model/settings_model.h"

#include <cstring>

namespace tvx {

void ResetToDefaults(SettingsModel& model, AppState& app) {
    for (int p = 0; p < kPositionCount; ++p) {
        for (int k = 0; k < kPageCount; ++k) {
            model.page_display_on[p][k] = 1;
            model.page_switch_seconds[p][k] = 2;
            model.page_title_number[p][k] = k;
        }
        model.display_page[p] = 0;
        model.startup_page[p] = 0;
        model.position_offset[p] = 7;
    }
    model.white_level = 1;
    model.edge_level = 1;
    std::memset(model.title_text, 0, sizeof model.title_text);
    std::memset(model.glyph_pattern, '0', sizeof model.glyph_pattern);
    std::memset(model.net_ip_address, 0, sizeof model.net_ip_address);
    std::memset(model.net_gateway_address, 0, sizeof model.net_gateway_address);
    std::memset(model.net_active_address, 0, sizeof model.net_active_address);
    model.net_subnet_class = 2;
    std::memcpy(model.net_port_number, "09004", 6);
    model.net_keep_alive = 0;
    model.net_time_register = 5;
    std::memcpy(model.net_mac_address, "00-00-00-00-00-00", 18);
    std::memcpy(model.net_version, "0.00", 5);
    std::memset(model.glyph_receive_buffer, '0', sizeof model.glyph_receive_buffer);
    std::memset(model.socket_reply_assembly_buffer, 0, sizeof model.socket_reply_assembly_buffer);

    app.current_file_name[0] = '\0';
    app.document_modified = 0;
    app.awaiting_reply = 0;
    app.sequence_running = 0;
    app.address_prefix_on = 0;
    app.error_reply = 0;
    app.no_reply_ticks = 0;
    app.slave_address = 0;
    app.selected_position_index = 0;
    app.saved_ime_open_status = 0;
}

void AbandonGlyphBulkRun(AppState& app) {
    if (app.glyph_bulk_read_running == 0) return;
    app.glyph_bulk_read_running = 0;
    app.glyph_read_pending = 0;
    app.preview_redraw_pending = 1;
}

}  // namespace tvx
