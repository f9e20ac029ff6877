#include "win32/application.h"

namespace win32 {

int Application::Run() {
    if (!InitInstance()) {
        return 0;
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace win32
