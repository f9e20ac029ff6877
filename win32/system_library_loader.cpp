#include "win32/system_library_loader.h"

#include <windows.h>

#include <string>

namespace win32 {

readercheck::LibraryHandle SystemLibraryLoader::Load(const char* name) {
    // A bare name would be searched for beside the program and in the current
    // directory too, where anyone could plant a library of that name. The full
    // path of the system directory rules both out; the altered search path lets
    // the library's own dependencies come from its directory as well, and needs
    // no system update on Windows 7.
    char directory[MAX_PATH];
    UINT length = GetSystemDirectoryA(directory, sizeof directory);
    if (length == 0 || length >= sizeof directory) {
        return nullptr;
    }
    std::string path = std::string(directory, length) + "\\" + name;
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void* SystemLibraryLoader::FindExport(readercheck::LibraryHandle library, const char* exportName) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), exportName));
}

void SystemLibraryLoader::Free(readercheck::LibraryHandle library) {
    FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace win32
