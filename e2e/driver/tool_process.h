// A copy of the tool started by the driver, with the driver's environment, and a
// watcher that notes every window the process ever shows.
#pragma once

#include <windows.h>

#include <string>

namespace uidriver {

class ToolProcess {
public:
    ToolProcess() = default;
    ~ToolProcess();
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    // Starts the launch and returns at once: Wine's CreateProcess only
    // returns once the new process runs, which takes long for a 32-bit
    // process under emulation, and the driver goes on meanwhile. Wine takes
    // a new process's locale from the Unix environment, not from the block
    // given to CreateProcess, so a lane sets it for all it starts.
    bool Start(const std::string& exe, const std::string& directory);
    // Waits for the launch; false (with the reason) when it failed or is
    // still under way after the time.
    bool WaitStarted(DWORD timeoutMs, std::string* error);
    DWORD Id() const { return m_id; }
    // Tick count just before the process was created (valid once started).
    DWORD LaunchedAt() const { return m_launchedAt; }
    // True when the process has ended within the time; its exit code then.
    bool WaitExit(DWORD timeoutMs, DWORD* exitCode);
    // Ends the process if it still runs.
    void Kill();
    // The most visible top-level windows the process had at one time.
    LONG MostWindowsSeen() const { return m_mostWindows; }

private:
    static DWORD WINAPI LaunchAndWatch(void* self);

    std::string m_exe;
    std::string m_directory;
    std::string m_error;
    HANDLE m_launched = nullptr;  // set once the launch has succeeded or failed
    HANDLE m_thread = nullptr;
    HANDLE m_process = nullptr;
    DWORD m_id = 0;
    DWORD m_launchedAt = 0;
    volatile LONG m_mostWindows = 0;
};

}  // namespace uidriver
