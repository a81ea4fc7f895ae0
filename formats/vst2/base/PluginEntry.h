#pragma once
// The module entry and the five functions stored in every record: they turn calls on the record
// into virtual calls on the effect object that contains it.

#include "formats/vst2/base/PluginInterface.h"

namespace qm {

class EffectBase;

// Creates the product's effect for a host; defined by the product, null when it cannot.
EffectBase* createEffect(HostCallback hostCallback);

VstIntPtr QM_CALL dispatcherEntry(PluginRecord* record, std::int32_t opcode, std::int32_t index, VstIntPtr value,
                                  void* ptr, float opt);
void QM_CALL processEntry(PluginRecord* record, float** inputs, float** outputs, std::int32_t frames);
void QM_CALL processReplacingEntry(PluginRecord* record, float** inputs, float** outputs, std::int32_t frames);
void QM_CALL setParameterEntry(PluginRecord* record, std::int32_t index, float value);
float QM_CALL getParameterEntry(PluginRecord* record, std::int32_t index);

}  // namespace qm

// The module's only export, named "main" in the module: asks the host for its version, creates
// one effect and returns its record; null when the host is missing or answers version 0, or when
// the effect cannot be created. Host's UI thread.
extern "C" qm::PluginRecord* QM_CALL quellmarMain(qm::HostCallback hostCallback);
