// A named file mapping for the key bus in the session's local namespace, created with an access
// list that grants the current user alone. Process liveness from the process's creation time: a
// reused process id belongs to a process created at another time.

#include <windows.h>
#include <sddl.h>

#include <string>

#include "engine/SharedMemory.h"

namespace qm {
namespace {

std::uint32_t stampOf(const FILETIME& created) {
    return (created.dwLowDateTime ^ created.dwHighDateTime) ^ 0x9E3779B9u;
}

// "D:P(A;;GA;;;<sid>)" for the user of this process: full access for that user, nobody else.
std::string userOnlyAccessList() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    std::string result;
    DWORD needed = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
    std::string buffer(needed, '\0');
    char* sidText = nullptr;
    if (needed != 0 && GetTokenInformation(token, TokenUser, buffer.data(), needed, &needed) &&
        ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sidText)) {
        result = std::string("D:P(A;;GA;;;") + sidText + ")";
        LocalFree(sidText);
    }
    CloseHandle(token);
    return result;
}

}  // namespace

std::unique_ptr<SharedMemory> SharedMemory::openForCurrentUser(const std::string& name, std::size_t bytes) {
    const std::string accessList = userOnlyAccessList();
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (accessList.empty() ||
        !ConvertStringSecurityDescriptorToSecurityDescriptorA(accessList.c_str(), SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
        return nullptr;
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    const auto size = static_cast<std::uint64_t>(bytes);
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE,
                                       static_cast<DWORD>(size >> 32), static_cast<DWORD>(size), name.c_str());
    LocalFree(descriptor);
    if (mapping == nullptr) return nullptr;
    void* address = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, bytes);
    MEMORY_BASIC_INFORMATION region{};
    if (address != nullptr && (VirtualQuery(address, &region, sizeof region) == 0 || region.RegionSize < bytes)) {
        UnmapViewOfFile(address);
        address = nullptr;
    }
    if (address == nullptr) {
        CloseHandle(mapping);
        return nullptr;
    }
    return std::unique_ptr<SharedMemory>(new SharedMemory(address, bytes, reinterpret_cast<std::intptr_t>(mapping)));
}

SharedMemory::~SharedMemory() {
    UnmapViewOfFile(address);
    CloseHandle(reinterpret_cast<HANDLE>(handle));
}

std::string keyRegionNameForCurrentUser() { return "Local\\QuellmarV3.KeyBus.1"; }

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
