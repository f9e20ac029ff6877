// What a user does with the check dialog: press the start button and answer
// every box, press keys, open the About box, close the window.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "results.h"

namespace uidriver {

// One scripted answer: 'Y', 'N' or 'O', optionally with a screenshot taken
// while its box is shown.
struct Answer {
    char button = 'O';
    std::string shot;
};

std::vector<Answer> ParseAnswers(const std::string& word);

using ShotFunction = std::function<void(const std::string& name)>;

struct CheckDialog {
    HWND window;
    DWORD processId;
    Results& results;
    ShotFunction shot;
};

// When a run's time went: ticks of the click and of the moment both buttons
// were seen enabled again, the time boxes stood open until the driver's
// answer closed them, and the thread that showed them (the run's worker).
struct RunTiming {
    DWORD clickedAt = 0;
    DWORD enabledAt = 0;
    DWORD answeringMs = 0;
    DWORD workerThreadId = 0;
};

// Presses the start button (clicks times, posted back to back), answers the
// boxes in order and records them, and waits until both buttons are enabled
// again. closeWhenLogHas, when not empty, posts WM_CLOSE to the dialog as
// soon as the log shows it (or the file watched, when named), or with
// endSession closes it as the Restart Manager does (WM_QUERYENDSESSION, then
// WM_ENDSESSION). timing, when given, receives when the run's time went.
void RunCheck(const CheckDialog& dialog, const std::vector<Answer>& answers, DWORD timeoutMs,
              const std::string& closeWhenLogHas, RunTiming* timing = nullptr, int clicks = 1,
              bool endSession = false, const std::string& watched = "");
void RecordLogAndButtons(const CheckDialog& dialog);

// Counts the pixels of a control's client area, as the screen shows them,
// that are close to white and close to black.
void RecordPixels(const CheckDialog& dialog, int controlId);

void PressEscape(const CheckDialog& dialog);
void PressAltF4(const CheckDialog& dialog);
// With endSession, Windows closes the program while the box is open.
void OpenAndCloseAbout(const CheckDialog& dialog, const std::string& caption, DWORD timeoutMs,
                       bool endSession = false);

}  // namespace uidriver
