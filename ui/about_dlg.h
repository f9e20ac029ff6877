// The About box: the tool's name, version and legal notice. Beyond the
// default dialog behaviour (OK, Escape and Close end it) it only makes sure
// that each of its lines shows whole.
#pragma once

#include "ui/resource.h"
#include "win32/dialog.h"

class CAboutDlg : public win32::Dialog {
public:
    explicit CAboutDlg(HWND owner) : win32::Dialog(IDD_ABOUTBOX, owner) {}

protected:
    BOOL OnInitDialog() override;
};
