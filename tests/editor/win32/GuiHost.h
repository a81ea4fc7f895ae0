#pragma once
// A small real host for the editor tests under Xvfb: a top-level window to parent the editor, a
// host callback that records what the plug-in asks and lets a test wait for it, message pumping,
// mouse input through SendInput, and screenshots of the editor.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "formats/vst2/base/PluginInterface.h"
#include "gui/Geometry.h"
#include "support/HostLog.h"
#include "tools/host/EditorWindow.h"

namespace qmgui {

using qmhost::capture;
using qmhost::HostWindow;
using qmhost::pump;
using qmhost::Screenshot;

// The pixels of a bitmap resource of `module`.
Screenshot resourcePixels(HMODULE module, int resourceId);

// True when `shot` shows `picture`'s block at `source` in `place`.
bool shows(const Screenshot& shot, const Screenshot& picture, int left, int top, int right, int bottom, int sourceX,
           int sourceY);
bool shows(const Screenshot& shot, const Screenshot& picture, const qm::Rect& place, int sourceX, int sourceY);

// Mouse input through SendInput at a point of `window`'s client area.
void moveMouse(HWND window, int x, int y);
// The same move made on the editor's own thread, inside the next host idle that its drag loop
// asks for; for a thread other than the editor's while a drag is held. Wine drops a late X
// motion event only when it is older than the last warp of the thread that reads it: a warp from
// another thread leaves the press position's motion event to undo the move when it comes.
void moveMouseInDrag(HWND window, int x, int y);
void pressLeft();
void releaseLeft();
void pressKey(WORD key);
void releaseKey(WORD key);
// Waits until the asynchronous state that controls poll shows `key` down (or up); false after 5 s.
bool waitForKeyState(int key, bool down);

}  // namespace qmgui
