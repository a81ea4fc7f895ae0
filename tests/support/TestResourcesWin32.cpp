#include <windows.h>

#include "gui/win32/GdiObjects.h"
#include "support/TestResources.h"

namespace qm::test {

void useTestResources() { setResourceModule(GetModuleHandleA(nullptr)); }

}  // namespace qm::test
