#include "check/window_ops.h"

#include "check/run_context.h"

namespace readercheck {

const char* const ERROR_CAPTION = "エラー";

bool DialogGone(RunContext& run) {
    return run.system.window.IsGone();
}

void RefreshLog(RunContext& run) {
    if (DialogGone(run)) {
        return;
    }
    run.system.window.SetItemText(IDC_LOG, run.log.Text().c_str());
}

void ScrollLogToEnd(RunContext& run) {
    if (DialogGone(run)) {
        return;
    }
    CheckWindow& window = run.system.window;
    const int lines = window.GetLineCount(IDC_LOG);
    window.ScrollLines(IDC_LOG, lines);
}

void SetButtonsEnabled(RunContext& run, bool enabled) {
    if (DialogGone(run)) {
        return;
    }
    run.system.window.EnableItem(IDOK, enabled);
    run.system.window.EnableItem(IDC_START_CHECK, enabled);
}

void ReportFailure(RunContext& run, const std::string& boxText, const std::string& logText,
                   const std::string& caption) {
    if (DialogGone(run)) {
        return;
    }
    run.system.window.ShowMessageBox(boxText.c_str(), caption.c_str(), BOX_WARNING_FLAGS);
    run.log.AppendFramedEntry(logText);
}

void ReportFailure(RunContext& run, const Failure& failure) {
    ReportFailure(run, failure.boxText, failure.logText, failure.caption);
}

void ShowWarning(RunContext& run, const std::string& boxText) {
    if (DialogGone(run)) {
        return;
    }
    run.system.window.ShowMessageBox(boxText.c_str(), ERROR_CAPTION, BOX_WARNING_FLAGS);
}

std::optional<int> AskQuestion(RunContext& run, const std::string& text,
                               const std::string& caption) {
    if (DialogGone(run)) {
        return std::nullopt;
    }
    const int result =
        run.system.window.ShowMessageBox(text.c_str(), caption.c_str(), BOX_YESNO_FLAGS);
    // A box whose dialog closed under it returns without an answer.
    if (DialogGone(run)) {
        return std::nullopt;
    }
    return result;
}

void ShowNotice(RunContext& run, const std::string& text, const std::string& caption) {
    if (DialogGone(run)) {
        return;
    }
    run.system.window.ShowMessageBox(text.c_str(), caption.c_str(), BOX_NOTICE_FLAGS);
}

void Pause(RunContext& run, unsigned milliseconds) {
    if (DialogGone(run)) {
        return;
    }
    run.system.pauser.Pause(milliseconds);
}

}  // namespace readercheck
