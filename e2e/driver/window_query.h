// Finding the tool's windows from outside its process and reading what they
// show, as a user would see it: captions, texts, buttons and icons.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace uidriver {

// MessageBox flags as inferred from the buttons and the icon a box shows.
constexpr unsigned FLAGS_UNKNOWN = 0x100;

struct BoxInfo {
    std::string caption;
    std::string text;
    unsigned flags = FLAGS_UNKNOWN;
};

// Visible top-level dialog windows (class #32770) of the process.
std::vector<HWND> VisibleDialogs(DWORD processId);
// The visible dialog of the process with exactly this caption, or nullptr.
HWND FindDialog(DWORD processId, const std::string& caption);
// Every visible top-level window of the process, of any class.
int CountVisibleWindows(DWORD processId);

std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);
bool ItemEnabled(HWND dialog, int id);
// Texts of the dialog's static text controls, in their order.
std::vector<std::string> StaticTexts(HWND dialog);

// "left top right bottom in left top right bottom": the window's rectangle
// and the work area of the monitor it is on.
std::string Placement(HWND window);
// "EXTENT in WIDTH": the pixels the dialog's first static text needs on one
// line in the font the template names (face, points at dpi), and the width
// its control gives it.
std::string FirstLineFit(HWND dialog, const wchar_t* face, int points, int dpi);

BoxInfo ReadBox(HWND box);
// Posts the click (a sent one would block behind a modal box).
bool PostClick(HWND dialog, int id);

}  // namespace uidriver
