// Icon chores shared by the dialogs that carry the application icon.
#pragma once

#include <windows.h>

namespace win32 {

// Sets icon as the big, then the small window icon.
void SetWindowIcons(HWND window, HICON icon);

// Paints a minimised window: its background, then icon centred in the client
// area. False, painting nothing, when the window is not minimised.
bool PaintMinimizedIcon(HWND window, HICON icon);

}  // namespace win32
