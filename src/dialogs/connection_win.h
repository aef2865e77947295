// The five dialogs of the "インターフェイス" menu that choose and open the device link.
#pragma once

#include <windows.h>

namespace tvx {

// Each opens its dialog modal, owned by owner, and returns when it is closed.
void OpenInterfaceDialog(HWND owner);     // "インターフェイスの設定"
void OpenComPortDialog(HWND owner);       // "RS-232Cの設定"
void OpenClientServerDialog(HWND owner);  // "クライアント/サーバー"
void OpenTcpClientDialog(HWND owner);     // "TCP/IPの設定（Client）"
void OpenTcpServerDialog(HWND owner);     // "TCP/IPの設定（Server）"
// "TCP/IPの設定": the server dialog while tcp_role is 1, the client dialog otherwise.
void OpenTcpIpDialog(HWND owner);

}  // namespace tvx
