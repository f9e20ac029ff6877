// The service list as a check run reads it, from the Service Control Manager.
#pragma once

#include "check/platform.h"

namespace win32 {

class ServiceControlManager : public readercheck::ServiceManager {
public:
    readercheck::ServiceManagerHandle Open() override;
    uint32_t EnumerateBatch(readercheck::ServiceManagerHandle manager, void* buffer,
                            uint32_t bufferSize, uint32_t* bytesNeeded, uint32_t* servicesReturned,
                            uint32_t* resumeHandle) override;
    void Close(readercheck::ServiceManagerHandle manager) override;
};

}  // namespace win32
