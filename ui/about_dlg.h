// The About box: the tool's name, version and legal notice. The default
// dialog behaviour is all it needs (OK, Escape and Close end it).
#pragma once

#include "ui/resource.h"
#include "win32/dialog.h"

class CAboutDlg : public win32::Dialog {
public:
    explicit CAboutDlg(HWND owner) : win32::Dialog(IDD_ABOUTBOX, owner) {}
};
