// The few system services a check run needs. The check never includes
// windows.h: the Windows program implements these with Win32 calls, the
// tests with scripted fakes.
#pragma once

#include <cstdint>

#include "check/control_ids.h"

namespace readercheck {

// Message box flags and results, with the values of the Windows API.
constexpr unsigned BOX_NOTICE_FLAGS = 0x00;   // MB_OK
constexpr unsigned BOX_YESNO_FLAGS = 0x04;    // MB_YESNO
constexpr unsigned BOX_WARNING_FLAGS = 0x30;  // MB_OK | MB_ICONEXCLAMATION
constexpr int BOX_YES = 6;                    // IDYES
constexpr int BOX_NO = 7;                     // IDNO

// The check dialog as the worker thread sees it: its window handle and
// nothing else, so every call is a message to the dialog's thread.
class CheckWindow {
public:
    virtual ~CheckWindow() = default;
    // SetDlgItemTextA(owner, id, text)
    virtual void SetItemText(int id, const char* text) = 0;
    // EM_GETLINECOUNT to the control with this id
    virtual int GetLineCount(int id) = 0;
    // EM_LINESCROLL(0, lines) to the control with this id
    virtual void ScrollLines(int id, int lines) = 0;
    // EnableWindow(GetDlgItem(owner, id), enabled)
    virtual void EnableItem(int id, bool enabled) = 0;
    // MessageBoxA(owner, text, caption, flags); 0 when no box could be shown
    virtual int ShowMessageBox(const char* text, const char* caption, unsigned flags) = 0;
    // The dialog has gone: closed by another program, by Windows or by its
    // exit button before the run disabled it. A box open at that moment has
    // returned without an answer.
    virtual bool IsGone() = 0;
};

class Pauser {
public:
    virtual ~Pauser() = default;
    virtual void Pause(unsigned milliseconds) = 0;  // Sleep
};

using LibraryHandle = void*;

class LibraryLoader {
public:
    virtual ~LibraryLoader() = default;
    // nullptr when the library cannot be loaded
    virtual LibraryHandle Load(const char* name) = 0;
    // nullptr when the export is missing
    virtual void* FindExport(LibraryHandle library, const char* exportName) = 0;
    virtual void Free(LibraryHandle library) = 0;
};

// One record of a service list batch, laid out as ENUM_SERVICE_STATUSA:
// two string pointers followed by the seven DWORDs of SERVICE_STATUS.
struct ServiceStatusRecord {
    const char* serviceName;
    const char* displayName;
    uint32_t serviceType;
    uint32_t currentState;
    uint32_t controlsAccepted;
    uint32_t win32ExitCode;
    uint32_t serviceSpecificExitCode;
    uint32_t checkPoint;
    uint32_t waitHint;
};

using ServiceManagerHandle = void*;

constexpr uint32_t ERROR_MORE_DATA_CODE = 234;  // ERROR_MORE_DATA
constexpr uint32_t SERVICE_RUNNING_STATE = 4;   // SERVICE_RUNNING

class ServiceManager {
public:
    virtual ~ServiceManager() = default;
    // OpenSCManagerA(NULL, NULL, SC_MANAGER_ENUMERATE_SERVICE); nullptr on failure
    virtual ServiceManagerHandle Open() = 0;
    // EnumServicesStatusA(manager, SERVICE_WIN32, SERVICE_STATE_ALL, ...) into
    // buffer. Returns 0 when the call succeeded, otherwise the error that the
    // call itself left (GetLastError right after it).
    virtual uint32_t EnumerateBatch(ServiceManagerHandle manager, void* buffer, uint32_t bufferSize,
                                    uint32_t* bytesNeeded, uint32_t* servicesReturned,
                                    uint32_t* resumeHandle) = 0;
    virtual void Close(ServiceManagerHandle manager) = 0;
};

}  // namespace readercheck
