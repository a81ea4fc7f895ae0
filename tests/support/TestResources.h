#pragma once
// Points the toolkit's resource loading at the pictures of tests/data/resources: the folder in
// the native build, the test program's own resources in the Windows build.

namespace qm::test {

void useTestResources();

}  // namespace qm::test
