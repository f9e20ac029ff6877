// What one check run carries from stage to stage, and the window operations
// through which it drives the check dialog from the worker thread.
#pragma once

#include <string>

#include "check/check_log.h"
#include "check/platform.h"
#include "check/smart_card_api.h"
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

// Shows the whole log in the log box.
void RefreshLog(RunContext& run);
// Scrolls the log box by its line count, which brings its last line into view.
void ScrollLogToEnd(RunContext& run);
// Exit button first, then the start button.
void SetButtonsEnabled(RunContext& run, bool enabled);
// Warning box first, then the framed entry in the log; no refresh.
void ReportFailure(RunContext& run, const std::string& boxText, const std::string& caption,
                   const std::string& logText);
// A warning box with the caption of every failure and no log entry.
void ShowWarning(RunContext& run, const std::string& boxText);
int AskQuestion(RunContext& run, const std::string& text, const std::string& caption);
void ShowNotice(RunContext& run, const std::string& text, const std::string& caption);
void Pause(RunContext& run, unsigned milliseconds);

extern const char* const ERROR_CAPTION;  // "エラー"

}  // namespace readercheck
