// The two information dialogs of the "情報" menu.
#pragma once

#include <windows.h>

namespace tvx {

// "TVX5870のﾊﾞｰｼﾞｮﾝ情報": icon, version text, OK. Opens like every feature dialog.
void OpenVersionDialog(HWND owner);
// "外字について": four lines of notes on external characters; Esc or the close box ends it.
void OpenAboutGlyphsDialog(HWND owner);

}  // namespace tvx
