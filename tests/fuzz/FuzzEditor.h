#pragma once
// The editor of an instance as a user and a host drive it: opened and closed through the
// dispatcher, drawn, clicked and dragged with scripted mouse states, turned with the wheel, typed
// at and idled, the help panel opened and closed.

#include <fuzzer/FuzzedDataProvider.h>

#include "formats/vst2/base/PluginInterface.h"

namespace qm::fuzz {

// Points the toolkit at the product's bitmaps and installs the scripted mouse; once per process.
void prepareEditorInput();

// One editor action on `record` chosen by `data`. Opening the editor loads every bitmap, so a run
// (started by `beginRun`) opens it at most twice.
void driveEditor(PluginRecord* record, FuzzedDataProvider& data);
void beginRun();

}  // namespace qm::fuzz
