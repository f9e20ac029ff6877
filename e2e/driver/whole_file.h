// Reading a small file whole: the driver's script and the files it records,
// the benchmark baseline's replay. (The simulated library reads its scenario
// on its own: it links no C++.)
#pragma once

#include <windows.h>

#include <string>

namespace e2efile {

inline std::string ReadWholeFile(const std::string& path, bool* ok) {
    *ok = false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "";
    }
    std::string text;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        text.append(chunk, got);
    }
    CloseHandle(file);
    *ok = true;
    return text;
}

}  // namespace e2efile
