// Entry point: wires the application object up and nothing else.
#include <windows.h>

#include "app/reader_check_app.h"
#include "win32/dll_search.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    win32::NarrowDllSearch();
    CReaderCheckApp app;
    return app.Run();
}
