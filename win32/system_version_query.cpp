#include "win32/system_version_query.h"

#include <windows.h>

#include <cstring>

namespace win32 {

static_assert(sizeof(OSVERSIONINFOEXA) == 156);
static_assert(sizeof(OSVERSIONINFOA) == 148);
static_assert(sizeof(readercheck::VersionRecord::csdVersion) ==
              sizeof(OSVERSIONINFOA::szCSDVersion));

bool SystemVersionQuery::Query(readercheck::VersionForm form, readercheck::VersionRecord* record) {
    OSVERSIONINFOEXA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = form == readercheck::VersionForm::Extended ? sizeof(OSVERSIONINFOEXA)
                                                                          : sizeof(OSVERSIONINFOA);
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) {
        return false;
    }
    record->majorVersion = info.dwMajorVersion;
    record->minorVersion = info.dwMinorVersion;
    record->buildNumber = info.dwBuildNumber;
    record->platformId = info.dwPlatformId;
    std::memcpy(record->csdVersion, info.szCSDVersion, sizeof record->csdVersion);
    return true;
}

}  // namespace win32
