// The worker thread's procedure: one operation check from the first click to
// the closing line.
#include "check/operation_check.h"

namespace readercheck {

namespace {

const char* const START_TEXT = "ICカードリーダライタの動作確認を開始します。\r\n\r\n";

const Failure SMART_CARD_API_MISSING = {
    "スマートカードのAPIが見つかりませんでした。\r\nパソコンが異常な状態です。\r\nパソコンを修復してください。",
    "　　スマートカードのAPIが見つかりませんでした。\r\n　　パソコンが異常な状態です。\r\n　　パソコンを修復してください。\r\n",
    ERROR_CAPTION,
};

const char* const CLOSING_TEXT = "\r\n動作確認終了\r\n";

void ReportMissingApi(RunContext& run) {
    ReportFailure(run, SMART_CARD_API_MISSING);
    RefreshLog(run);
}

// The stages that talk to the user and the system; false when one stopped the run.
bool RunStages(RunContext& run) {
    if (RunInterview(run) == StageOutcome::Stop) {
        return false;
    }
    if (RunServiceCheck(run) == StageOutcome::Stop) {
        return false;
    }
    RunReaderCheck(run);
    return true;
}

void WriteClosingLine(RunContext& run) {
    run.log.Append(CLOSING_TEXT);
    RefreshLog(run);
    ScrollLogToEnd(run);
}

}  // namespace

unsigned RunOperationCheck(const CheckSystem& system) {
    RunContext run(system);
    SetButtonsEnabled(run, false);
    run.log.Append(START_TEXT);
    RefreshLog(run);
    if (DialogGone(run)) {
        return 1;
    }

    LoadedLibrary library(system.libraries, SMART_CARD_LIBRARY);
    if (library.Get() == nullptr || !BindSmartCardApi(system.libraries, library.Get(), &run.api)) {
        library.Reset();  // released before the failure is reported
        ReportMissingApi(run);
        SetButtonsEnabled(run, true);
        return 1;
    }

    if (RunStages(run)) {
        WriteClosingLine(run);
    }
    SetButtonsEnabled(run, true);
    library.Reset();
    return 1;
}

}  // namespace readercheck
