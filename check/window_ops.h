// The window operations through which a run drives the check dialog from the
// worker thread, and the one shape of a failure the user is told about.
// Once the dialog has gone they show nothing: a run that lost its dialog only
// gives back what it holds.
#pragma once

#include <optional>
#include <string>

namespace readercheck {

struct RunContext;

extern const char* const ERROR_CAPTION;  // "エラー"

// A failure the user must act on: told once in a warning box, once as a
// framed entry in the log.
struct Failure {
    const char* boxText;
    const char* logText;
    const char* caption;
};

// Shows the whole log in the log box.
void RefreshLog(RunContext& run);
// Scrolls the log box by its line count, which brings its last line into view.
void ScrollLogToEnd(RunContext& run);
// Exit button first, then the start button.
void SetButtonsEnabled(RunContext& run, bool enabled);
// Warning box first, then the framed entry in the log; no refresh. The texts
// come in the order of Failure's.
void ReportFailure(RunContext& run, const std::string& boxText, const std::string& logText,
                   const std::string& caption);
void ReportFailure(RunContext& run, const Failure& failure);
// A warning box with the caption of every failure and no log entry.
void ShowWarning(RunContext& run, const std::string& boxText);
// A Yes/No box: what it returned (0 when it could not be shown), or nothing
// when the dialog went away before or while it was open.
std::optional<int> AskQuestion(RunContext& run, const std::string& text,
                               const std::string& caption);
void ShowNotice(RunContext& run, const std::string& text, const std::string& caption);
void Pause(RunContext& run, unsigned milliseconds);

// The dialog has gone: closed by another program, by Windows at log-off, or
// by the exit button before the run could disable it.
bool DialogGone(RunContext& run);

}  // namespace readercheck
