// The window "ページの見え方...": a page of both channels as the device lays it out, the titles of
// its positions, and the page or all pages saved as PNG.
#pragma once

#include <windows.h>

namespace tvx {

// Modal, owned by owner; drawn from the model as it stands when it opens.
void OpenPageViewDialog(HWND owner);

}  // namespace tvx
