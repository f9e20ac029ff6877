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
    int dpi;  // the system's, as the tool was started with it
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

// Presses the start button (clicks times, posted back to back; 0: Enter on
// the focus instead), answers the boxes in order and records them, and waits
// until both buttons are enabled again. closeWhenLogHas, when not empty,
// posts WM_CLOSE to the dialog as soon as the log shows it (or the file
// watched, when named), or with the action "endsession" closes it as the
// Restart Manager does (WM_QUERYENDSESSION, then WM_ENDSESSION); "about"
// asks for the About box then and goes on, "about-close" asks for it and
// closes a moment later. timing, when given, receives when the run's time
// went.
void RunCheck(const CheckDialog& dialog, const std::vector<Answer>& answers, DWORD timeoutMs,
              const std::string& closeWhenLogHas, RunTiming* timing = nullptr, int clicks = 1,
              const std::string& action = "close", const std::string& watched = "");
void RecordLogAndButtons(const CheckDialog& dialog);

// Counts the pixels of a control's client area, as the screen shows them,
// that are close to white and close to black.
void RecordPixels(const CheckDialog& dialog, int controlId);

// Posts the key to the focus; records label and whether the dialog is open.
void PressKey(const CheckDialog& dialog, WPARAM key, const std::string& label);
// Ctrl+A typed on the keyboard into the dialog; records the selection.
void TypeSelectAll(const CheckDialog& dialog);
void PressAltF4(const CheckDialog& dialog);
// With endSession, Windows closes the program while the box is open.
void OpenAndCloseAbout(const CheckDialog& dialog, const std::string& caption, DWORD timeoutMs,
                       bool endSession = false);

}  // namespace uidriver
