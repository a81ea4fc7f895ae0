#include "engine/KeyBus.h"

#include "engine/SessionKeyBus.h"

namespace qm {

KeyBus& KeyBus::processBus() {
    static SessionKeyBus bus(keyRegionNameForCurrentUser());
    return bus;
}

}  // namespace qm
