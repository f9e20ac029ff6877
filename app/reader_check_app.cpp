#include "app/reader_check_app.h"

#include <commctrl.h>

#include "sysinfo/windows_version.h"
#include "ui/reader_check_dlg.h"
#include "ui/unsupported_os.h"
#include "win32/instance_mutex.h"
#include "win32/system_version_query.h"

namespace {

// The check dialog's caption; no namespace prefix, so one copy per session.
const char INSTANCE_MUTEX_NAME[] = "VORNE ICカードリーダライタ 動作確認ツール (Windows 7用)";

// Only the major and minor numbers count: every edition of 6.1 passes.
bool IsWindows7() {
    win32::SystemVersionQuery query;
    readercheck::VersionRecord version{};
    return readercheck::ReadWindowsVersion(query, &version) && version.majorVersion == 6 &&
           version.minorVersion == 1;
}

void RunCheckDialog() {
    CReaderCheckDlg dialog;
    dialog.DoModal();
    dialog.StopCheck();  // before the mutex lets another copy start
}

void RunUnsupportedDialog() {
    CUnsupportedOS dialog;
    dialog.DoModal();
}

}  // namespace

BOOL CReaderCheckApp::InitInstance() {
    win32::InstanceMutex instance(INSTANCE_MUTEX_NAME);
    if (instance.HeldByAnotherCopy()) {
        return FALSE;  // silently: the first copy is on screen
    }
    InitCommonControls();
    if (IsWindows7()) {
        RunCheckDialog();
    } else {
        RunUnsupportedDialog();
    }
    return FALSE;
}
