#include "engine/KeyBus.h"

#include "engine/LocalKeyBus.h"
#include "engine/SharedKeyBus.h"

namespace qm {

KeyBus& KeyBus::processBus() {
    static SharedKeyBus shared(keyRegionNameForCurrentUser());
    static LocalKeyBus local;
    static KeyBus& bus = shared.isOpen() ? static_cast<KeyBus&>(shared) : static_cast<KeyBus&>(local);
    return bus;
}

}  // namespace qm
