#include "gui/cairo/CairoImage.h"
#include "support/TestResources.h"

namespace qm::test {

void useTestResources() { setResourceDirectory(QM_TEST_RESOURCE_DIR); }

}  // namespace qm::test
