#include "results.h"

#include <windows.h>

namespace uidriver {

Results::Results(const std::string& path)
    : m_file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr)) {
    if (m_file == INVALID_HANDLE_VALUE) {
        m_file = nullptr;
    }
}

Results::~Results() {
    if (m_file != nullptr) {
        CloseHandle(m_file);
    }
}

void Results::Write(const std::string& line) {
    if (m_file == nullptr) {
        return;
    }
    std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(m_file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    FlushFileBuffers(m_file);
}

}  // namespace uidriver
