#include "tools/host/validate/UiStep.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/host/validate/ControlValues.h"

namespace qmhost::validate {
namespace {

constexpr std::size_t kTextGuardBytes = 32;
constexpr unsigned char kTextGuard = 0xA5;

std::string describeValue(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g (0x%016llx)", value,
                  static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(value)));
    return text;
}

std::string describeTarget(HostTarget target) {
    switch (target.kind) {
    case HostTarget::Kind::Control: return std::string("control ") + qm::controlInfo(target.control()).symbol;
    case HostTarget::Kind::Output: return std::string("output ") + qm::outputInfo(target.output()).symbol;
    case HostTarget::Kind::PastTheEnds: break;
    }
    return "the place " + std::to_string(target.id) + " past the ends of the list";
}

// A name as users type them, now and then longer than the format allows.
std::string chooseName(SessionRandom& random, std::size_t limit) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 -_.()#";
    const std::size_t length = random.chance(100) ? limit + random.below(40) : random.below(static_cast<std::uint32_t>(limit));
    std::string name;
    for (std::size_t i = 0; i < length; ++i) name += kLetters[random.below(sizeof kLetters - 1)];
    return name;
}

}  // namespace

void UiStep::begin(const char* stepName) {
    what = stepName;
    ++state.uiSteps;
    state.watchdog.begin(0, state.uiSteps, what);
}

void UiStep::end() { state.watchdog.end(0); }

void UiStep::fail(const std::string& message) { state.fail(0, state.uiSteps, what, message); }

void UiStep::setControl(InstanceModel& instance, qm::ControlId id, double value) {
    instance.beginTouch();
    instance.driver->setControl(id, value);
    instance.expect(id, value);
    instance.endTouch();
    state.count(1);
    checkControl(instance, id);
}

void UiStep::writeOutput(InstanceModel& instance, qm::OutputId id, float value) {
    instance.beginTouch();
    instance.driver->writeOutput(id, value);
    instance.endTouch();
    state.count(1);
}

void UiStep::setTarget(InstanceModel& instance, HostTarget target, float stored) {
    if (target.isControl()) setControl(instance, target.control(), controlAtStored(target.control(), stored));
    else if (target.isOutput()) writeOutput(instance, target.output(), stored);
}

void UiStep::checkTarget(InstanceModel& instance, HostTarget target) {
    if (target.isOutput()) {
        const float got = instance.driver->outputAsRead(target.output());
        state.count(1);
        if (!state.config.threads) state.hash.add(got);
        return;
    }
    if (!target.isControl()) return;
    const qm::ControlId id = target.control();
    const double got = instance.driver->control(id);
    state.count(1);
    if (!state.config.threads) state.hash.add(storedFormOf(id, got));
    const double expected = instance.expectedControl(id);
    if (!readsBackAs(expected, got)) {
        fail("instance " + std::to_string(instance.serial) + " " + describeTarget(target) + " reads " +
             describeValue(got) + ", was set to " + describeValue(expected));
    }
}

void UiStep::checkText(InstanceModel& instance, TextKind kind, HostTarget target) {
    const std::size_t bytes = instance.driver->textBytes(kind);
    std::vector<unsigned char> buffer(bytes + kTextGuardBytes, kTextGuard);
    buffer[0] = 0;
    instance.driver->text(kind, target, reinterpret_cast<char*>(buffer.data()));
    state.count(1);
    const bool terminated = std::find(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(bytes), 0) !=
                            buffer.begin() + static_cast<std::ptrdiff_t>(bytes);
    const bool guarded = std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(bytes), buffer.end(),
                                     [](unsigned char byte) { return byte == kTextGuard; });
    if (!terminated || !guarded) {
        static constexpr const char* kKinds[kTextKindCount] = {"name",   "label",   "display",
                                                               "vendor", "product", "effect name"};
        fail(std::string("text '") + kKinds[kind] + "' of " + describeTarget(target) + " takes more than " +
             std::to_string(bytes) + " bytes");
        return;
    }
    if (!state.config.threads) state.hash.add(reinterpret_cast<const char*>(buffer.data()));
}

void UiStep::programName(InstanceModel& instance) {
    const std::size_t bytes = instance.driver->programNameBytes();
    const std::string name = chooseName(state.random, bytes);
    state.count(1);
    // A format without program names has nothing to read back.
    if (!instance.driver->setProgramName(name.c_str())) return;
    std::vector<char> buffer(bytes + kTextGuardBytes, static_cast<char>(kTextGuard));
    instance.driver->programName(buffer.data(), bytes);
    state.count(1);
    const auto end = std::find(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(bytes), '\0');
    const std::string got(buffer.begin(), end);
    const bool guarded = std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(bytes), buffer.end(),
                                     [](char byte) { return byte == static_cast<char>(kTextGuard); });
    // A name that fits reads back whole; a longer one as much of it as fits.
    const std::string expected = name.substr(0, bytes - 1);
    if (end == buffer.begin() + static_cast<std::ptrdiff_t>(bytes) || !guarded) {
        fail("the program name takes more than " + std::to_string(bytes) + " bytes");
    } else if (got != expected) {
        fail("program name set to '" + name + "' reads '" + got + "'");
    }
}

void UiStep::texts(InstanceModel& instance) {
    SessionRandom& random = state.random;
    // Hosts ask about the targets of their list; now and then one asks past the ends.
    const std::int32_t number = random.chance(100) ? random.between(-3, 14) : random.between(0, kHostTargetCount - 1);
    const HostTarget target = hostTarget(number);
    for (const TextKind kind : {TextName, TextLabel, TextDisplay}) {
        if (!state.failed()) checkText(instance, kind, target);
    }
    if (random.chance(300)) {
        for (const TextKind kind : {TextVendor, TextProduct, TextEffectName}) {
            if (!state.failed()) checkText(instance, kind, target);
        }
    }
    if (!state.failed() && random.chance(400)) programName(instance);
}

}  // namespace qmhost::validate
