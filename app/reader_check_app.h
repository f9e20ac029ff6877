// The application: one copy at a time, Windows 7 only, one modal dialog.
#pragma once

#include "win32/application.h"

class CReaderCheckApp : public win32::Application {
protected:
    // Runs the check dialog (or the unsupported-system dialog) to its end and
    // returns FALSE, so the process ends when the dialog closes.
    BOOL InitInstance() override;
};
