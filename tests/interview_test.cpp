// The guided interview: every path through the questions and its remedy.
#include <gtest/gtest.h>

#include "check/operation_check.h"
#include "tests/check_texts.h"
#include "tests/fakes.h"
#include "tests/sjis.h"

namespace readercheck::tests {
namespace {

struct Shown {
    const char* text;
    const char* caption;
    unsigned flags;
};

const Shown Q1 = {"ＩＣカードリーダライタは接続されていますか？", "ＩＣカードリーダライタ接続確認",
                  4};
const Shown Q2 = {"ＩＣカードがＩＣカードリーダライタに\r\n正しく挿入されていますか？",
                  "ＩＣカード挿入確認", 4};
const Shown Q3 = {"ＩＣカードリーダライタのLEDランプは\r\n「緑点灯」ですか？", "LEDランプ確認", 4};
const Shown Q4 = {"ＩＣカードリーダライタのLEDランプは\r\n「赤点灯」ですか？", "LEDランプ確認", 4};
const Shown Q5 = {"ＩＣカードリーダライタのLEDランプは\r\n「赤点滅」ですか？", "LEDランプ確認", 4};
const Shown Q6 = {"ＩＣカードリーダライタのLEDランプは\r\n「緑点滅」ですか？", "LEDランプ確認", 4};
const Shown Q7 = {"ＩＣカードリーダライタのLEDランプは\r\n消灯していますか？", "LEDランプ確認", 4};
const Shown N1 = {"ＩＣカードを抜いて「OK」を\r\nクリックしてください。", "ＩＣカード抜き取り確認",
                  0};

struct Remedy {
    Shown box;
    const char* log;
};

const Remedy F1 = {{"ＩＣカードリーダライタをパソコンの\r\nUSBポートに接続してください。\r\n",
                    "ＩＣカードリーダライタ接続", 0x30},
                   "　　ICカードリーダライタをパソコンのUSBポートに接続してください。\r\n"};
const Remedy F2 = {
    {"ＩＣカードをＩＣカードリーダライタに\r\n挿入してください。\r\n", "ＩＣカード挿入", 0x30},
    "　　ICカードをICカードリーダライタに挿入してください。\r\n"};
const Remedy F3 = {
    {"ＩＣカードリーダライタのドライバソフトが正しくインストールされていない可能性があります。\r\n再度ドライバソフトのインストールを行ってください。\r\n",
     "エラー", 0x30},
    "　　ICカードリーダライタのドライバソフトが正しくインストール\r\n　　されていない可能性があります。\r\n　　再度ドライバソフトのインストールを行ってください。\r\n"};
const Remedy F4 = {
    {"ＩＣカードの挿入方向を確認してください。\r\nまたは、ＩＣカードに汚れ等がないか確認してください。\r\n汚れが有った場合、やわらかい布でふき取ってください。\r\n\r\nそれでも解決しない場合は、ＩＣカードの故障が考えられます。\r\nＩＣカードの入手元（市役所など）にお問い合わせください。\r\n",
     "エラー", 0x30},
    "　　ICカードの挿入方向を確認してください。\r\n　　または、ICカードに汚れ等がないか確認してください。\r\n　　汚れが有った場合、やわらかい布でふき取ってください。\r\n\r\n　　それでも解決しない場合は、ICカードの故障が考えられます。\r\n　　ICカードの入手元（市役所など）にお問い合わせください。\r\n"};
const Remedy F5 = {
    {"ＩＣカードが正しく挿入されていません。\r\nＩＣカードを正しく挿入してください。\r\n\r\nＩＣカードを正しく挿入してもLEDランプが「緑点滅」して\r\nいる場合は、使用方法ご相談窓口（カスタマーセンター）\r\nに連絡してください。\r\n",
     "エラー", 0x30},
    "　　ICカードが正しく挿入されていません。\r\n　　ICカードを正しく挿入してください。\r\n\r\n　　ICカードを正しく挿入してもLEDランプが「緑点滅」している場合は\r\n　　使用方法ご相談窓口（カスタマーセンター）に連絡してください。\r\n"};
const Remedy F6 = {
    {"ＩＣカードリーダライタが接続されていません。\r\nＩＣカードリーダライタが、パソコンのUSBポートに確実に接続\r\nされていることを確認してください。\r\n\r\nＩＣカードリーダライタを接続してもLEDランプが「消灯」して\r\nいる場合は、使用方法ご相談窓口（カスタマーセンター）に\r\n連絡してください。\r\n",
     "エラー", 0x30},
    "　　ICカードリーダライタが接続されていません。\r\n　　ICカードリーダライタがソコンのUSBポートに確実に接続されて\r\n　　いることを確認してください。\r\n\r\n　　ICカードリーダライタを接続してもLEDランプが「消灯」している\r\n　　場合は、使用方法ご相談窓口（カスタマーセンター）に連絡して\r\n　　ください。\r\n"};
const Remedy F7 = {
    {"使用方法ご相談窓口（カスタマーセンター）に連絡してください。\r\n", "エラー", 0x30},
    "　　使用方法ご相談窓口（カスタマーセンター）に連絡してください。\r\n"};

constexpr int Y = BOX_YES;
constexpr int N = BOX_NO;
constexpr int FAILED = 0;  // a box that could not be shown

struct Path {
    const char* situation;
    std::vector<int> answers;      // to the questions, in order
    std::vector<Shown> questions;  // boxes before the remedy
    const Remedy* remedy;          // nullptr: the check goes on
};

const Path PATHS[] = {
    {"not connected", {N}, {Q1}, &F1},
    {"no card", {Y, N}, {Q1, Q2}, &F2},
    {"steady green", {Y, Y, Y}, {Q1, Q2, Q3}, nullptr},
    {"steady red", {Y, Y, N, Y}, {Q1, Q2, Q3, Q4}, &F3},
    {"blinking red, then steady red", {Y, Y, N, N, Y, Y}, {Q1, Q2, Q3, Q4, Q5, N1, Q4}, &F3},
    {"blinking red, then not red", {Y, Y, N, N, Y, N}, {Q1, Q2, Q3, Q4, Q5, N1, Q4}, &F4},
    {"blinking green", {Y, Y, N, N, N, Y}, {Q1, Q2, Q3, Q4, Q5, Q6}, &F5},
    {"lamp off", {Y, Y, N, N, N, N, Y}, {Q1, Q2, Q3, Q4, Q5, Q6, Q7}, &F6},
    {"no lamp state fits", {Y, Y, N, N, N, N, N}, {Q1, Q2, Q3, Q4, Q5, Q6, Q7}, &F7},
    // A box that cannot be shown counts as Yes for the first three questions
    // and as No for the lamp questions after them.
    {"first three boxes fail", {FAILED, FAILED, FAILED}, {Q1, Q2, Q3}, nullptr},
    {"lamp question boxes fail",
     {Y, Y, N, FAILED, FAILED, FAILED, FAILED},
     {Q1, Q2, Q3, Q4, Q5, Q6, Q7},
     &F7},
    {"repeated steady red box fails", {Y, Y, N, N, Y, FAILED}, {Q1, Q2, Q3, Q4, Q5, N1, Q4}, &F4},
};

Box Expected(const Shown& shown) {
    return {Sjis(shown.text), Sjis(shown.caption), shown.flags};
}

TEST(InterviewTest, EveryPathAsksItsQuestionsAndEndsWithItsRemedy) {
    for (const Path& path : PATHS) {
        SCOPED_TRACE(path.situation);
        FakeSystem fake;
        fake.window.answers.assign(path.answers.begin(), path.answers.end());
        RunContext run(fake.system);
        run.log.Append(Sjis(START_TEXT));

        StageOutcome outcome = RunInterview(run);

        std::vector<Box> expectedBoxes;
        for (const Shown& shown : path.questions) {
            expectedBoxes.push_back(Expected(shown));
        }
        std::string expectedLog = Sjis(START_TEXT);
        if (path.remedy != nullptr) {
            expectedBoxes.push_back(Expected(path.remedy->box));
            expectedLog += Framed(path.remedy->log);
        }
        EXPECT_EQ(BoxesOf(fake.events), expectedBoxes);
        EXPECT_TRUE(SameText(run.log.Text(), expectedLog));
        EXPECT_TRUE(fake.window.answers.empty()) << "every answer was asked for";
        if (path.remedy == nullptr) {
            EXPECT_EQ(outcome, StageOutcome::Continue);
            EXPECT_TRUE(LogTextsOf(fake.events).empty()) << "nothing is shown on continue";
        } else {
            EXPECT_EQ(outcome, StageOutcome::Stop);
            // The remedy box, then exactly one refresh that shows its entry.
            ASSERT_GE(fake.events.All().size(), 2u);
            EXPECT_EQ(fake.events.All().back().call, "SetText(1000)");
            EXPECT_EQ(LogTextsOf(fake.events), std::vector<std::string>{expectedLog});
        }
    }
}

TEST(InterviewTest, OnlyBoxesAndTheFinalRefreshReachTheSystem) {
    FakeSystem fake;
    fake.window.answers = {Y, Y, N, N, Y, N};
    fake.window.okResult = 0;  // even a notice that fails leads to the repeated question
    RunContext run(fake.system);
    RunInterview(run);
    std::vector<std::string> expected(7, "Box(0x4)");
    expected[5] = "Box(0x0)";  // the notice
    expected.push_back("Box(0x30)");
    expected.push_back("SetText(1000)");
    EXPECT_EQ(fake.events.Calls(), expected);
}

}  // namespace
}  // namespace readercheck::tests
