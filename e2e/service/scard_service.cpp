// A stand-in for the system's smart card service: it only registers, reports
// itself running and stops when asked, so the service list shows it.
#include <windows.h>

namespace {

char kServiceName[] = "SCardSvr";

SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
HANDLE g_stopEvent = nullptr;

void ReportState(DWORD state) {
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    SetServiceStatus(g_statusHandle, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, LPVOID, LPVOID) {
    if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
        ReportState(SERVICE_STOP_PENDING);
        SetEvent(g_stopEvent);
    }
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, LPSTR*) {
    g_statusHandle = RegisterServiceCtrlHandlerExA(kServiceName, Handler, nullptr);
    if (g_statusHandle == nullptr) {
        return;
    }
    g_stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ReportState(SERVICE_RUNNING);
    WaitForSingleObject(g_stopEvent, INFINITE);
    CloseHandle(g_stopEvent);
    ReportState(SERVICE_STOPPED);
}

}  // namespace

int main() {
    SERVICE_TABLE_ENTRYA table[] = {{kServiceName, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
