#pragma once
// Every native GDI object the toolkit makes or deletes goes through here, so that the number
// alive can be checked: Wine's GetGuiResources always answers 0.

#include <windows.h>

#include <cstdint>

namespace qm {

// Pens, brushes, fonts, bitmaps and device contexts made by the toolkit and not yet deleted.
std::int32_t liveGdiObjects();

HPEN countedPen(int style, int width, COLORREF color);
HBRUSH countedSolidBrush(COLORREF color);
HFONT countedFont(const LOGFONTA& font);
HBITMAP countedBitmap(HBITMAP made);
// A top-down 32-bit picture of `width` x `height` whose 0x00RRGGBB pixels start at *bits.
HBITMAP countedDibSection(HDC like, std::int32_t width, std::int32_t height, void** bits);
HDC countedMemoryDc(HDC like);
// Deletes a pen, brush, font or bitmap made above.
void deleteCounted(HGDIOBJ object);
void deleteCountedDc(HDC dc);

// TransparentBlt of msimg32, when the frame found it; null means mask composition.
using TransparentBltProc = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, UINT);
TransparentBltProc transparentBltProc();
void setTransparentBltProc(TransparentBltProc proc);

// The module whose resources hold the bitmaps and that owns the frame window class.
HINSTANCE resourceModule();

}  // namespace qm
