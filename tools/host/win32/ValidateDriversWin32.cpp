// The validate job's choice of driver under Windows: VST 2 DLLs only.

#include "tools/host/validate/ModuleDriver.h"

namespace qmhost::validate {

std::unique_ptr<ModuleDriver> makeModuleDriver(const std::string& module) { return makeVst2Driver(module); }

}  // namespace qmhost::validate
