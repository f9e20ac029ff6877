// The per-reader test: smart card steps 4 to 7 on one reader/writer of the
// maker, with its card, and the reader's verdict.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "check/operation_check.h"

namespace readercheck {

namespace {

// SCARD_CTL_CODE(2053): the vendor code the reader/writer's driver answers
// with its version bytes.
constexpr ScardDword IOCTL_READER_GET_VERSION = 0x312014;
constexpr ScardDword STATUS_NAMES_SIZE = 1024;
constexpr ScardDword ATR_SIZE = 100;
constexpr ScardDword VERSION_REPLY_SIZE = 1024;

// The box texts of a card that cannot be connected or read follow the
// reader's name.
const Failure CARD_NOT_CONNECTED = {
    "\r\nＩＣカードを認識できませんでした。\r\nＩＣカードが正しく挿入されていることを確認してください。",
    "    ICカードを認識できませんでした。\r\n　　ICカードが正しく挿入されていることを確認してください。\r\n",
    ERROR_CAPTION,
};

const Failure CARD_STATUS_UNREADABLE = {
    "\r\nＩＣカード情報が取得できませんでした。\r\nＩＣカードが正しく挿入されていることを確認してください。",
    "    ICカード情報が取得できませんでした。\r\n　　ICカードが正しく挿入されていることを確認してください。\r\n",
    ERROR_CAPTION,
};

const Failure VERSIONS_UNREADABLE = {
    "ファームウェアのバージョンが取得できませんでした。\r\nＩＣカードが正しく挿入されていることを確認してください。",
    "    ファームウェアのバージョンが取得できませんでした。\r\n　　ICカードが正しく挿入されていることを確認してください。\r\n",
    ERROR_CAPTION,
};

const Failure CARD_NOT_DISCONNECTED = {
    "検査が正常に終了しませんでした。\r\nＩＣカードリーダライタが正しく接続されていることを確認してください。",
    "　　検査が正常に終了しませんでした。\r\n　　ICカードリーダライタが正しく接続されていることを\r\n　　確認してください。\r\n",
    ERROR_CAPTION,
};

struct ReaderUnderTest {
    std::string name;
    ScardHandle card = 0;
    bool failed = false;
};

const char* StateText(ScardDword state) {
    switch (state) {
        case SCARD_ABSENT:
            return "  SCARD_ABSENT\r\n";
        case SCARD_PRESENT:
            return "  SCARD_PRESENT\r\n";
        case SCARD_SWALLOWED:
            return "  SCARD_SWALLOWED\r\n";
        case SCARD_POWERED:
            return "  SCARD_POWERED\r\n";
        case SCARD_NEGOTIABLE:
            return "  SCARD_NEGOTIABLE\r\n";
        case SCARD_SPECIFIC:
            return "  SCARD_SPECIFIC";  // the protocol text follows on the same line
        default:
            return "";
    }
}

const char* ProtocolText(ScardDword protocol) {
    switch (protocol) {
        case SCARD_PROTOCOL_T0:
            return "    SCARD_PROTOCOL_T0\r\n";
        case SCARD_PROTOCOL_T1:
            return "    SCARD_PROTOCOL_T1\r\n";
        case SCARD_PROTOCOL_RAW:
            return "    SCARD_PROTOCOL_RAW\r\n";
        default:
            return "\r\n";
    }
}

std::string AtrText(const uint8_t* atr, ScardDword atrLength) {
    const ScardDword shown = std::min(atrLength, ATR_SIZE);
    std::string text = "  ATR    ";
    for (ScardDword i = 0; i < shown; ++i) {
        char byte[4];
        // NOLINTNEXTLINE(cert-err33-c): the 3 characters always fit
        std::snprintf(byte, sizeof byte, "%02X ", atr[i]);
        text += byte;
    }
    return text + "\r\n\r\n";
}

void WriteHeader(RunContext& run, const ReaderUnderTest& reader) {
    run.log.AppendEqualsLine(1);
    run.log.Append("　　" + reader.name + "の動作確認を行います。\r\n");
    run.log.AppendEqualsLine(2);
    RefreshLog(run);
    ScrollLogToEnd(run);
}

// Reports a failed step: the log entry and its scroll come before the box.
// boxPrefix is the reader's name where the box names it, else empty.
void ReportStepFailure(RunContext& run, ReaderUnderTest* reader, int step, ScardLong result,
                       const Failure& failure, const std::string& boxPrefix) {
    run.log.AppendStepFailure(step, result, failure.logText);
    reader->failed = true;
    ScrollLogToEnd(run);
    ShowWarning(run, boxPrefix + failure.boxText);
    RefreshLog(run);
}

// Step 4; false when the card could not be connected.
bool Connect(RunContext& run, ScardContext context, ReaderUnderTest* reader) {
    ScardDword activeProtocol = 0;
    const ScardLong result =
        run.api.connect(context, reader->name.c_str(), SCARD_SHARE_EXCLUSIVE,
                        SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &reader->card, &activeProtocol);
    if (result != SCARD_S_SUCCESS) {
        ReportStepFailure(run, reader, 4, result, CARD_NOT_CONNECTED, reader->name);
        return false;
    }
    run.log.AppendStepResult(4, true);
    RefreshLog(run);
    ScrollLogToEnd(run);
    Pause(run, STEP_PAUSE_MS);
    return true;
}

// Step 5: the reader's name, the card's state and protocol, and its ATR.
bool ReadStatus(RunContext& run, ReaderUnderTest* reader) {
    char names[STATUS_NAMES_SIZE] = {};
    ScardDword namesLength = STATUS_NAMES_SIZE;
    ScardDword state = 0;
    ScardDword protocol = 0;
    uint8_t atr[ATR_SIZE] = {};
    ScardDword atrLength = ATR_SIZE;
    const ScardLong result =
        run.api.status(reader->card, names, &namesLength, &state, &protocol, atr, &atrLength);
    if (result != SCARD_S_SUCCESS) {
        ReportStepFailure(run, reader, 5, result, CARD_STATUS_UNREADABLE, reader->name);
        return false;
    }
    run.log.AppendStepResult(5, true);
    run.log.Append(std::string(names, strnlen(names, sizeof names)) + "\r\n");
    run.log.Append(StateText(state));
    if (state == SCARD_SPECIFIC) {
        run.log.Append(ProtocolText(protocol));
    }
    run.log.Append(AtrText(atr, atrLength));
    return true;
}

// Step 6. The reply is cleared first, so bytes a short reply leaves out
// read as zero.
void ReadVersions(RunContext& run, ReaderUnderTest* reader) {
    uint8_t reply[VERSION_REPLY_SIZE] = {};
    ScardDword returned = 0;
    const ScardLong result = run.api.control(reader->card, IOCTL_READER_GET_VERSION, nullptr, 0,
                                             reply, VERSION_REPLY_SIZE, &returned);
    if (result != SCARD_S_SUCCESS) {
        ReportStepFailure(run, reader, 6, result, VERSIONS_UNREADABLE, "");
        return;
    }
    char firmware[16];
    char driver[16];
    // NOLINTNEXTLINE(cert-err33-c): two bytes as numbers always fit
    std::snprintf(firmware, sizeof firmware, "%d.%02x", reply[6], reply[7]);
    // NOLINTNEXTLINE(cert-err33-c): as above
    std::snprintf(driver, sizeof driver, "%d.%d", reply[4], reply[5]);
    run.log.AppendStepResult(6, true);
    run.log.Append(std::string("　ファームウェアのバージョンは　") + firmware + " です。\r\n");
    run.log.Append(std::string("　ドライバソフトのバージョンは　") + driver + " です。\r\n\r\n");
}

// Step 7, with a card reset.
void Disconnect(RunContext& run, ReaderUnderTest* reader) {
    RefreshLog(run);
    ScrollLogToEnd(run);
    Pause(run, STEP_PAUSE_MS);
    const ScardLong result = run.api.disconnect(reader->card, SCARD_RESET_CARD);
    if (result != SCARD_S_SUCCESS) {
        ReportStepFailure(run, reader, 7, result, CARD_NOT_DISCONNECTED, "");
        return;
    }
    run.log.AppendStepResult(7, true);
}

void WriteVerdict(RunContext& run, const ReaderUnderTest& reader) {
    run.log.Append(reader.name + " の動作確認が終了しました。\r\n\r\n\r\n");
    run.log.AppendStarLine(1);
    run.log.Append("　　" + reader.name);
    run.log.Append(reader.failed ? " はエラーが発生しました。\r\n"
                                 : " は正常に動作しています。\r\n");
    run.log.AppendStarLine(3);
    RefreshLog(run);
}

}  // namespace

void RunReaderTest(RunContext& run, ScardContext context, const char* name) {
    ReaderUnderTest reader;
    reader.name = name;
    WriteHeader(run, reader);
    Pause(run, STEP_PAUSE_MS);

    if (DialogGone(run) || !Connect(run, context, &reader)) {
        WriteVerdict(run, reader);
        return;
    }
    // Without a dialog the steps stop; a connected card is still given back.
    if (!DialogGone(run) && ReadStatus(run, &reader) && !DialogGone(run)) {
        ReadVersions(run, &reader);
    }
    Disconnect(run, &reader);
    WriteVerdict(run, reader);
}

}  // namespace readercheck
