#pragma once
// A small real host for the editor tests under Xvfb: a top-level window to parent the editor, a
// host callback that records what the plug-in asks and lets a test wait for it, message pumping,
// mouse input through SendInput, and screenshots of the editor.

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "host/PluginInterface.h"
#include "tools/host/EditorWindow.h"

namespace qmgui {

struct HostEvent {
    std::int32_t opcode;
    std::int32_t index;
    float opt;
};

// Records the host requests of every instance created with `callback`.
class HostLog {
public:
    static HostLog& get();
    static qm::VstIntPtr QM_CALL callback(qm::PluginRecord* record, std::int32_t opcode, std::int32_t index,
                                          qm::VstIntPtr value, void* ptr, float opt);
    void clear();
    std::vector<HostEvent> events();
    std::vector<HostEvent> eventsWith(std::int32_t opcode);
    // Waits until `opcode` has been requested `count` times in all; false after 10 s.
    bool waitFor(std::int32_t opcode, std::size_t count);

private:
    std::mutex lock;
    std::condition_variable changed;
    std::vector<HostEvent> recorded;
};

using qmhost::capture;
using qmhost::HostWindow;
using qmhost::pump;
using qmhost::Screenshot;

// The pixels of a bitmap resource of `module`.
Screenshot resourcePixels(HMODULE module, int resourceId);

// True when `shot` shows `picture`'s block at `source` in `place`.
bool shows(const Screenshot& shot, const Screenshot& picture, int left, int top, int right, int bottom, int sourceX,
           int sourceY);

// Mouse input through SendInput at a point of `window`'s client area.
void moveMouse(HWND window, int x, int y);
void pressLeft();
void releaseLeft();
void pressKey(WORD key);
void releaseKey(WORD key);
// Waits until the asynchronous state that controls poll shows `key` down (or up); false after 5 s.
bool waitForKeyState(int key, bool down);

}  // namespace qmgui
