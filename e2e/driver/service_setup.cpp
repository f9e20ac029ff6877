#include "service_setup.h"

#include <windows.h>

namespace uidriver {
namespace {

constexpr char kServiceName[] = "SCardSvr";
constexpr char kDisplayName[] = "Smart Card";
constexpr char kLegacyDisplayName[] = "Smart Card Resource Manager";
constexpr int kPolls = 200;
constexpr DWORD kPollMs = 50;

class ServiceHandle {
public:
    explicit ServiceHandle(SC_HANDLE handle) : m_handle(handle) {}
    ~ServiceHandle() {
        if (m_handle != nullptr) {
            CloseServiceHandle(m_handle);
        }
    }
    ServiceHandle(const ServiceHandle&) = delete;
    ServiceHandle& operator=(const ServiceHandle&) = delete;
    SC_HANDLE Get() const { return m_handle; }

private:
    SC_HANDLE m_handle;
};

std::string Failure(const char* what) {
    return std::string(what) + " error " + std::to_string(GetLastError());
}

DWORD CurrentState(SC_HANDLE service) {
    SERVICE_STATUS status = {};
    return QueryServiceStatus(service, &status) ? status.dwCurrentState : 0;
}

bool WaitForState(SC_HANDLE service, DWORD state) {
    for (int i = 0; i < kPolls; ++i) {
        if (CurrentState(service) == state) {
            return true;
        }
        Sleep(kPollMs);
    }
    return false;
}

bool Stop(SC_HANDLE service, std::string* error) {
    SERVICE_STATUS status = {};
    if (CurrentState(service) != SERVICE_STOPPED) {
        ControlService(service, SERVICE_CONTROL_STOP, &status);
    }
    if (!WaitForState(service, SERVICE_STOPPED)) {
        *error = "service did not stop";
        return false;
    }
    return true;
}

bool Run(SC_HANDLE service, std::string* error) {
    if (CurrentState(service) != SERVICE_RUNNING && !StartServiceA(service, 0, nullptr) &&
        GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) {
        *error = Failure("StartService");
        return false;
    }
    if (!WaitForState(service, SERVICE_RUNNING)) {
        *error = "service did not start";
        return false;
    }
    return true;
}

// Opens the service, registering it first when it is missing (or waiting
// for a deleted one to go away before registering it anew).
SC_HANDLE OpenOrCreate(SC_HANDLE manager, const std::string& exe, std::string* error) {
    for (int i = 0; i < kPolls; ++i) {
        SC_HANDLE service = OpenServiceA(manager, kServiceName, SERVICE_ALL_ACCESS);
        if (service != nullptr) {
            return service;
        }
        service =
            CreateServiceA(manager, kServiceName, kDisplayName, SERVICE_ALL_ACCESS,
                           SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                           exe.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
        if (service != nullptr) {
            return service;
        }
        if (GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE) {
            *error = Failure("CreateService");
            return nullptr;
        }
        Sleep(kPollMs);
    }
    *error = "service stays marked for deletion";
    return nullptr;
}

bool Remove(SC_HANDLE manager, std::string* error) {
    {
        ServiceHandle service(OpenServiceA(manager, kServiceName, SERVICE_ALL_ACCESS));
        if (service.Get() == nullptr) {
            return true;
        }
        if (!Stop(service.Get(), error)) {
            return false;
        }
        if (!DeleteService(service.Get())) {
            *error = Failure("DeleteService");
            return false;
        }
    }
    for (int i = 0; i < kPolls; ++i) {
        ServiceHandle service(OpenServiceA(manager, kServiceName, SERVICE_QUERY_STATUS));
        if (service.Get() == nullptr) {
            return true;
        }
        Sleep(kPollMs);
    }
    *error = "service still listed after DeleteService";
    return false;
}

}  // namespace

bool SetServiceState(const std::string& state, const std::string& exe, std::string* error) {
    ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (manager.Get() == nullptr) {
        *error = Failure("OpenSCManager");
        return false;
    }
    if (state == "absent") {
        return Remove(manager.Get(), error);
    }
    if (state != "running" && state != "stopped" && state != "legacy") {
        *error = "unknown service state " + state;
        return false;
    }
    ServiceHandle service(OpenOrCreate(manager.Get(), exe, error));
    if (service.Get() == nullptr) {
        return false;
    }
    // Wine has no "sc config": the display name is changed through the API.
    const char* displayName = state == "legacy" ? kLegacyDisplayName : kDisplayName;
    if (!ChangeServiceConfigA(service.Get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                              SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, displayName)) {
        *error = Failure("ChangeServiceConfig");
        return false;
    }
    return state == "stopped" ? Stop(service.Get(), error) : Run(service.Get(), error);
}

}  // namespace uidriver
