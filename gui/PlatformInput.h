#pragma once
// The second seam: mouse, keyboard modifiers, cursor, window positions, time. The platform
// supplies the real ones; tests install a scripted source to play a drag.

#include <cstdint>

#include "gui/Geometry.h"

namespace qm {

// The physical state of buttons and modifier keys right now.
struct PhysicalInput {
    bool leftButton = false;
    bool middleButton = false;
    bool rightButton = false;
    bool shift = false;
    bool control = false;
    bool alt = false;
};

class PlatformInput {
public:
    virtual ~PlatformInput() = default;
    virtual PhysicalInput physicalInput() = 0;
    // The cursor position in screen coordinates.
    virtual Point cursorScreenPosition() = 0;
    // The screen position of the top-left corner of a native window (0, 0 for null).
    virtual Point windowScreenOrigin(void* window) = 0;
    // Milliseconds since some start, wrapping at 2^32.
    virtual std::uint32_t tickCountMs() = 0;
    virtual void sleepMs(std::uint32_t milliseconds) = 0;
    // Takes at most one pending paint message of the calling thread and dispatches it.
    virtual void dispatchOnePaintMessage() = 0;
    // Initialises and releases the platform's object linking for the calling thread (drag and drop).
    virtual void beginObjectLinking() = 0;
    virtual void endObjectLinking() = 0;
};

// The source in use: the platform's unless a test installed another. UI thread.
PlatformInput& platformInput();
// Installs `input` (null: back to the platform's); the caller keeps it alive meanwhile.
void setPlatformInput(PlatformInput* input);

// Whether the system swaps the left and right mouse buttons, as read when the first frame window
// class was registered; false before.
bool buttonsSwapped();
void setButtonsSwapped(bool swapped);

}  // namespace qm
