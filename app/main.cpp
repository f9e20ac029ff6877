// Entry point: wires the application object up and nothing else.
#include <windows.h>

#include "app/reader_check_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CReaderCheckApp app;
    return app.Run();
}
