// Named file mappings for the key bus in the session's local namespace, created with the current
// user as owner and an access list that grants that user alone. An existing object of one of our
// names is used only when it has that same owner and grants nobody else; anything else makes the
// caller use a bus of its own. A mapping cannot be renamed or removed while anybody holds it, so
// one whose header does not match is not replaced under its name: openers skip it and use the
// next generation of the name (".2", ".3", ...), the lowest one that matches, else the lowest
// free one. A named mutex beside the mappings serialises openers. Process liveness from the
// process's creation time: a reused process id belongs to a process created at another time.

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "engine/SharedMemory.h"

namespace qm {
namespace {

constexpr int kGenerations = 8;
constexpr DWORD kLockWaitMs = 1000;

std::uint32_t stampOf(const FILETIME& created) {
    return (created.dwLowDateTime ^ created.dwHighDateTime) ^ 0x9E3779B9u;
}

// The user of this process: its security identifier, and a security descriptor that makes that
// user the owner of new objects and grants nobody else anything.
class CurrentUser {
public:
    CurrentUser() {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
        DWORD needed = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
        tokenUser.resize(needed);
        char* sidText = nullptr;
        if (needed != 0 && GetTokenInformation(token, TokenUser, tokenUser.data(), needed, &needed) &&
            ConvertSidToStringSidA(sid(), &sidText)) {
            const std::string text = std::string("O:") + sidText + "D:P(A;;GA;;;" + sidText + ")";
            LocalFree(sidText);
            ConvertStringSecurityDescriptorToSecurityDescriptorA(text.c_str(), SDDL_REVISION_1, &descriptor,
                                                                 nullptr);
        }
        CloseHandle(token);
    }
    ~CurrentUser() {
        if (descriptor != nullptr) LocalFree(descriptor);
    }
    CurrentUser(const CurrentUser&) = delete;
    CurrentUser& operator=(const CurrentUser&) = delete;

    bool isKnown() const { return descriptor != nullptr; }
    PSID sid() const { return reinterpret_cast<const TOKEN_USER*>(tokenUser.data())->User.Sid; }
    SECURITY_ATTRIBUTES* attributes() {
        security = SECURITY_ATTRIBUTES{sizeof security, descriptor, FALSE};
        return &security;
    }

    // True when the object's owner is this user and its access list allows nobody else anything.
    bool ownsAlone(HANDLE object) const {
        PSID owner = nullptr;
        PACL accessList = nullptr;
        PSECURITY_DESCRIPTOR objectDescriptor = nullptr;
        if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                            nullptr, &accessList, nullptr, &objectDescriptor) != ERROR_SUCCESS) {
            return false;
        }
        // A missing access list lets everybody in.
        bool alone = owner != nullptr && EqualSid(owner, sid()) && accessList != nullptr;
        for (DWORD i = 0; alone && i < accessList->AceCount; ++i) {
            void* entry = nullptr;
            alone = GetAce(accessList, i, &entry) != 0;
            if (!alone) break;
            const BYTE type = static_cast<ACE_HEADER*>(entry)->AceType;
            if (type == ACCESS_ALLOWED_ACE_TYPE) {
                alone = EqualSid(&static_cast<ACCESS_ALLOWED_ACE*>(entry)->SidStart, sid()) != 0;
            } else {
                // Denials take nothing away from the owner's privacy; other kinds of grant do.
                alone = type == ACCESS_DENIED_ACE_TYPE;
            }
        }
        LocalFree(objectDescriptor);
        return alone;
    }

private:
    std::vector<char> tokenUser;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    SECURITY_ATTRIBUTES security{};
};

// The named mutex that serialises openers, held while the object lives.
class OpenerLock {
public:
    OpenerLock(const std::string& name, CurrentUser& user) {
        mutex = CreateMutexA(user.attributes(), FALSE, name.c_str());
        if (mutex == nullptr || !user.ownsAlone(mutex)) return;
        const DWORD waited = WaitForSingleObject(mutex, kLockWaitMs);
        held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ~OpenerLock() {
        if (held) ReleaseMutex(mutex);
        if (mutex != nullptr) CloseHandle(mutex);
    }
    OpenerLock(const OpenerLock&) = delete;
    OpenerLock& operator=(const OpenerLock&) = delete;

    bool isHeld() const { return held; }

private:
    HANDLE mutex = nullptr;
    bool held = false;
};

std::string generationName(const std::string& name, int generation) {
    return generation == 0 ? name : name + "." + std::to_string(generation + 1);
}

// A view of all `bytes` of the mapping; null when the mapping is smaller.
void* mapWhole(HANDLE mapping, std::size_t bytes) {
    void* address = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, bytes);
    MEMORY_BASIC_INFORMATION region{};
    if (address != nullptr && (VirtualQuery(address, &region, sizeof region) == 0 || region.RegionSize < bytes)) {
        UnmapViewOfFile(address);
        address = nullptr;
    }
    return address;
}

}  // namespace

std::unique_ptr<SharedMemory> SharedMemory::openForCurrentUser(const std::string& name, std::size_t bytes,
                                                               Adopter adopt) {
    const auto adopted = [&](void* address, HANDLE mapping) {
        return std::unique_ptr<SharedMemory>(
            new SharedMemory(address, bytes, reinterpret_cast<std::intptr_t>(mapping), name));
    };
    CurrentUser user;
    if (!user.isKnown() || bytes == 0) return nullptr;
    OpenerLock lock(name + ".Lock", user);
    if (!lock.isHeld()) return nullptr;
    // The lowest generation that exists and matches; a foreign one anywhere ends the search.
    for (int generation = 0; generation < kGenerations; ++generation) {
        HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, generationName(name, generation).c_str());
        if (mapping == nullptr) {
            if (GetLastError() == ERROR_FILE_NOT_FOUND) continue;
            return nullptr;
        }
        if (!user.ownsAlone(mapping)) {
            CloseHandle(mapping);
            return nullptr;
        }
        void* address = mapWhole(mapping, bytes);
        if (address != nullptr && adopt(address, bytes, false)) {
            return adopted(address, mapping);
        }
        if (address != nullptr) UnmapViewOfFile(address);
        CloseHandle(mapping);
    }
    // None matches: a fresh one at the lowest free generation.
    const auto size = static_cast<std::uint64_t>(bytes);
    for (int generation = 0; generation < kGenerations; ++generation) {
        HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, user.attributes(), PAGE_READWRITE,
                                            static_cast<DWORD>(size >> 32), static_cast<DWORD>(size),
                                            generationName(name, generation).c_str());
        if (mapping == nullptr) return nullptr;
        if (GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(mapping);
            continue;
        }
        void* address = mapWhole(mapping, bytes);
        if (address != nullptr && adopt(address, bytes, true)) {
            return adopted(address, mapping);
        }
        if (address != nullptr) UnmapViewOfFile(address);
        CloseHandle(mapping);
        return nullptr;
    }
    return nullptr;
}

SharedMemory::~SharedMemory() {
    UnmapViewOfFile(address);
    CloseHandle(reinterpret_cast<HANDLE>(handle));
}

// A mapping lives as long as anybody holds it and keeps its size: it is never replaced under its
// holders. A broken header is what tells its holders to look again.
bool SharedMemory::isCurrent() const { return true; }

std::string keyRegionNameForCurrentUser() { return "Local\\QuellmarV3.KeyBus.2"; }

std::uint64_t currentProcessToken() {
    static const std::uint64_t token = [] {
        FILETIME created{}, exited{}, kernel{}, user{};
        GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
        return (std::uint64_t{GetCurrentProcessId()} << 32) | stampOf(created);
    }();
    return token;
}

bool isProcessTokenAlive(std::uint64_t token) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(token >> 32));
    if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD exitCode = 0;
    FILETIME created{}, exited{}, kernel{}, user{};
    const bool alive = GetExitCodeProcess(process, &exitCode) && exitCode == STILL_ACTIVE &&
                       GetProcessTimes(process, &created, &exited, &kernel, &user) &&
                       stampOf(created) == static_cast<std::uint32_t>(token);
    CloseHandle(process);
    return alive;
}

}  // namespace qm
