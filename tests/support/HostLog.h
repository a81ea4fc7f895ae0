#pragma once
// A host callback for the tests of real windows: records what every instance created with it
// asks of the host, lets a test wait for a request, and can run an action of the test when the
// plug-in calls the host's idle or its automation (as a host that closes the editor or the whole
// plug-in from its own event loop or from an automation listener does).

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "formats/vst2/base/PluginInterface.h"

namespace qmgui {

struct HostEvent {
    std::int32_t opcode;
    std::int32_t index;
    float opt;
};

class HostLog {
public:
    static HostLog& get() {
        static HostLog log;
        return log;
    }
    static qm::VstIntPtr QM_CALL callback(qm::PluginRecord*, std::int32_t opcode, std::int32_t index, qm::VstIntPtr,
                                          void*, float opt) {
        if (opcode == qm::audioMasterVersion) return 2400;
        HostLog& log = get();
        std::function<void()> action;
        {
            std::lock_guard<std::mutex> guard(log.lock);
            log.recorded.push_back({opcode, index, opt});
            if (opcode == qm::audioMasterIdle) std::swap(action, log.idleAction);
            if (opcode == qm::audioMasterAutomate) std::swap(action, log.automateAction);
        }
        log.changed.notify_all();
        if (action) action();
        return opcode == qm::audioMasterGetSampleRate ? 44100 : 0;
    }
    void clear() {
        std::lock_guard<std::mutex> guard(lock);
        recorded.clear();
    }
    std::vector<HostEvent> events() {
        std::lock_guard<std::mutex> guard(lock);
        return recorded;
    }
    std::vector<HostEvent> eventsWith(std::int32_t opcode) {
        std::vector<HostEvent> matching;
        for (const HostEvent& event : events()) {
            if (event.opcode == opcode) matching.push_back(event);
        }
        return matching;
    }
    // Waits until `opcode` has been requested `count` times in all; false after 10 s.
    bool waitFor(std::int32_t opcode, std::size_t count) {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, std::chrono::seconds(10), [&] {
            std::size_t seen = 0;
            for (const HostEvent& event : recorded) seen += event.opcode == opcode ? 1 : 0;
            return seen >= count;
        });
    }
    // Waits until the host has been told that parameter `index` is `value`; false after 10 s.
    bool waitForAutomation(std::int32_t index, float value) {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, std::chrono::seconds(10), [&] {
            for (const HostEvent& event : recorded) {
                if (event.opcode == qm::audioMasterAutomate && event.index == index && event.opt == value) return true;
            }
            return false;
        });
    }
    // Runs `action` once, on the thread of the next audioMasterIdle, inside that request.
    void onNextIdle(std::function<void()> action) {
        std::lock_guard<std::mutex> guard(lock);
        idleAction = std::move(action);
    }

    // Runs `action` once, on the thread of the next audioMasterAutomate, inside that request.
    void onNextAutomate(std::function<void()> action) {
        std::lock_guard<std::mutex> guard(lock);
        automateAction = std::move(action);
    }

private:
    std::mutex lock;
    std::condition_variable changed;
    std::vector<HostEvent> recorded;
    std::function<void()> idleAction;
    std::function<void()> automateAction;
};

}  // namespace qmgui
