// The PC information block and the check of the smart card service
// "SCardSvr": it must exist, must not be the legacy package's service and
// must be running.
#include <algorithm>
#include <cstring>
#include <vector>

#include "check/operation_check.h"

namespace readercheck {

namespace {

const char* const SMART_CARD_SERVICE = "SCardSvr";
const char* const LEGACY_DISPLAY_NAME = "Smart Card Resource Manager";
constexpr uint32_t SERVICE_LIST_SIZE = 36000;

const Failure SERVICE_MANAGER_UNAVAILABLE = {
    "サービス制御マネージャの呼び出しに失敗しました。\r\nパソコンが異常な状態です。\r\nパソコンを修復してください。",
    "　　サービス制御マネージャの呼び出しに失敗しました。\r\n　　パソコンが異常な状態です。\r\n　　パソコンを修復してください。\r\n",
    ERROR_CAPTION,
};

const Failure SERVICE_LIST_UNREADABLE = {
    "サービス一覧の取得に失敗しました。\r\nパソコンが異常な状態です。\r\nパソコンを修復してください。",
    "    サービス一覧の取得に失敗しました\r\n　　パソコンが異常な状態です。\r\n　　パソコンを修復してください。\r\n",
    ERROR_CAPTION,
};

const Failure LEGACY_PACKAGE_INSTALLED = {
    "Smart Card Resource Managerが見つかりました。\r\n"
    "Microsoft Smart Card Base Componentsがインストール\r\n"
    "されています。\r\n"
    "システムの復元をしてパソコンを正しい状態に戻してください。\r\n",
    "    Smart Card Resource Managerが見つかりました。\r\n"
    "　　Microsoft Smart Card Base Componentsがインストール\r\n"
    "　　されています。\r\n"
    "　　システムの復元をしてパソコンを正しい状態に戻してください。\r\n",
    ERROR_CAPTION,
};

const Failure SERVICE_NOT_RUNNING = {
    "Smart Cardサービスが起動していません。\r\n"
    "管理ツールのサービスから「Smart Card」のサービスを選択し、\r\n"
    "「サービスの開始」を実行してください。",
    "    Smart Cardサービスが起動していません。\r\n"
    "    管理ツールのサービスから「Smart Card」のサービスを選択し、\r\n"
    "    「サービスの開始」を実行してください。\r\n",
    ERROR_CAPTION,
};

const Failure SERVICE_MISSING = {
    "Smart Cardサービスが見つかりませんでした。\r\nパソコンが異常な状態です。\r\nパソコンを修復してください。",
    "    Smart Cardサービスが見つかりませんでした。\r\n　　パソコンが異常な状態です。\r\n　　パソコンを修復してください。\r\n",
    ERROR_CAPTION,
};

const char* const SERVICE_RUNNING_TEXT = "Smart Cardサービスは正常に起動しています。\r\n\r\n";

struct ServiceFindings {
    bool found = false;
    bool failed = false;
};

void Report(RunContext& run, const Failure& failure) {
    ReportFailure(run, failure);
    RefreshLog(run);
}

void WritePcInformation(RunContext& run) {
    char windowsName[WINDOWS_NAME_SIZE];
    GetWindowsName(run.system.version, windowsName);

    run.log.Append("パソコンの情報を取得します。\r\n");
    run.log.AppendStarLine(1);
    run.log.Append(std::string("このパソコンのＯＳは　") + windowsName + "　です。\r\n");
    run.log.Append(GetServicePackText(run.system.version));
    run.log.AppendStarLine(2);
}

// Closes the service manager on every path out of the check.
class ServiceManagerScope {
public:
    ServiceManagerScope(ServiceManager& manager, ServiceManagerHandle handle)
        : m_manager(manager), m_handle(handle) {}
    ~ServiceManagerScope() { Close(); }
    ServiceManagerScope(const ServiceManagerScope&) = delete;
    ServiceManagerScope& operator=(const ServiceManagerScope&) = delete;

    ServiceManagerHandle Get() const { return m_handle; }
    void Close() {
        if (m_handle != nullptr) {
            m_manager.Close(m_handle);
            m_handle = nullptr;
        }
    }

private:
    ServiceManager& m_manager;
    ServiceManagerHandle m_handle;
};

// Examines one record; false when the rest of the batch is to be passed over.
bool ExamineRecord(RunContext& run, const ServiceStatusRecord& record, ServiceFindings* findings) {
    if (record.serviceName == nullptr || std::strcmp(record.serviceName, SMART_CARD_SERVICE) != 0) {
        return true;
    }
    // A reply that names the service names its display too; a malformed one
    // is not trusted.
    if (record.displayName != nullptr &&  // GCOVR_EXCL_BR_LINE: see above
        std::strcmp(record.displayName, LEGACY_DISPLAY_NAME) == 0) {
        findings->found = true;
        Report(run, LEGACY_PACKAGE_INSTALLED);
        findings->failed = true;
        return false;
    }
    findings->found = true;
    if (record.currentState == SERVICE_RUNNING_STATE) {
        run.log.Append(SERVICE_RUNNING_TEXT);
    } else {
        Report(run, SERVICE_NOT_RUNNING);
        findings->failed = true;
    }
    return true;
}

constexpr size_t MAX_RECORDS = SERVICE_LIST_SIZE / sizeof(ServiceStatusRecord);

void ExamineBatch(RunContext& run, const std::vector<ServiceStatusRecord>& buffer,
                  uint32_t returned, ServiceFindings* findings) {
    // A count beyond what the buffer can hold is never trusted past its end.
    const size_t count = std::min<size_t>(returned, MAX_RECORDS);
    for (size_t i = 0; i < count; ++i) {
        if (!ExamineRecord(run, buffer[i], findings)) {
            return;
        }
    }
}

// Reads the service list batch by batch; false when the list cannot be read
// (the manager is then closed and the failure reported) or the dialog has gone.
bool EnumerateServices(RunContext& run, ServiceManagerScope& manager, ServiceFindings* findings) {
    // Records first, their strings after them: the buffer is aligned for the records.
    std::vector<ServiceStatusRecord> buffer((SERVICE_LIST_SIZE + sizeof(ServiceStatusRecord) - 1) /
                                            sizeof(ServiceStatusRecord));
    uint32_t resume = 0;
    for (;;) {
        if (DialogGone(run)) {
            return false;
        }
        uint32_t needed = 0;
        uint32_t returned = 0;
        const uint32_t error = run.system.services.EnumerateBatch(
            manager.Get(), buffer.data(), SERVICE_LIST_SIZE, &needed, &returned, &resume);
        ExamineBatch(run, buffer, returned, findings);
        if (error == 0) {
            return true;
        }
        // "More data" without a single record would ask for the same batch forever.
        if (error != ERROR_MORE_DATA_CODE || returned == 0) {
            manager.Close();
            Report(run, SERVICE_LIST_UNREADABLE);
            return false;
        }
    }
}

}  // namespace

StageOutcome RunServiceCheck(RunContext& run) {
    // A dialog gone since the interview stops the run at the service list.
    WritePcInformation(run);

    ServiceManagerScope manager(run.system.services, run.system.services.Open());
    if (manager.Get() == nullptr) {
        Report(run, SERVICE_MANAGER_UNAVAILABLE);
        return StageOutcome::Stop;
    }

    ServiceFindings findings;
    if (!EnumerateServices(run, manager, &findings)) {
        return StageOutcome::Stop;
    }
    if (!findings.found) {
        Report(run, SERVICE_MISSING);
        findings.failed = true;
    }
    manager.Close();
    RefreshLog(run);
    ScrollLogToEnd(run);
    return findings.failed ? StageOutcome::Stop : StageOutcome::Continue;
}

}  // namespace readercheck
