// The guided interview: connection, card and LED lamp, before any smart card
// call. Only a steady green lamp lets the check go on.
#include "check/operation_check.h"

namespace readercheck {

namespace {

struct Question {
    const char* text;
    const char* caption;
};

struct Remedy {
    const char* boxText;
    const char* caption;
    const char* logText;
};

const char* const LAMP_CAPTION = "LEDランプ確認";

const Question Q1_CONNECTED = {"ＩＣカードリーダライタは接続されていますか？",
                               "ＩＣカードリーダライタ接続確認"};
const Question Q2_CARD_INSERTED = {
    "ＩＣカードがＩＣカードリーダライタに\r\n正しく挿入されていますか？", "ＩＣカード挿入確認"};
const Question Q3_STEADY_GREEN = {"ＩＣカードリーダライタのLEDランプは\r\n「緑点灯」ですか？",
                                  LAMP_CAPTION};
const Question Q4_STEADY_RED = {"ＩＣカードリーダライタのLEDランプは\r\n「赤点灯」ですか？",
                                LAMP_CAPTION};
const Question Q5_BLINKING_RED = {"ＩＣカードリーダライタのLEDランプは\r\n「赤点滅」ですか？",
                                  LAMP_CAPTION};
const Question Q6_BLINKING_GREEN = {"ＩＣカードリーダライタのLEDランプは\r\n「緑点滅」ですか？",
                                    LAMP_CAPTION};
const Question Q7_LAMP_OFF = {"ＩＣカードリーダライタのLEDランプは\r\n消灯していますか？",
                              LAMP_CAPTION};

const Question N1_REMOVE_CARD = {"ＩＣカードを抜いて「OK」を\r\nクリックしてください。",
                                 "ＩＣカード抜き取り確認"};

const Remedy F1_CONNECT_READER = {
    "ＩＣカードリーダライタをパソコンの\r\nUSBポートに接続してください。\r\n",
    "ＩＣカードリーダライタ接続",
    "　　ICカードリーダライタをパソコンのUSBポートに接続してください。\r\n",
};

const Remedy F2_INSERT_CARD = {
    "ＩＣカードをＩＣカードリーダライタに\r\n挿入してください。\r\n",
    "ＩＣカード挿入",
    "　　ICカードをICカードリーダライタに挿入してください。\r\n",
};

const Remedy F3_REINSTALL_DRIVER = {
    "ＩＣカードリーダライタのドライバソフトが正しくインストールされていない可能性があります。\r\n"
    "再度ドライバソフトのインストールを行ってください。\r\n",
    "エラー",
    "　　ICカードリーダライタのドライバソフトが正しくインストール\r\n"
    "　　されていない可能性があります。\r\n"
    "　　再度ドライバソフトのインストールを行ってください。\r\n",
};

const Remedy F4_CHECK_CARD = {
    "ＩＣカードの挿入方向を確認してください。\r\n"
    "または、ＩＣカードに汚れ等がないか確認してください。\r\n"
    "汚れが有った場合、やわらかい布でふき取ってください。\r\n"
    "\r\n"
    "それでも解決しない場合は、ＩＣカードの故障が考えられます。\r\n"
    "ＩＣカードの入手元（市役所など）にお問い合わせください。\r\n",
    "エラー",
    "　　ICカードの挿入方向を確認してください。\r\n"
    "　　または、ICカードに汚れ等がないか確認してください。\r\n"
    "　　汚れが有った場合、やわらかい布でふき取ってください。\r\n"
    "\r\n"
    "　　それでも解決しない場合は、ICカードの故障が考えられます。\r\n"
    "　　ICカードの入手元（市役所など）にお問い合わせください。\r\n",
};

const Remedy F5_REINSERT_CARD = {
    "ＩＣカードが正しく挿入されていません。\r\n"
    "ＩＣカードを正しく挿入してください。\r\n"
    "\r\n"
    "ＩＣカードを正しく挿入してもLEDランプが「緑点滅」して\r\n"
    "いる場合は、使用方法ご相談窓口（カスタマーセンター）\r\n"
    "に連絡してください。\r\n",
    "エラー",
    "　　ICカードが正しく挿入されていません。\r\n"
    "　　ICカードを正しく挿入してください。\r\n"
    "\r\n"
    "　　ICカードを正しく挿入してもLEDランプが「緑点滅」している場合は\r\n"
    "　　使用方法ご相談窓口（カスタマーセンター）に連絡してください。\r\n",
};

const Remedy F6_NOT_CONNECTED = {
    "ＩＣカードリーダライタが接続されていません。\r\n"
    "ＩＣカードリーダライタが、パソコンのUSBポートに確実に接続\r\n"
    "されていることを確認してください。\r\n"
    "\r\n"
    "ＩＣカードリーダライタを接続してもLEDランプが「消灯」して\r\n"
    "いる場合は、使用方法ご相談窓口（カスタマーセンター）に\r\n"
    "連絡してください。\r\n",
    "エラー",
    "　　ICカードリーダライタが接続されていません。\r\n"
    "　　ICカードリーダライタがソコンのUSBポートに確実に接続されて\r\n"
    "　　いることを確認してください。\r\n"
    "\r\n"
    "　　ICカードリーダライタを接続してもLEDランプが「消灯」している\r\n"
    "　　場合は、使用方法ご相談窓口（カスタマーセンター）に連絡して\r\n"
    "　　ください。\r\n",
};

const Remedy F7_CALL_CUSTOMER_CENTRE = {
    "使用方法ご相談窓口（カスタマーセンター）に連絡してください。\r\n",
    "エラー",
    "　　使用方法ご相談窓口（カスタマーセンター）に連絡してください。\r\n",
};

// Q1 to Q3 look for No: a box that could not be shown counts as Yes.
bool AnsweredNo(RunContext& run, const Question& question) {
    return AskQuestion(run, question.text, question.caption) == BOX_NO;
}

// Q4 to Q7 look for Yes: a box that could not be shown counts as No.
bool AnsweredYes(RunContext& run, const Question& question) {
    return AskQuestion(run, question.text, question.caption) == BOX_YES;
}

StageOutcome Stop(RunContext& run, const Remedy& remedy) {
    ReportFailure(run, remedy.boxText, remedy.caption, remedy.logText);
    RefreshLog(run);
    return StageOutcome::Stop;
}

// After a blinking red lamp: the lamp is looked at again without the card.
StageOutcome RecheckWithoutCard(RunContext& run) {
    ShowNotice(run, N1_REMOVE_CARD.text, N1_REMOVE_CARD.caption);
    if (AnsweredYes(run, Q4_STEADY_RED)) {
        return Stop(run, F3_REINSTALL_DRIVER);
    }
    return Stop(run, F4_CHECK_CARD);
}

}  // namespace

StageOutcome RunInterview(RunContext& run) {
    if (AnsweredNo(run, Q1_CONNECTED)) {
        return Stop(run, F1_CONNECT_READER);
    }
    if (AnsweredNo(run, Q2_CARD_INSERTED)) {
        return Stop(run, F2_INSERT_CARD);
    }
    if (!AnsweredNo(run, Q3_STEADY_GREEN)) {
        return StageOutcome::Continue;
    }
    if (AnsweredYes(run, Q4_STEADY_RED)) {
        return Stop(run, F3_REINSTALL_DRIVER);
    }
    if (AnsweredYes(run, Q5_BLINKING_RED)) {
        return RecheckWithoutCard(run);
    }
    if (AnsweredYes(run, Q6_BLINKING_GREEN)) {
        return Stop(run, F5_REINSERT_CARD);
    }
    if (AnsweredYes(run, Q7_LAMP_OFF)) {
        return Stop(run, F6_NOT_CONNECTED);
    }
    return Stop(run, F7_CALL_CUSTOMER_CENTRE);
}

}  // namespace readercheck
