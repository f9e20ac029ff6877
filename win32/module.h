// The program's own module, where its resources live.
#pragma once

#include <windows.h>

namespace win32 {

inline HINSTANCE ProgramModule() {
    return GetModuleHandleA(nullptr);
}

}  // namespace win32
