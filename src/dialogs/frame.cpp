#include "dialogs/frame.h"

#include "model/settings_fields.h"
#include "protocol/encodings.h"

namespace tvx {

namespace {

constexpr std::string_view kConnectionTitles[] = {
    "タイトルの設定 ",           // TitleSetting
    "タイトル表示の設定 ",       // TitleDisplay
    "表示ページ切換え ",         // PageSwitching
    "表示ページ割り付け ",       // PageAssignment
    "自動切換えの設定 ",         // AutoSwitching
    "スタートアップの設定 ",     // Startup
    "文字レベルの設定 ",         // CharLevel
    "表示位置の微調整 ",         // PositionAdjust
    "外字登録 ",                 // GlyphRegister
    "外字一覧",                  // GlyphList
    "外字挿入 ",                 // GlyphInsert
    "プロトコルの設定 ",         // NetworkSettings
    "全項目の設定",              // SetAll
    "設定項目の読み込み",        // ReadBack
    "TVX5870のバージョン情報 ",  // Version
};

constexpr int kTitleTextCount =
    static_cast<int>(sizeof kConnectionTitles / sizeof kConnectionTitles[0]);
static_assert(kTitleTextCount == static_cast<int>(FrameDialog::Version) + 1);

}  // namespace

std::string_view ConnectionTitleText(FrameDialog dialog) {
    int i = static_cast<int>(dialog);
    if (i < 0 || i >= kTitleTextCount) return {};
    return kConnectionTitles[i];
}

bool ConnectionTitle(FrameDialog dialog, const AppState& app, const SocketLinkState& sockets,
                     std::string& title_out) {
    if (app.selected_connection == -1) return false;
    title_out.assign(ConnectionTitleText(dialog));
    int slot = app.selected_connection;
    // A slot number from the configuration file may lie outside the table: title text alone.
    if (slot < 0 || slot >= kClientSlotCount) return true;
    const char* peer = sockets.client_slots[slot].peer_address;
    std::size_t n = 0;
    while (n < sizeof sockets.client_slots[slot].peer_address && peer[n] != '\0') ++n;
    title_out.append(peer, n);
    return true;
}

std::string SlaveAddressItemText(int index) {
    if (index == kBroadcastAddress) return std::string(kBroadcastItemText);
    if (index < 0 || index > kBroadcastAddress) return {};
    char text[3] = {static_cast<char>('0' + index / 10), static_cast<char>('0' + index % 10), 0};
    return text;
}

int SlaveAddressSelection(const AppState& app, int item_count) {
    if (app.slave_address < 0 || app.slave_address >= item_count) return -1;
    return app.slave_address;
}

bool OnSlaveAddressSelected(AppState& app, int index, int item_count) {
    if (index < 0 || index >= item_count) return false;
    app.slave_address = index;
    return true;
}

void BeginDialogFrame(AppState& app, WindowHandle dialog) {
    app.active_dialog = dialog;
    // A preview left due by a dialog closed before its tick must not take the first tick of
    // this dialog's run; a dialog with a preview asks for its own drawing after opening.
    app.preview_redraw_pending = 0;
}

void SettleDialogFrame(AppState& app, WindowHandle active_window, AddressPrefix prefix) {
    app.reply_owner_window = active_window;
    app.corner_click_count = 0;
    if (prefix == AddressPrefix::On) app.address_prefix_on = 1;
    if (prefix == AddressPrefix::Off) app.address_prefix_on = 0;
}

int OnPreviewPaint(AppState& app) {
    app.preview_redraw_pending = 1;
    return app.sequence_running == 0 ? kPreviewPaintDelayMs : 0;
}

void OnPreviewOpen(AppState& app) {
    app.preview_redraw_pending = 1;
}

bool CloseAllowed(const AppState& app) {
    return app.sequence_running == 0;
}

std::string NumberItemText(int index) {
    if (index < 0 || index >= kNumberItems) return {};
    char digits[3];
    FormatThreeDigits(index + 1, digits);
    return std::string(digits, 3);
}

std::string PageItemText(int index) {
    return index == kAutoSwitchPage ? std::string("AUTO") : NumberItemText(index);
}

std::string TwoDigitItemText(int index) {
    if (index < 0 || index > 99) return {};
    char digits[2];
    FormatTwoDigits(index, digits);
    return std::string(digits, 2);
}

std::string PositionItemText(int index) {
    if (index < 0 || index >= kPositionCount) return {};
    return std::string(PositionName(index));
}

}  // namespace tvx
