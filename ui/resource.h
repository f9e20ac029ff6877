// Resource ids of the program, shared by the resource scripts and the code.
// Plain macros, as the resource compiler needs them.
#pragma once

#include "check/control_ids.h"

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_CHECK_DIALOG 102
#define IDD_UNSUPPORTED_OS 103
#define IDS_APP_TITLE 104
#define IDR_MAINFRAME 131

// System menu command of the About entry; system menu ids keep their low four
// bits clear.
#define IDM_ABOUTBOX 0x0010

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
