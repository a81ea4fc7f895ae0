#include "gui/cairo/CairoImage.h"
#include "support/TestResources.h"

namespace qm::test {

void useTestResources() {
    addResourceDirectory(QM_TEST_RESOURCE_DIR);
    addResourceDirectory(QM_PRODUCT_RESOURCE_DIR);
}

}  // namespace qm::test
