#include "win32/application.h"

namespace win32 {

int Application::Run() {
    InitInstance();
    return 0;
}

}  // namespace win32
