// What one check run carries from stage to stage.
#pragma once

#include <string>

#include "check/check_log.h"
#include "check/platform.h"
#include "check/smart_card_api.h"
#include "check/window_ops.h"
#include "sysinfo/windows_version.h"

namespace readercheck {

// The system as a run reaches it.
struct CheckSystem {
    CheckWindow& window;  // the check dialog, owner of every box
    Pauser& pauser;
    LibraryLoader& libraries;
    ServiceManager& services;
    VersionQuery& version;
};

struct RunContext {
    explicit RunContext(const CheckSystem& system) : system(system) {}

    const CheckSystem& system;
    CheckLog log;
    SmartCardApi api;
};

enum class StageOutcome { Continue, Stop };

}  // namespace readercheck
