// The guided interview: connection, card and LED lamp, before any smart card
// call. Only a steady green lamp lets the check go on.
#include "check/operation_check.h"

namespace readercheck {

namespace {

struct Question {
    const char* text;
    const char* caption;
};

const char* const LAMP_CAPTION = "LEDランプ確認";

const Question ASK_CONNECTED = {"ＩＣカードリーダライタは接続されていますか？",
                                "ＩＣカードリーダライタ接続確認"};
const Question ASK_CARD_INSERTED = {
    "ＩＣカードがＩＣカードリーダライタに\r\n正しく挿入されていますか？", "ＩＣカード挿入確認"};
const Question ASK_STEADY_GREEN = {"ＩＣカードリーダライタのLEDランプは\r\n「緑点灯」ですか？",
                                   LAMP_CAPTION};
const Question ASK_STEADY_RED = {"ＩＣカードリーダライタのLEDランプは\r\n「赤点灯」ですか？",
                                 LAMP_CAPTION};
const Question ASK_BLINKING_RED = {"ＩＣカードリーダライタのLEDランプは\r\n「赤点滅」ですか？",
                                   LAMP_CAPTION};
const Question ASK_BLINKING_GREEN = {"ＩＣカードリーダライタのLEDランプは\r\n「緑点滅」ですか？",
                                     LAMP_CAPTION};
const Question ASK_LAMP_OFF = {"ＩＣカードリーダライタのLEDランプは\r\n消灯していますか？",
                               LAMP_CAPTION};

const Question TELL_REMOVE_CARD = {"ＩＣカードを抜いて「OK」を\r\nクリックしてください。",
                                   "ＩＣカード抜き取り確認"};

const Failure READER_UNPLUGGED = {
    "ＩＣカードリーダライタをパソコンの\r\nUSBポートに接続してください。\r\n",
    "　　ICカードリーダライタをパソコンのUSBポートに接続してください。\r\n",
    "ＩＣカードリーダライタ接続",
};

const Failure CARD_NOT_INSERTED = {
    "ＩＣカードをＩＣカードリーダライタに\r\n挿入してください。\r\n",
    "　　ICカードをICカードリーダライタに挿入してください。\r\n",
    "ＩＣカード挿入",
};

const Failure DRIVER_NOT_INSTALLED = {
    "ＩＣカードリーダライタのドライバソフトが正しくインストールされていない可能性があります。\r\n"
    "再度ドライバソフトのインストールを行ってください。\r\n",
    "　　ICカードリーダライタのドライバソフトが正しくインストール\r\n"
    "　　されていない可能性があります。\r\n"
    "　　再度ドライバソフトのインストールを行ってください。\r\n",
    ERROR_CAPTION,
};

const Failure CARD_UNREADABLE = {
    "ＩＣカードの挿入方向を確認してください。\r\n"
    "または、ＩＣカードに汚れ等がないか確認してください。\r\n"
    "汚れが有った場合、やわらかい布でふき取ってください。\r\n"
    "\r\n"
    "それでも解決しない場合は、ＩＣカードの故障が考えられます。\r\n"
    "ＩＣカードの入手元（市役所など）にお問い合わせください。\r\n",
    "　　ICカードの挿入方向を確認してください。\r\n"
    "　　または、ICカードに汚れ等がないか確認してください。\r\n"
    "　　汚れが有った場合、やわらかい布でふき取ってください。\r\n"
    "\r\n"
    "　　それでも解決しない場合は、ICカードの故障が考えられます。\r\n"
    "　　ICカードの入手元（市役所など）にお問い合わせください。\r\n",
    ERROR_CAPTION,
};

const Failure CARD_INSERTED_WRONGLY = {
    "ＩＣカードが正しく挿入されていません。\r\n"
    "ＩＣカードを正しく挿入してください。\r\n"
    "\r\n"
    "ＩＣカードを正しく挿入してもLEDランプが「緑点滅」して\r\n"
    "いる場合は、使用方法ご相談窓口（カスタマーセンター）\r\n"
    "に連絡してください。\r\n",
    "　　ICカードが正しく挿入されていません。\r\n"
    "　　ICカードを正しく挿入してください。\r\n"
    "\r\n"
    "　　ICカードを正しく挿入してもLEDランプが「緑点滅」している場合は\r\n"
    "　　使用方法ご相談窓口（カスタマーセンター）に連絡してください。\r\n",
    ERROR_CAPTION,
};

const Failure READER_WITHOUT_POWER = {
    "ＩＣカードリーダライタが接続されていません。\r\n"
    "ＩＣカードリーダライタが、パソコンのUSBポートに確実に接続\r\n"
    "されていることを確認してください。\r\n"
    "\r\n"
    "ＩＣカードリーダライタを接続してもLEDランプが「消灯」して\r\n"
    "いる場合は、使用方法ご相談窓口（カスタマーセンター）に\r\n"
    "連絡してください。\r\n",
    "　　ICカードリーダライタが接続されていません。\r\n"
    "　　ICカードリーダライタがソコンのUSBポートに確実に接続されて\r\n"
    "　　いることを確認してください。\r\n"
    "\r\n"
    "　　ICカードリーダライタを接続してもLEDランプが「消灯」している\r\n"
    "　　場合は、使用方法ご相談窓口（カスタマーセンター）に連絡して\r\n"
    "　　ください。\r\n",
    ERROR_CAPTION,
};

const Failure LAMP_UNEXPLAINED = {
    "使用方法ご相談窓口（カスタマーセンター）に連絡してください。\r\n",
    "　　使用方法ご相談窓口（カスタマーセンター）に連絡してください。\r\n",
    ERROR_CAPTION,
};

// What the user said, or that the dialog went away and nobody answered.
enum class Reply { Yes, No, NoDialog };

// The first three questions look for No: a box that could not be shown
// counts as Yes.
Reply AskLookingForNo(RunContext& run, const Question& question) {
    const std::optional<int> result = AskQuestion(run, question.text, question.caption);
    if (!result) {
        return Reply::NoDialog;
    }
    return *result == BOX_NO ? Reply::No : Reply::Yes;
}

// The lamp questions after them look for Yes: a box that could not be shown
// counts as No.
Reply AskLookingForYes(RunContext& run, const Question& question) {
    const std::optional<int> result = AskQuestion(run, question.text, question.caption);
    if (!result) {
        return Reply::NoDialog;
    }
    return *result == BOX_YES ? Reply::Yes : Reply::No;
}

// Ends the interview with the failure the answers point to. Without a dialog
// nothing is told: the run only stops.
StageOutcome Stop(RunContext& run, Reply reply, const Failure& failure) {
    if (reply != Reply::NoDialog) {
        ReportFailure(run, failure);
        RefreshLog(run);
    }
    return StageOutcome::Stop;
}

// After a blinking red lamp: the lamp is looked at again without the card.
StageOutcome RecheckWithoutCard(RunContext& run) {
    ShowNotice(run, TELL_REMOVE_CARD.text, TELL_REMOVE_CARD.caption);
    const Reply steadyRed = AskLookingForYes(run, ASK_STEADY_RED);
    return Stop(run, steadyRed, steadyRed == Reply::Yes ? DRIVER_NOT_INSTALLED : CARD_UNREADABLE);
}

// The lamp questions after a lamp that is not steady green; each Yes names
// the failure, and No to all of them leaves the last.
StageOutcome AskAboutTheLamp(RunContext& run) {
    Reply reply = AskLookingForYes(run, ASK_STEADY_RED);
    if (reply != Reply::No) {
        return Stop(run, reply, DRIVER_NOT_INSTALLED);
    }
    reply = AskLookingForYes(run, ASK_BLINKING_RED);
    if (reply == Reply::Yes) {
        return RecheckWithoutCard(run);
    }
    if (reply == Reply::NoDialog) {
        return StageOutcome::Stop;
    }
    reply = AskLookingForYes(run, ASK_BLINKING_GREEN);
    if (reply != Reply::No) {
        return Stop(run, reply, CARD_INSERTED_WRONGLY);
    }
    reply = AskLookingForYes(run, ASK_LAMP_OFF);
    if (reply != Reply::No) {
        return Stop(run, reply, READER_WITHOUT_POWER);
    }
    return Stop(run, reply, LAMP_UNEXPLAINED);
}

}  // namespace

StageOutcome RunInterview(RunContext& run) {
    Reply reply = AskLookingForNo(run, ASK_CONNECTED);
    if (reply != Reply::Yes) {
        return Stop(run, reply, READER_UNPLUGGED);
    }
    reply = AskLookingForNo(run, ASK_CARD_INSERTED);
    if (reply != Reply::Yes) {
        return Stop(run, reply, CARD_NOT_INSERTED);
    }
    reply = AskLookingForNo(run, ASK_STEADY_GREEN);
    if (reply == Reply::NoDialog) {
        return StageOutcome::Stop;
    }
    if (reply == Reply::Yes) {
        return StageOutcome::Continue;
    }
    return AskAboutTheLamp(run);
}

}  // namespace readercheck
