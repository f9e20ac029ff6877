// The application object: WinMain creates one and hands over to Run.
#pragma once

#include <windows.h>

namespace win32 {

class Application {
public:
    virtual ~Application() = default;

    // Start-up, which runs the program's one modal dialog; the program ends
    // when it returns. Returns the process exit code.
    int Run();

protected:
    // FALSE on every path: the program has no message loop of its own.
    virtual BOOL InitInstance() = 0;
};

}  // namespace win32
