// The control table's rows for the page: each control's range and default in user units, so that
// the page's sliders take their limits from the engine rather than from a copy.

#include <cstdint>
#include <limits>

#include "engine/ControlTable.h"
#include "formats/web/Export.h"

namespace {

bool isControl(std::int32_t id) { return id >= 0 && id < qm::kControlCount; }

}  // namespace

QM_EXPORT(qm_control_count) std::int32_t qm_control_count() { return qm::kControlCount; }

// The lowest value of control `id` in user units; NaN for an unknown id.
QM_EXPORT(qm_control_minimum) float qm_control_minimum(std::int32_t id) {
    return isControl(id) ? qm::controlInfo(static_cast<qm::ControlId>(id)).minimum
                         : std::numeric_limits<float>::quiet_NaN();
}

QM_EXPORT(qm_control_maximum) float qm_control_maximum(std::int32_t id) {
    return isControl(id) ? qm::controlInfo(static_cast<qm::ControlId>(id)).maximum
                         : std::numeric_limits<float>::quiet_NaN();
}

QM_EXPORT(qm_control_default) float qm_control_default(std::int32_t id) {
    return isControl(id) ? qm::controlInfo(static_cast<qm::ControlId>(id)).defaultValue
                         : std::numeric_limits<float>::quiet_NaN();
}
