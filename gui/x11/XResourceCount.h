#pragma once
// Every X resource the editor makes or frees goes through here (display connections, windows,
// cairo surfaces on windows), so that the number alive can be checked, as the GDI layer counts
// its objects on Windows. UI thread.

#include <cstdint>

namespace qm {

// X resources made by the editor and not yet freed.
std::int32_t liveXResources();

void noteXResourceMade();
void noteXResourceFreed();

}  // namespace qm
