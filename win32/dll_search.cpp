#include "win32/dll_search.h"

#include <windows.h>

namespace win32 {

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32, named here so no flag of the update is used
// where it may be missing: it is passed only to the update's own function.
constexpr DWORD SEARCH_SYSTEM32_ONLY = 0x00000800;

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD directoryFlags);
using SetDllDirectoryAFn = BOOL(WINAPI*)(LPCSTR directory);

// Both are looked up, never imported: a system without one of them must
// still load the program, so that it can say the system is not supported.
// SetDefaultDllDirectories comes with an update of Windows 7,
// SetDllDirectoryA with Windows XP SP1.
template <typename Function>
Function FindKernelFunction(const char* name) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel == nullptr
               ? nullptr
               : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}

}  // namespace

void NarrowDllSearch() {
    auto setDefault = FindKernelFunction<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories");
    if (setDefault != nullptr && setDefault(SEARCH_SYSTEM32_ONLY)) {
        return;
    }
    auto setDirectory = FindKernelFunction<SetDllDirectoryAFn>("SetDllDirectoryA");
    if (setDirectory != nullptr) {
        setDirectory("");  // takes the current directory out of the search
    }
}

}  // namespace win32
