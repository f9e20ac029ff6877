// Control ids of the check dialog, shared by the resource script and the
// check run. Plain macros, as resource ids are.
#pragma once

#ifndef IDOK
#define IDOK 1
#endif
#define IDC_LOG 1000
#define IDC_START_CHECK 1002
