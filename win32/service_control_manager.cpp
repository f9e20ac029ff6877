#include "win32/service_control_manager.h"

#include <windows.h>
#include <winsvc.h>

#include <cstddef>

namespace win32 {

using readercheck::ServiceStatusRecord;

// The check reads the system's records through ServiceStatusRecord, so the
// two layouts must agree on either word size.
static_assert(sizeof(ServiceStatusRecord) == sizeof(ENUM_SERVICE_STATUSA));
static_assert(offsetof(ServiceStatusRecord, serviceName) ==
              offsetof(ENUM_SERVICE_STATUSA, lpServiceName));
static_assert(offsetof(ServiceStatusRecord, displayName) ==
              offsetof(ENUM_SERVICE_STATUSA, lpDisplayName));
static_assert(offsetof(ServiceStatusRecord, serviceType) ==
              offsetof(ENUM_SERVICE_STATUSA, ServiceStatus.dwServiceType));
static_assert(offsetof(ServiceStatusRecord, currentState) ==
              offsetof(ENUM_SERVICE_STATUSA, ServiceStatus.dwCurrentState));
static_assert(offsetof(ServiceStatusRecord, controlsAccepted) ==
              offsetof(ENUM_SERVICE_STATUSA, ServiceStatus.dwControlsAccepted));
static_assert(offsetof(ServiceStatusRecord, win32ExitCode) ==
              offsetof(ENUM_SERVICE_STATUSA, ServiceStatus.dwWin32ExitCode));
static_assert(offsetof(ServiceStatusRecord, serviceSpecificExitCode) ==
              offsetof(ENUM_SERVICE_STATUSA, ServiceStatus.dwServiceSpecificExitCode));
static_assert(offsetof(ServiceStatusRecord, checkPoint) ==
              offsetof(ENUM_SERVICE_STATUSA, ServiceStatus.dwCheckPoint));
static_assert(offsetof(ServiceStatusRecord, waitHint) ==
              offsetof(ENUM_SERVICE_STATUSA, ServiceStatus.dwWaitHint));
static_assert(readercheck::ERROR_MORE_DATA_CODE == ERROR_MORE_DATA);
static_assert(readercheck::SERVICE_RUNNING_STATE == SERVICE_RUNNING);

readercheck::ServiceManagerHandle ServiceControlManager::Open() {
    return OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE);
}

uint32_t ServiceControlManager::EnumerateBatch(readercheck::ServiceManagerHandle manager,
                                               void* buffer, uint32_t bufferSize,
                                               uint32_t* bytesNeeded, uint32_t* servicesReturned,
                                               uint32_t* resumeHandle) {
    // DWORD is unsigned long, not uint32_t's unsigned int: pass copies.
    DWORD needed = 0;
    DWORD returned = 0;
    DWORD resume = resumeHandle != nullptr ? *resumeHandle : 0;
    BOOL ok = EnumServicesStatusA(static_cast<SC_HANDLE>(manager), SERVICE_WIN32, SERVICE_STATE_ALL,
                                  static_cast<ENUM_SERVICE_STATUSA*>(buffer), bufferSize, &needed,
                                  &returned, &resume);
    DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    if (bytesNeeded != nullptr) {
        *bytesNeeded = needed;
    }
    if (servicesReturned != nullptr) {
        *servicesReturned = returned;
    }
    if (resumeHandle != nullptr) {
        *resumeHandle = resume;
    }
    return error;
}

void ServiceControlManager::Close(readercheck::ServiceManagerHandle manager) {
    CloseServiceHandle(static_cast<SC_HANDLE>(manager));
}

}  // namespace win32
