// The dialog "リモート制御": whether the program serves its remote interface, on which port, on
// this PC only or on every address, which other hosts may use it, the access token (made from
// the system's random source, shown, renewed or removed) and a status line. Kept in the
// configuration file (remote_* keys).
#pragma once

#include <string>
#include <string_view>

#include "model/config.h"
#include "remote/remote_service.h"

namespace tvx {

// What the controls hold.
struct RemoteControlForm {
    bool enabled = false;
    std::string port;  // the edit's text
    bool every_address = false;
    std::string allowed_hosts;
    std::string token;
};

inline constexpr std::string_view kRemotePortText =
    "ポート番号には 1～65535 の数字を入力してください。";
inline constexpr std::string_view kNoRandomText =
    "アクセストークンを作れません（乱数を得られません）。";

RemoteControlForm RemoteFormOf(const RemoteConfig& config);
// OK: the form as configuration; false with the message of the box (the port, a host entry that
// is no address or subnet).
bool RemoteConfigOf(const RemoteControlForm& form, RemoteConfig& config, std::string& problem);

// "すべてのアドレス" chosen: other hosts can only be served with a token, so one is made when
// none is set. False when none could be made (kNoRandomText).
bool OnEveryAddressChosen(RemoteControlForm& form, RandomBytes random = SystemRandomBytes);
// "新しく作る": a new token replaces the old one. False when none could be made.
bool RenewToken(RemoteControlForm& form, RandomBytes random = SystemRandomBytes);

// The status line: "待ち受け中: http://127.0.0.1:5870/api/v1/", "停止しています", "開始できません:
// ..."; and the last request: "最後の要求: 12:34:56 PUT /api/v1/state (192.168.1.5) → 200".
std::string RemoteStateLine(const RemoteServerStatus& status);
std::string RemoteLastRequestLine(const RemoteServerStatus& status);

}  // namespace tvx
