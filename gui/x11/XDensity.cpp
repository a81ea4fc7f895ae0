#include "gui/x11/XDensity.h"

#include <cstdlib>
#include <cstring>

#include "gui/FrameWindow.h"
#include "gui/Scale.h"

namespace qm {
namespace {

// The value of resource `name` ("Xft.dpi") in a resource manager string of "name:\tvalue" lines.
double resourceNumber(const char* resources, const char* name) {
    const std::size_t length = std::strlen(name);
    for (const char* line = resources; line != nullptr && *line != '\0';) {
        if (std::strncmp(line, name, length) == 0 && line[length] == ':') return std::atof(line + length + 1);
        line = std::strchr(line, '\n');
        if (line != nullptr) ++line;
    }
    return 0.0;
}

}  // namespace

std::int32_t displayDensityDpi(Display* display) {
    if (const char* gdkScale = std::getenv("GDK_SCALE")) {
        const int factor = std::atoi(gdkScale);
        if (factor >= 1 && factor <= 8) return 96 * factor;
    }
    if (display == nullptr) return 0;
    const double dpi = resourceNumber(XResourceManagerString(display), "Xft.dpi");
    return dpi > 0.0 && dpi < 10000.0 ? static_cast<std::int32_t>(dpi + 0.5) : 0;
}

ScalePercent expectedFrameScale() {
    const char* forced = std::getenv("QUELLMAR_SCALE");
    if (forced != nullptr || std::getenv("GDK_SCALE") != nullptr) return scaleForDensity(displayDensityDpi(nullptr));
    Display* display = XOpenDisplay(nullptr);
    const ScalePercent scale = scaleForDensity(displayDensityDpi(display));
    if (display != nullptr) XCloseDisplay(display);
    return scale;
}

}  // namespace qm
