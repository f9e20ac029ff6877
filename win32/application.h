// The application object: WinMain creates one and hands over to Run.
#pragma once

#include <windows.h>

namespace win32 {

class Application {
public:
    virtual ~Application() = default;

    // Start-up, then the message loop if start-up asks for one. Returns the
    // process exit code.
    int Run();

protected:
    // TRUE enters the application's message loop; FALSE ends the program at
    // once, which is what a program that runs one modal dialog from here wants.
    virtual BOOL InitInstance() = 0;
};

}  // namespace win32
