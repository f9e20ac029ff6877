// Tells the user that this Windows is not supported; shown instead of the
// check dialog on every Windows other than Windows 7.
#pragma once

#include "win32/dialog.h"

class CUnsupportedOS : public win32::Dialog {
public:
    CUnsupportedOS();

protected:
    BOOL OnInitDialog() override;
    bool OnPaint() override;
    HICON OnQueryDragIcon() override;

private:
    HICON m_icon;  // shared resource icon, never destroyed
};
