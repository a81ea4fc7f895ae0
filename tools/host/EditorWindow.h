#pragma once
// What our host program needs to show an editor: a top-level window that parents it, message
// pumping with editor idle calls, and screenshots of the editor window.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "formats/vst2/base/PluginInterface.h"

namespace qmhost {

// A visible top-level window that parents the editor, large enough for it at 2x.
class HostWindow {
public:
    HostWindow();
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    HWND handle() const { return window; }
    // The editor's child window inside this one, or null.
    HWND editorWindow() const;

private:
    HWND window = nullptr;
};

// Dispatches every queued message, then sends one editor idle to `record` (may be null); `rounds` times.
void pump(qm::PluginRecord* record, int rounds = 20);

// A window's pixels, 0x00RRGGBB, top row first.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    // True when nothing was captured: no pixels, or every pixel the same colour.
    bool isBlank() const;
    // Writes a 24-bit BMP; false on failure.
    bool writeBmp(const std::string& path) const;
};

// The description of a top-down 32-bit picture of `width` x `height`.
BITMAPINFO topDownBitmapInfo(int width, int height);

// The client area of `window` as it is on screen now.
Screenshot capture(HWND window);

}  // namespace qmhost
