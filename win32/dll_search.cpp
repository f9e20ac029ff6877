#include "win32/dll_search.h"

#include <windows.h>

namespace win32 {

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32, named here so no flag of the update is used
// where it may be missing: it is passed only to the update's own function.
constexpr DWORD SEARCH_SYSTEM32_ONLY = 0x00000800;

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD directoryFlags);

}  // namespace

void NarrowDllSearch() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto setDefault = kernel == nullptr
                          ? nullptr
                          : reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
                                GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault != nullptr && setDefault(SEARCH_SYSTEM32_ONLY)) {
        return;
    }
    SetDllDirectoryA("");
}

}  // namespace win32
