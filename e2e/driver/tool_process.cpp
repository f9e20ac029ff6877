#include "tool_process.h"

#include "window_query.h"

namespace uidriver {
ToolProcess::~ToolProcess() {
    if (m_thread != nullptr) {
        WaitForSingleObject(m_launched, INFINITE);
        Kill();  // never leave a copy behind
        WaitForSingleObject(m_thread, 5000);
        CloseHandle(m_thread);
    }
    if (m_process != nullptr) {
        CloseHandle(m_process);
    }
    if (m_launched != nullptr) {
        CloseHandle(m_launched);
    }
}

bool ToolProcess::Start(const std::string& exe, const std::string& directory) {
    m_exe = exe;
    m_directory = directory;
    m_launched = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_thread = CreateThread(nullptr, 0, LaunchAndWatch, this, 0, nullptr);
    return m_launched != nullptr && m_thread != nullptr;
}

bool ToolProcess::WaitStarted(DWORD timeoutMs, std::string* error) {
    if (m_launched == nullptr || WaitForSingleObject(m_launched, timeoutMs) != WAIT_OBJECT_0) {
        *error = "still starting";
        return false;
    }
    *error = m_error;
    return m_process != nullptr;
}

bool ToolProcess::WaitExit(DWORD timeoutMs, DWORD* exitCode) {
    DWORD begin = GetTickCount();
    std::string error;
    if (!WaitStarted(timeoutMs, &error)) {
        return false;
    }
    DWORD spent = GetTickCount() - begin;
    DWORD left = spent < timeoutMs ? timeoutMs - spent : 0;
    if (WaitForSingleObject(m_process, left) != WAIT_OBJECT_0) {
        return false;
    }
    GetExitCodeProcess(m_process, exitCode);
    return true;
}

void ToolProcess::Kill() {
    if (m_process != nullptr && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_process, 1);
        WaitForSingleObject(m_process, 10000);
    }
}

DWORD WINAPI ToolProcess::LaunchAndWatch(void* self) {
    auto* tool = static_cast<ToolProcess*>(self);
    std::string commandLine = "\"" + tool->m_exe + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    tool->m_launchedAt = GetTickCount();
    if (!CreateProcessA(tool->m_exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        tool->m_directory.c_str(), &startup, &info)) {
        tool->m_error = "CreateProcess failed, error " + std::to_string(GetLastError());
        SetEvent(tool->m_launched);
        return 0;
    }
    CloseHandle(info.hThread);
    tool->m_process = info.hProcess;
    tool->m_id = info.dwProcessId;
    SetEvent(tool->m_launched);
    while (WaitForSingleObject(tool->m_process, 50) == WAIT_TIMEOUT) {
        LONG count = CountVisibleWindows(tool->m_id);
        if (count > tool->m_mostWindows) {
            InterlockedExchange(&tool->m_mostWindows, count);
        }
    }
    return 0;
}

}  // namespace uidriver
