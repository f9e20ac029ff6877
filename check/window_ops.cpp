#include "check/run_context.h"

namespace readercheck {

const char* const ERROR_CAPTION = "エラー";

void RefreshLog(RunContext& run) {
    run.system.window.SetItemText(IDC_LOG, run.log.Text().c_str());
}

void ScrollLogToEnd(RunContext& run) {
    CheckWindow& window = run.system.window;
    const int lines = window.GetLineCount(IDC_LOG);
    window.ScrollLines(IDC_LOG, lines);
}

void SetButtonsEnabled(RunContext& run, bool enabled) {
    run.system.window.EnableItem(IDOK, enabled);
    run.system.window.EnableItem(IDC_START_CHECK, enabled);
}

void ReportFailure(RunContext& run, const std::string& boxText, const std::string& caption,
                   const std::string& logText) {
    run.system.window.ShowMessageBox(boxText.c_str(), caption.c_str(), BOX_WARNING_FLAGS);
    run.log.AppendFramedEntry(logText);
}

void ShowWarning(RunContext& run, const std::string& boxText) {
    run.system.window.ShowMessageBox(boxText.c_str(), ERROR_CAPTION, BOX_WARNING_FLAGS);
}

int AskQuestion(RunContext& run, const std::string& text, const std::string& caption) {
    return run.system.window.ShowMessageBox(text.c_str(), caption.c_str(), BOX_YESNO_FLAGS);
}

void ShowNotice(RunContext& run, const std::string& text, const std::string& caption) {
    run.system.window.ShowMessageBox(text.c_str(), caption.c_str(), BOX_NOTICE_FLAGS);
}

void Pause(RunContext& run, unsigned milliseconds) {
    run.system.pauser.Pause(milliseconds);
}

}  // namespace readercheck
