// The validator's driver for LV2 plug-ins, natively through lilv: one module description, and
// instances made on it that the sessions drive in the instance model's terms.

#include "tools/host/validate/lv2/Lv2Instance.h"

namespace qmhost::validate {
namespace {

class Lv2Driver : public ModuleDriver {
public:
    explicit Lv2Driver(const std::string& moduleName) : module(moduleName) {}
    bool isLoaded() const override { return module.isLoaded(); }
    std::string problem() const override { return module.problem(); }
    std::unique_ptr<DriverInstance> make(InstanceEvents& events) override {
        auto instance = std::make_unique<Lv2Instance>(module, events);
        if (!instance->isValid()) return nullptr;
        return instance;
    }
    bool remakesOnStreamChange() const override { return true; }

private:
    Lv2Module module;
};

}  // namespace

std::unique_ptr<ModuleDriver> makeLv2Driver(const std::string& module) { return std::make_unique<Lv2Driver>(module); }

}  // namespace qmhost::validate
