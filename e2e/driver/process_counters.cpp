#include "process_counters.h"

#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <map>
#include <vector>

namespace uidriver {
namespace {

constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);
// The 64-bit process environment block keeps the address of the process's
// GDI handle table here; each entry is 24 bytes with its type at byte 14
// (0 for a free entry).
constexpr size_t kPebGdiTableOffset = 0xF8;
constexpr size_t kGdiEntries = 0x10000;
constexpr size_t kGdiEntrySize = 24;
constexpr size_t kGdiTypeOffset = 14;

struct HandleEntry {
    void* object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG access;
    USHORT backTrace;
    USHORT typeIndex;
    ULONG attributes;
    ULONG reserved;
};

struct HandleList {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};

// The system's handle list, or an empty buffer when it cannot be read.
std::vector<char> SystemHandles() {
    std::vector<char> buffer(1 << 20);
    NTSTATUS status;
    ULONG needed = 0;
    while ((status = NtQuerySystemInformation(
                static_cast<SYSTEM_INFORMATION_CLASS>(kSystemExtendedHandleInformation),
                buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
               kInfoLengthMismatch &&
           buffer.size() < (1u << 28)) {
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0) {
        buffer.clear();
    }
    return buffer;
}

std::vector<ULONG_PTR> HandlesOf(DWORD processId, const std::vector<char>& buffer) {
    std::vector<ULONG_PTR> handles;
    const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
    for (ULONG_PTR i = 0; i < list->count; ++i) {
        if (list->entries[i].processId == processId) {
            handles.push_back(list->entries[i].handle);
        }
    }
    return handles;
}

long long CountHandles(DWORD processId) {
    std::vector<char> buffer = SystemHandles();
    return buffer.empty() ? kNotRead : static_cast<long long>(HandlesOf(processId, buffer).size());
}

// The type of one of the process's handles, read through a copy of it.
std::string TypeOfHandle(HANDLE process, ULONG_PTR handle) {
    HANDLE copy = nullptr;
    if (!DuplicateHandle(process, reinterpret_cast<HANDLE>(handle), GetCurrentProcess(), &copy, 0,
                         FALSE, DUPLICATE_SAME_ACCESS)) {
        return "?";
    }
    alignas(8) char info[1024] = {};
    ULONG length = 0;
    NTSTATUS status = NtQueryObject(copy, ObjectTypeInformation, info, sizeof info, &length);
    CloseHandle(copy);
    const auto* type = reinterpret_cast<const PUBLIC_OBJECT_TYPE_INFORMATION*>(info);
    if (status != 0 || type->TypeName.Buffer == nullptr) {
        return "?";
    }
    std::string name;
    for (USHORT i = 0; i < type->TypeName.Length / sizeof(WCHAR); ++i) {
        name += static_cast<char>(type->TypeName.Buffer[i]);
    }
    return name.empty() ? "unnamed" : name;
}

bool ReadRemote(HANDLE process, ULONG_PTR address, void* out, size_t size) {
    SIZE_T got = 0;
    return ReadProcessMemory(process, reinterpret_cast<void*>(address), out, size, &got) &&
           got == size;
}

// Only for a process of the driver's own bitness: a 32-bit one keeps its
// table elsewhere.
long long CountGdiTableEntries(HANDLE process) {
    BOOL wow = FALSE;
    PROCESS_BASIC_INFORMATION basic = {};
    ULONG length = 0;
    if (!IsWow64Process(process, &wow) || wow ||
        NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic,
                                  &length) != 0) {
        return kNotRead;
    }
    ULONG_PTR peb = reinterpret_cast<ULONG_PTR>(basic.PebBaseAddress);
    ULONG_PTR table = 0;
    if (!ReadRemote(process, peb + kPebGdiTableOffset, &table, sizeof table) || table == 0) {
        return kNotRead;
    }
    std::vector<unsigned char> entries(kGdiEntries * kGdiEntrySize);
    if (!ReadRemote(process, table, entries.data(), entries.size())) {
        return kNotRead;
    }
    long long used = 0;
    for (size_t i = 0; i < kGdiEntries; ++i) {
        used += entries[i * kGdiEntrySize + kGdiTypeOffset] != 0 ? 1 : 0;
    }
    return used;
}

struct WindowCount {
    DWORD processId;
    long long count;
};

BOOL CALLBACK CountIfOwned(HWND window, LPARAM param) {
    auto* tally = reinterpret_cast<WindowCount*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    tally->count += owner == tally->processId ? 1 : 0;
    return TRUE;
}

BOOL CALLBACK CountWithChildren(HWND window, LPARAM param) {
    CountIfOwned(window, param);
    EnumChildWindows(window, CountIfOwned, param);
    return TRUE;
}

long long CountWindows(DWORD processId) {
    WindowCount tally{processId, 0};
    EnumWindows(CountWithChildren, reinterpret_cast<LPARAM>(&tally));
    for (HWND window = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); window != nullptr;
         window = FindWindowExA(HWND_MESSAGE, window, nullptr, nullptr)) {
        CountWithChildren(window, reinterpret_cast<LPARAM>(&tally));
    }
    return tally.count;
}

long long CountThreads(DWORD processId) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return kNotRead;
    }
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    long long count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        count += entry.th32OwnerProcessID == processId ? 1 : 0;
    }
    CloseHandle(snapshot);
    return count;
}

void ReadApiCounters(HANDLE process, ProcessCounters* counters) {
    DWORD handles = 0;
    if (GetProcessHandleCount(process, &handles)) {
        counters->handleApi = handles;
    }
    // Zero is what the call returns on failure as well as "none"; a live GUI
    // process always has some, so zero is left for the reader to judge.
    counters->gdiApi = GetGuiResources(process, GR_GDIOBJECTS);
    counters->userApi = GetGuiResources(process, GR_USEROBJECTS);
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof memory)) {
        counters->workingSet = memory.WorkingSetSize;
        counters->peakWorkingSet = memory.PeakWorkingSetSize;
        counters->privateBytes = memory.PrivateUsage;
        counters->pagefile = memory.PagefileUsage;
    }
}

void Append(std::string* text, const char* name, long long value) {
    *text += (text->empty() ? "" : " ") + std::string(name) + "=" +
             (value == kNotRead ? "-" : std::to_string(value));
}

}  // namespace

ProcessCounters ReadProcessCounters(DWORD processId) {
    ProcessCounters counters;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (process != nullptr) {
        ReadApiCounters(process, &counters);
        counters.gdiTable = CountGdiTableEntries(process);
        CloseHandle(process);
    }
    counters.handles = CountHandles(processId);
    counters.windows = CountWindows(processId);
    counters.threads = CountThreads(processId);
    return counters;
}

std::string HandleTypes(DWORD processId) {
    std::vector<char> buffer = SystemHandles();
    HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, processId);
    if (buffer.empty() || process == nullptr) {
        if (process != nullptr) {
            CloseHandle(process);
        }
        return "-";
    }
    std::map<std::string, int> types;
    for (ULONG_PTR handle : HandlesOf(processId, buffer)) {
        ++types[TypeOfHandle(process, handle)];
    }
    CloseHandle(process);
    std::string text;
    for (const auto& [name, count] : types) {
        text += (text.empty() ? "" : " ") + name + "=" + std::to_string(count);
    }
    return text;
}

std::string FormatCounters(const ProcessCounters& c) {
    std::string text;
    Append(&text, "handle_api", c.handleApi);
    Append(&text, "handles", c.handles);
    Append(&text, "gdi_api", c.gdiApi);
    Append(&text, "user_api", c.userApi);
    Append(&text, "gdi_table", c.gdiTable);
    Append(&text, "windows", c.windows);
    Append(&text, "threads", c.threads);
    Append(&text, "working_set", c.workingSet);
    Append(&text, "peak_working_set", c.peakWorkingSet);
    Append(&text, "private", c.privateBytes);
    Append(&text, "pagefile", c.pagefile);
    return text;
}

}  // namespace uidriver
