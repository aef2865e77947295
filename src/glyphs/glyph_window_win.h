// What the external character dialogs share on the window side: the program's GlyphState, an
// off-screen picture that the glyph grid and the list cells are drawn from, and the pixel
// placement of those drawing surfaces.
#pragma once

#include <windows.h>

#include <cstdint>

#include "model/glyph_state.h"

namespace tvx {

// The one GlyphState of the program (selections and file names kept between openings).
GlyphState& ProgramGlyphState();

// A 32-bit top-down device-independent bitmap selected into a memory device context: the core
// renders into pixels (0x00RRGGBB), and one BitBlt per control shows it. Created when a dialog
// opens and destroyed when it closes.
struct GlyphCanvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};
bool CreateGlyphCanvas(GlyphCanvas& canvas, int width, int height);
// The header of such pixels: 32 bits, rows top to bottom.
BITMAPINFO PictureInfo(int width, int height);
void DestroyGlyphCanvas(GlyphCanvas& canvas);

// The part of a canvas a control shows at its top-left corner; the rest of the control stays
// white.
struct CanvasView {
    const GlyphCanvas* canvas = nullptr;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
// The control paints itself from its view (subclassed), so a repaint never shows an empty
// rectangle before the dialog's drawing tick; the view must outlive the control.
void ShowCanvasIn(HWND control, const CanvasView* view);
// Copies the view to the control now.
void CopyViewToControl(HWND control, const CanvasView& view);

// Puts a control at a fixed pixel place of its dialog's client area, so that drawing and the
// mouse rules, which are in pixels, agree whatever the dialog font's metrics.
void PlaceControl(HWND control, int x, int y, int width, int height);

}  // namespace tvx
