#include "gui/Scale.h"

#include <cstdlib>
#include <cstring>

namespace qm {

ScalePercent scaleForDensity(std::int32_t dpi) {
    if (const char* forced = std::getenv("QUELLMAR_SCALE")) {
        if (std::strcmp(forced, "1") == 0) return kScale1x;
        if (std::strcmp(forced, "1.5") == 0) return kScale1_5x;
        if (std::strcmp(forced, "2") == 0) return kScale2x;
    }
    if (dpi >= 192) return kScale2x;
    if (dpi >= 144) return kScale1_5x;
    return kScale1x;
}

}  // namespace qm
