// The validate job's choice of driver natively: LV2 bundles and plug-in URIs through lilv, VST 2
// modules through our loader.

#include "tools/host/validate/ModuleDriver.h"

namespace qmhost::validate {

std::unique_ptr<ModuleDriver> makeLv2Driver(const std::string& module);

std::unique_ptr<ModuleDriver> makeModuleDriver(const std::string& module) {
    const bool bundle = module.size() > 4 && (module.ends_with(".lv2") || module.ends_with(".lv2/"));
    const bool uri = module.find("://") != std::string::npos;
    return bundle || uri ? makeLv2Driver(module) : makeVst2Driver(module);
}

}  // namespace qmhost::validate
