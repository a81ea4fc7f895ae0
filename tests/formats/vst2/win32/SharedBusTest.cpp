// Instances of the real module in several processes of our host program share one key bus: they
// take slots lowest first across processes, duck each other, get back the slots of a process that
// was killed, and share keys between 32-bit and 64-bit processes. A mapping of the region's name
// that is open to others or has another owner is neither written nor used: every process works
// alone. One of ours full of garbage is left as it is, and processes share a fresh one.

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/KeyRegionLayout.h"
#include "engine/Parameters.h"
#include "tools/host/PluginLoader.h"

namespace qmhost {
namespace {

constexpr double kSettled48Db = 0.0039810717055349725;  // 10^(-48/20)

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// One process of our host program running the serve job: instances publishing a steady key.
class ChildHost {
public:
    ChildHost(const std::string& hostPath, const std::string& modulePath, int count, float level) {
        static int counter = 0;
        eventName = "Local\\QuellmarTestStop-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
        stopEvent = CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE writeEnd = nullptr;
        CreatePipe(&readEnd, &writeEnd, &inherit, 0);
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writeEnd;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        std::string command = "\"" + hostPath + "\" serve \"" + modulePath + "\" " + std::to_string(count) + " " +
                              std::to_string(level) + " " + eventName;
        started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                 &process) != 0;
        CloseHandle(writeEnd);
    }
    ~ChildHost() {
        if (started) kill();
        CloseHandle(readEnd);
        CloseHandle(stopEvent);
    }
    ChildHost(const ChildHost&) = delete;
    ChildHost& operator=(const ChildHost&) = delete;

    // The parameter 0 values of the child's instances, as it reported them.
    std::vector<float> slots() {
        std::string line;
        char c = 0;
        DWORD read = 0;
        while (ReadFile(readEnd, &c, 1, &read, nullptr) && read == 1 && c != '\n') line += c;
        std::istringstream words(line);
        std::string word;
        words >> word;
        std::vector<float> values;
        float value = 0.0f;
        while (words >> value) values.push_back(value);
        return values;
    }
    // Asks the child to close its instances and end; its exit code.
    DWORD stop() {
        SetEvent(stopEvent);
        return finish();
    }
    // Ends the child at once, without effClose, as a crash would.
    void kill() {
        TerminateProcess(process.hProcess, 9);
        finish();
    }
    bool isStarted() const { return started; }

private:
    DWORD finish() {
        DWORD code = 1;
        if (!started) return code;
        WaitForSingleObject(process.hProcess, 20000);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        started = false;
        return code;
    }

    std::string eventName;
    HANDLE stopEvent = nullptr;
    HANDLE readEnd = nullptr;
    PROCESS_INFORMATION process{};
    bool started = false;
};

class SharedBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        modulePath = environment("QM_MODULE_PATH");
        hostPath = environment("QM_HOST_PATH");
        ASSERT_FALSE(modulePath.empty() || hostPath.empty()) << "QM_MODULE_PATH and QM_HOST_PATH name the module";
    }
    std::string modulePath;
    std::string hostPath;
};

// Listens on Alpha in duck mode until the gain settles; the last output sample for input 1.0.
float duckedByAlpha(const Plugin& listener) {
    listener.setParameter(qm::ParamBypass, 0.0f);
    listener.setParameter(qm::ParamInputAlpha, 1.0f);
    listener.setParameter(qm::ParamDuckKey, 1.0f);
    listener.setParameter(qm::ParamThreshold, 0.5f);
    std::vector<float> in(512, 1.0f);
    std::vector<float> out(512, 0.0f);
    for (int block = 0; block < 300; ++block) {
        listener.processReplacing(in.data(), in.data(), out.data(), out.data(), 512);
    }
    return out.back();
}

TEST_F(SharedBusTest, AListenerDucksByASenderInAnotherProcess) {
    ChildHost sender(hostPath, modulePath, 1, 1.0f);
    ASSERT_TRUE(sender.isStarted());
    ASSERT_EQ(sender.slots(), std::vector<float>{0.0f});
    PluginModule module(modulePath);
    Plugin listener(module.create());
    EXPECT_EQ(listener.getParameter(qm::ParamOwnSlot), 1.0f);
    EXPECT_NEAR(duckedByAlpha(listener), kSettled48Db, 1e-4);
    EXPECT_NEAR(listener.getParameter(qm::ParamMeter), 0.99602, 1e-4);
    EXPECT_EQ(sender.stop(), 0u);
}

TEST_F(SharedBusTest, FiveInstancesOverThreeProcessesGetSlotsZeroToThreeAndNone) {
    ChildHost first(hostPath, modulePath, 2, 0.5f);
    ASSERT_EQ(first.slots(), (std::vector<float>{0.0f, 1.0f}));
    ChildHost second(hostPath, modulePath, 2, 0.5f);
    ASSERT_EQ(second.slots(), (std::vector<float>{2.0f, 3.0f}));
    PluginModule module(modulePath);
    Plugin fifth(module.create());
    EXPECT_EQ(fifth.getParameter(qm::ParamOwnSlot), 6.0f);
    EXPECT_EQ(first.stop(), 0u);
    EXPECT_EQ(second.stop(), 0u);
}

TEST_F(SharedBusTest, AKilledProcessFreesItsSlotForTheNextInstance) {
    ChildHost doomed(hostPath, modulePath, 1, 1.0f);
    ASSERT_EQ(doomed.slots(), std::vector<float>{0.0f});
    ChildHost idle(hostPath, modulePath, 1, 1.0f);
    ASSERT_EQ(idle.slots(), std::vector<float>{1.0f});
    doomed.kill();
    PluginModule module(modulePath);
    Plugin next(module.create());
    EXPECT_EQ(next.getParameter(qm::ParamOwnSlot), 0.0f);
    Plugin after(module.create());
    EXPECT_EQ(after.getParameter(qm::ParamOwnSlot), 2.0f);
    EXPECT_EQ(idle.stop(), 0u);
}

TEST_F(SharedBusTest, ProcessesOfTheOtherWidthShareKeys) {
    const std::string peerHost = environment("QM_PEER_HOST_PATH");
    const std::string peerModule = environment("QM_PEER_MODULE_PATH");
    ASSERT_FALSE(peerHost.empty() || peerModule.empty());
    ChildHost sender(peerHost, peerModule, 1, 1.0f);
    ASSERT_EQ(sender.slots(), std::vector<float>{0.0f});
    PluginModule module(modulePath);
    Plugin listener(module.create());
    EXPECT_EQ(listener.getParameter(qm::ParamOwnSlot), 1.0f);
    EXPECT_NEAR(duckedByAlpha(listener), kSettled48Db, 1e-4);
    EXPECT_EQ(sender.stop(), 0u);
}

// A security descriptor in SDDL with "%s" standing for the current user's SID.
class Descriptor {
public:
    explicit Descriptor(const std::string& pattern) {
        HANDLE token = nullptr;
        OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
        DWORD needed = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
        std::vector<char> user(needed);
        char* sid = nullptr;
        if (needed != 0 && GetTokenInformation(token, TokenUser, user.data(), needed, &needed) &&
            ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid)) {
            std::string text = pattern;
            for (std::size_t at = text.find("%s"); at != std::string::npos; at = text.find("%s")) {
                text.replace(at, 2, sid);
            }
            LocalFree(sid);
            ConvertStringSecurityDescriptorToSecurityDescriptorA(text.c_str(), SDDL_REVISION_1, &descriptor, nullptr);
        }
        CloseHandle(token);
    }
    ~Descriptor() {
        if (descriptor != nullptr) LocalFree(descriptor);
    }
    SECURITY_ATTRIBUTES* attributes() {
        security = SECURITY_ATTRIBUTES{sizeof security, descriptor, FALSE};
        return &security;
    }
    bool isValid() const { return descriptor != nullptr; }

private:
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    SECURITY_ATTRIBUTES security{};
};

// The key bus region made before any instance, as another program (or user) could make it.
class PremadeRegion {
public:
    PremadeRegion(SECURITY_ATTRIBUTES* attributes, bool garbage) {
        mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, attributes, PAGE_READWRITE, 0, kBytes,
                                     "Local\\QuellmarV3.KeyBus.2");
        void* view = mapping != nullptr ? MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, kBytes) : nullptr;
        memory = static_cast<unsigned char*>(view);
        if (memory == nullptr) return;
        std::mt19937 random(5);
        for (DWORD i = 0; garbage && i < kBytes; ++i) memory[i] = static_cast<unsigned char>(random());
        before.assign(memory, memory + 4096);
    }
    ~PremadeRegion() {
        if (memory != nullptr) UnmapViewOfFile(memory);
        if (mapping != nullptr) CloseHandle(mapping);
    }
    PremadeRegion(const PremadeRegion&) = delete;
    PremadeRegion& operator=(const PremadeRegion&) = delete;

    bool isMade() const { return memory != nullptr; }
    // True when the header and slot records are as this test left them.
    bool isUntouched() const { return memory != nullptr && std::equal(before.begin(), before.end(), memory); }

private:
    static constexpr DWORD kBytes = static_cast<DWORD>(qm::keyRegionBytes(1 << 16));
    HANDLE mapping = nullptr;
    unsigned char* memory = nullptr;
    std::vector<unsigned char> before;
};

// Two processes and this one, each with instances that take slots from 0: nobody shares.
void expectEveryProcessAlone(const std::string& hostPath, const std::string& modulePath) {
    ChildHost first(hostPath, modulePath, 1, 1.0f);
    ChildHost second(hostPath, modulePath, 2, 1.0f);
    EXPECT_EQ(first.slots(), std::vector<float>{0.0f});
    EXPECT_EQ(second.slots(), (std::vector<float>{0.0f, 1.0f}));
    {
        PluginModule module(modulePath);
        Plugin alone(module.create());
        EXPECT_EQ(alone.getParameter(qm::ParamOwnSlot), 0.0f);
        std::vector<float> in(512, 0.25f);
        std::vector<float> out(512, 0.0f);
        alone.processReplacing(in.data(), in.data(), out.data(), out.data(), 512);
        EXPECT_EQ(out.back(), 0.25f);
    }
    EXPECT_EQ(first.stop(), 0u);
    EXPECT_EQ(second.stop(), 0u);
}

// The tests below make the region themselves; nobody else may use it meanwhile, and each leaves
// it as it found it.
TEST_F(SharedBusTest, AMappingOpenToEverybodyIsNeitherWrittenNorUsed) {
    SECURITY_DESCRIPTOR open{};
    ASSERT_TRUE(InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE));  // no access list: everybody
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &open, FALSE};
    PremadeRegion region(&attributes, false);
    ASSERT_TRUE(region.isMade());
    expectEveryProcessAlone(hostPath, modulePath);
    EXPECT_TRUE(region.isUntouched());
}

TEST_F(SharedBusTest, AMappingOfAnotherOwnerIsNeitherWrittenNorUsed) {
    // Owned by the administrators, though only the current user may use it.
    Descriptor foreignOwner("O:BAD:P(A;;GA;;;%s)");
    ASSERT_TRUE(foreignOwner.isValid());
    PremadeRegion region(foreignOwner.attributes(), false);
    ASSERT_TRUE(region.isMade());
    expectEveryProcessAlone(hostPath, modulePath);
    EXPECT_TRUE(region.isUntouched());
}

TEST_F(SharedBusTest, AMappingOfOursFullOfGarbageIsLeftAloneAndProcessesShareAFreshOne) {
    Descriptor ours("O:%sD:P(A;;GA;;;%s)");
    ASSERT_TRUE(ours.isValid());
    PremadeRegion region(ours.attributes(), true);
    ASSERT_TRUE(region.isMade());
    // The second process starts once the first has joined, so that the slots come in order.
    ChildHost first(hostPath, modulePath, 1, 1.0f);
    EXPECT_EQ(first.slots(), std::vector<float>{0.0f});
    ChildHost second(hostPath, modulePath, 2, 1.0f);
    EXPECT_EQ(second.slots(), (std::vector<float>{1.0f, 2.0f}));
    {
        PluginModule module(modulePath);
        Plugin listener(module.create());
        EXPECT_EQ(listener.getParameter(qm::ParamOwnSlot), 3.0f);
        EXPECT_NEAR(duckedByAlpha(listener), kSettled48Db, 1e-4);
    }
    EXPECT_EQ(first.stop(), 0u);
    EXPECT_EQ(second.stop(), 0u);
    EXPECT_TRUE(region.isUntouched());
}

}  // namespace
}  // namespace qmhost
