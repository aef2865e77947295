/*
 * Window helpers of the external character dialogs.
 *
 * Owns the program's GlyphState (static, never freed). A GlyphCanvas belongs to the dialog that
 * created it and lives from WM_INITDIALOG to WM_DESTROY; the controls that show it are
 * subclassed with a pointer to a CanvasView of that dialog. User-interface thread only.
 */
#include "glyphs/glyph_window_win.h"

#include <commctrl.h>

namespace tvx {

namespace {

constexpr UINT_PTR kCanvasSubclassId = 1;

void PaintView(HDC dc, HWND control, const CanvasView& view) {
    RECT client;
    GetClientRect(control, &client);
    const int width = client.right < view.width ? client.right : view.width;
    const int height = client.bottom < view.height ? client.bottom : view.height;
    BitBlt(dc, 0, 0, width, height, view.canvas->dc, view.x, view.y, SRCCOPY);
    // Whatever lies beyond the picture keeps the white of the grid's rectangle.
    const RECT right = {width, 0, client.right, client.bottom};
    const RECT below = {0, height, width, client.bottom};
    FillRect(dc, &right, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FillRect(dc, &below, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

LRESULT CALLBACK CanvasControlProc(HWND control, UINT message, WPARAM wparam, LPARAM lparam,
                                   UINT_PTR, DWORD_PTR ref) {
    const CanvasView* view = reinterpret_cast<const CanvasView*>(ref);
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // the paint covers everything
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(control, &ps);
            if (dc && view->canvas && view->canvas->dc) PaintView(dc, control, *view);
            EndPaint(control, &ps);
            return 0;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(control, CanvasControlProc, kCanvasSubclassId);
            break;
        default:
            break;
    }
    return DefSubclassProc(control, message, wparam, lparam);
}

}  // namespace

GlyphState& ProgramGlyphState() {
    static GlyphState state;
    return state;
}

BITMAPINFO PictureInfo(int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

bool CreateGlyphCanvas(GlyphCanvas& canvas, int width, int height) {
    DestroyGlyphCanvas(canvas);
    BITMAPINFO info = PictureInfo(width, height);
    void* bits = nullptr;
    canvas.dc = CreateCompatibleDC(nullptr);
    canvas.bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!canvas.dc || !canvas.bitmap || !bits) {
        DestroyGlyphCanvas(canvas);
        return false;
    }
    canvas.previous = SelectObject(canvas.dc, canvas.bitmap);
    canvas.pixels = static_cast<std::uint32_t*>(bits);
    canvas.width = width;
    canvas.height = height;
    return true;
}

void DestroyGlyphCanvas(GlyphCanvas& canvas) {
    if (canvas.dc && canvas.previous) SelectObject(canvas.dc, canvas.previous);
    if (canvas.bitmap) DeleteObject(canvas.bitmap);
    if (canvas.dc) DeleteDC(canvas.dc);
    canvas = GlyphCanvas{};
}

void ShowCanvasIn(HWND control, const CanvasView* view) {
    SetWindowSubclass(control, CanvasControlProc, kCanvasSubclassId,
                      reinterpret_cast<DWORD_PTR>(view));
}

void CopyViewToControl(HWND control, const CanvasView& view) {
    if (!view.canvas || !view.canvas->dc) return;
    HDC dc = GetDC(control);
    if (!dc) return;
    PaintView(dc, control, view);
    ReleaseDC(control, dc);
    // Painted now: a paint already queued for it would only copy the same picture again.
    ValidateRect(control, nullptr);
}

void PlaceControl(HWND control, int x, int y, int width, int height) {
    SetWindowPos(control, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace tvx
