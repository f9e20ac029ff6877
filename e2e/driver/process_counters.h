// What the driver can count of another process from outside: its handles,
// GDI and USER objects, windows, threads and memory. Wine leaves some of the
// usual calls as stubs, so the counts that do not depend on them are read
// too; a value that could not be read is kNotRead.
#pragma once

#include <windows.h>

#include <string>

namespace uidriver {

constexpr long long kNotRead = -1;

struct ProcessCounters {
    long long handleApi = kNotRead;  // GetProcessHandleCount
    long long handles = kNotRead;    // entries of the process in the system handle list
    long long gdiApi = kNotRead;     // GetGuiResources(GR_GDIOBJECTS)
    long long userApi = kNotRead;    // GetGuiResources(GR_USEROBJECTS)
    long long gdiTable = kNotRead;   // used entries of the process's GDI handle table
    long long windows = kNotRead;    // windows of the process: top-level, child, message-only
    long long threads = kNotRead;
    long long workingSet = kNotRead;  // bytes
    long long peakWorkingSet = kNotRead;
    long long privateBytes = kNotRead;  // PrivateUsage
    long long pagefile = kNotRead;      // PagefileUsage
};

ProcessCounters ReadProcessCounters(DWORD processId);
// "name=value ..." with "-" for a value that could not be read.
std::string FormatCounters(const ProcessCounters& counters);
// The process's handles by object type: "Event=3 File=2 ...", sorted by
// type name; "?" counts the handles whose type could not be read.
std::string HandleTypes(DWORD processId);

}  // namespace uidriver
