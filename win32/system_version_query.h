// The running Windows' version record, from GetVersionExA.
#pragma once

#include "sysinfo/windows_version.h"

namespace win32 {

class SystemVersionQuery : public readercheck::VersionQuery {
public:
    bool Query(readercheck::VersionForm form, readercheck::VersionRecord* record) override;
};

}  // namespace win32
