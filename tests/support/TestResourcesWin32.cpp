#include <windows.h>

#include "gui/DrawingTarget.h"
#include "support/TestResources.h"

namespace qm::test {

void useTestResources() { setResourceModule(GetModuleHandleA(nullptr)); }

}  // namespace qm::test
