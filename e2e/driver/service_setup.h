// Puts the stand-in smart card service ("SCardSvr") into one of the states
// that a check can meet: running, stopped, registered under the legacy
// display name, or absent.
#pragma once

#include <string>

namespace uidriver {

// state: "running", "stopped", "legacy" or "absent". exe is the stand-in
// service program, used when the service has to be (re)registered.
bool SetServiceState(const std::string& state, const std::string& exe, std::string* error);

}  // namespace uidriver
