// The external character editor's two small dialogs: "文字から作る" (a character of an installed
// font) and "画像から読み込む" (a picture). Each shows the glyph it makes beside glyph_now and
// gives the pattern (256 characters) on OK.
#pragma once

#include <windows.h>

#include <string>

#include "pictures/images.h"

namespace tvx {

bool OpenTextSourceDialog(HWND owner, const char* glyph_now, std::string& pattern_out);
bool OpenPictureSourceDialog(HWND owner, const char* glyph_now, const RgbaImage& picture,
                             const std::string& name, std::string& pattern_out);

}  // namespace tvx
