// The one in-memory copy of everything the program can set on a title generator, and the
// program state that several dialogs and the link share. Both are plain records with fixed
// sizes; the program holds one of each for its whole life, tests build a fresh pair per case.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tvx {

constexpr int kPositionCount = 4;  // ch.1 Top, ch.1 Bottom, ch.2 Top, ch.2 Bottom
constexpr int kPageCount = 144;
constexpr int kTitleCount = 144;
constexpr int kAutoSwitchPage = 144;  // page value meaning automatic switching ("AS" on the wire)
constexpr int kGlyphCount = 160;
constexpr int kRegisterNumbers = 64;  // the dialogs and titles offer glyphs 01..64
constexpr int kGlyphPatternChars = 256;
constexpr int kGlyphSlotBytes = 260;
constexpr int kTitleBytes = 44;    // 42 bytes of text, terminator, one spare
constexpr int kTitleMaxText = 42;  // 21 double-byte characters
constexpr int kGlyphReceiveBytes = 580;
constexpr int kLinkBufferBytes = 600;  // frames, lines and socket receptions
constexpr int kPathBytes = 8192;
constexpr int kHostListCapacity = 256;
constexpr int kBroadcastAddress = 32;  // slave address meaning "every device" ("FF" on the wire)

// Window handles are opaque to the core; the Win32 layer stores its HWNDs here.
using WindowHandle = std::uintptr_t;

struct SettingsModel {
    int page_display_on[kPositionCount][kPageCount];
    int page_switch_seconds[kPositionCount][kPageCount];
    int page_title_number[kPositionCount][kPageCount];
    int display_page[kPositionCount];
    int startup_page[kPositionCount];
    int position_offset[kPositionCount];
    int white_level;
    int edge_level;
    char title_text[kTitleCount][kTitleBytes];         // code page 932, NUL-terminated
    char glyph_pattern[kGlyphCount][kGlyphSlotBytes];  // 256 pattern characters, no terminator
    unsigned char net_ip_address[4];
    unsigned char net_gateway_address[4];
    unsigned char net_active_address[4];
    int net_subnet_class;
    char net_port_number[6];
    int net_keep_alive;
    int net_time_register;
    char net_mac_address[18];
    char net_version[5];

    // Work buffers cleared by the reset.
    char glyph_receive_buffer[kGlyphReceiveBytes];
    char socket_reply_assembly_buffer[kLinkBufferBytes];
};

// How a run steps: by its timer (the device's own pace, as always), or, with the option
// "応答を待って送る（高速）", as soon as the device's reply to the step before has been applied.
// One run goes at a time, so the program keeps one of these (model/run_pace.h has its rules).
struct RunPace {
    int by_reply = 0;         // this run steps on replies
    int frame_answered = 0;   // set by the link when a frame goes out that a reply answers
    int reply_due = 0;        // the last step's reply has not been applied yet
    int tick_now = 0;         // the run's next tick is due at once (the window posts it)
    WindowHandle dialog = 0;  // whose timer steps the run
    int timer_id = 0;
};

// How the wait of a held request ended.
enum class RemoteWaitEnd {
    None,        // still waiting
    Reply,       // a reply was applied ("GO", a read-back reply)
    ErrorReply,  // "E0".."E3", "MENU"
    OtherReply,  // "GN", a read-back reply that did not decode, text that is no reply
    NoReply,     // the usual wait ended without a reply
    LinkFailed,  // the frame could not be sent
};

// A remote request or run holding the link (model/remote_hold.h has its rules).
struct RemoteHold {
    int held = 0;     // a request waits for the device's reply
    int run = 0;      // a remote run goes on
    int sending = 0;  // the remote's own call is on
    RemoteWaitEnd end = RemoteWaitEnd::None;
    char code[8] = {};         // the reply's name or error code, "GO", "E3"
    char message[256] = {};    // the box the reply handling would have shown (UTF-8)
    int message_is_error = 0;  // message is an error box's
};

struct AppState {
    // Link configuration (configuration file).
    int interface_type = 0;  // 0 = RS-232C, 1 = TCP/IP
    int com_port_index = 0;  // 0..5 = COM1..COM6
    int tcp_role = 0;        // 0 = client, 1 = server
    char tcp_port_text[6] = "09004";
    unsigned char host_list[kHostListCapacity][4] = {};
    int host_list_count = 0;
    int selected_connection = 0;

    // Link status and command/reply state.
    int socket_connected = 0;
    int slave_address = 0;  // 0..31, 32 = broadcast
    int address_prefix_on = 0;
    int awaiting_reply = 0;
    int no_reply_ticks = 0;
    int error_reply = 0;
    int sequence_running = 0;

    // Document state.
    int document_modified = 0;
    char current_file_name[kPathBytes] = {};  // UTF-8 path

    // Dialog windows and selections kept between openings.
    WindowHandle active_dialog = 0;
    WindowHandle reply_owner_window = 0;
    int corner_click_count = 0;
    int read_thread_running = 0;
    int selected_position_index = 0;
    int selected_page_index = 0;
    int selected_title_index = 0;
    // The items last chosen in "Same Display" (0/1) and "Same Time" (seconds); kept while the
    // program runs, untouched by the reset, never saved.
    int same_display_choice = 0;
    int same_time_choice = 2;
    int current_glyph_index = 0;
    int glyph_read_pending = 0;
    int glyph_bulk_read_running = 0;
    int preview_redraw_pending = 0;
    int saved_ime_open_status = 0;

    // The option "応答を待って送る（高速）" (configuration key reply_paced, 0 or 1) and the pace of
    // the run going now.
    int reply_paced_runs = 0;
    RunPace run_pace;

    RemoteHold remote;
};

// Fills every model field with its default and clears the document and command state,
// leaving the link configuration, socket_connected and the page/title selections alone.
void ResetToDefaults(SettingsModel& model, AppState& app);

// Ends the external character list's bulk run where it stands; the list's next tick draws the
// cells and stops its timer. For a device that does not answer, or that refuses glyph reads
// while it switches pages automatically: the run would otherwise wait for ever, or ask again and
// show the same box at every tick.
void AbandonGlyphBulkRun(AppState& app);

}  // namespace tvx
