#pragma once
// The fuzzer's own key bus region: a private runtime directory made for this process, so that
// the plug-in's instances share a region that no real session uses, and the hostile things a
// process of the same user may do to that region between blocks.

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

namespace qm::fuzz {

// Makes a fresh directory of mode 0700 and points XDG_RUNTIME_DIR at it, before any instance
// exists; it and the region in it are removed when the process ends.
void usePrivateRuntimeDirectory();

// One hostile act on the region chosen by `data`: arbitrary bytes over the header, a slot
// record or samples; the region unlinked, or its name blocked by a directory or set free again.
// Never shrinks it: a same-user process that does so may end the host, as the README says.
void tamperWithRegion(FuzzedDataProvider& data);

}  // namespace qm::fuzz
