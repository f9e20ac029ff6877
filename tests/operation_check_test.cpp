// Whole check runs: binding, the order of the stages and the ends of a run.
#include "check/operation_check.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/check_texts.h"
#include "tests/fakes.h"
#include "tests/sjis.h"

namespace readercheck::tests {
namespace {

const std::string READER = "VORNE QX7300 0";
const char* const API_BOX =
    "スマートカードのAPIが見つかりませんでした。\r\nパソコンが異常な状態です。\r\nパソコンを修復してください。";
const char* const API_LOG =
    "　　スマートカードのAPIが見つかりませんでした。\r\n　　パソコンが異常な状態です。\r\n　　パソコンを修復してください。\r\n";
const char* const F1_LOG = "　　ICカードリーダライタをパソコンのUSBポートに接続してください。\r\n";
const char* const S5_LOG =
    "    Smart Cardサービスが見つかりませんでした。\r\n　　パソコンが異常な状態です。\r\n　　パソコンを修復してください。\r\n";

void UseWorkingPcAndReader(FakeSystem& fake) {
    UseHealthyPc(fake);
    fake.smartCard.readerList = READER + std::string(2, '\0');
    fake.smartCard.cards[READER] = WorkingCard(READER);
}

std::string PcBlockOfWindows7() {
    return Sjis("パソコンの情報を取得します。\r\n") + FrameLine('*', 1) +
           Sjis(
               "このパソコンのＯＳは　Windows 7　です。\r\n"
               "サービスパックは　Service Pack 1　です。\r\n") +
           FrameLine('*', 2);
}

TEST(OperationCheckTest, WorkingReaderAnsweredYesYesYesGivesTheWholeLog) {
    FakeSystem fake;
    UseWorkingPcAndReader(fake);

    EXPECT_EQ(RunOperationCheck(fake.system), 1u);

    const std::string star = FrameLine('*', 1);
    const std::string equals = FrameLine('=', 1);
    const std::string expected =
        Sjis(
            "ICカードリーダライタの動作確認を開始します。\r\n\r\n"
            "パソコンの情報を取得します。\r\n") +
        star +
        Sjis(
            "このパソコンのＯＳは　Windows 7　です。\r\n"
            "サービスパックは　Service Pack 1　です。\r\n") +
        star + "\r\n" +
        Sjis(
            "Smart Cardサービスは正常に起動しています。\r\n\r\n"
            "１. SCardEstablishContext    ＯＫ\r\n\r\n"
            "２. SCardListReaderGroups    ＯＫ\r\n\r\n"
            "３. SCardListReaders         ＯＫ\r\n\r\n"
            "このパソコンにおいて\r\n"
            "  VORNE QX7300 0\r\n"
            "のICカードリーダライタが見つかりました。\r\n"
            "\r\n") +
        equals + Sjis("　　VORNE QX7300 0の動作確認を行います。\r\n") + equals + "\r\n" +
        Sjis(
            "４. SCardConnect             ＯＫ\r\n\r\n"
            "５. SCardStatus              ＯＫ\r\n"
            "VORNE QX7300 0\r\n"
            "  SCARD_SPECIFIC    SCARD_PROTOCOL_T1\r\n"
            "  ATR    3B 8A 80 01 00 \r\n\r\n"
            "６. SCardControl             ＯＫ\r\n"
            "　ファームウェアのバージョンは　3.0a です。\r\n"
            "　ドライバソフトのバージョンは　1.2 です。\r\n\r\n"
            "７. SCardDisconnect          ＯＫ\r\n\r\n"
            "VORNE QX7300 0 の動作確認が終了しました。\r\n\r\n\r\n") +
        star + Sjis("　　VORNE QX7300 0 は正常に動作しています。\r\n") + star + "\r\n\r\n" +
        Sjis(
            "\r\n"
            "\r\n動作確認終了\r\n");
    std::vector<std::string> shown = LogTextsOf(fake.events);
    ASSERT_FALSE(shown.empty());
    EXPECT_TRUE(SameText(shown.front(), Sjis(START_TEXT)));
    EXPECT_TRUE(SameText(shown.back(), expected));
    EXPECT_EQ(BoxesOf(fake.events).size(), 3u) << "the three questions only";
    EXPECT_EQ(fake.events.Matching("Pause").size(), 6u);
    for (const Event& pause : fake.events.Matching("Pause")) {
        EXPECT_EQ(pause.call, "Pause(500)");
    }

    std::vector<std::string> calls = Trace(fake.events);
    ASSERT_GE(calls.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 4),
              (std::vector<std::string>{"Enable(1,0)", "Enable(1002,0)", "SetText(1000)", "Load"}));
    EXPECT_EQ(fake.events.Matching("Load").front().text, "WinSCard.dll");
    EXPECT_EQ(std::vector<std::string>(calls.end() - 6, calls.end()),
              (std::vector<std::string>{"SetText(1000)", "LineCount(1000)", "Scroll", "Enable(1,1)",
                                        "Enable(1002,1)", "Free"}));
}

struct RunCase {
    const char* situation;
    std::function<void(FakeSystem&)> setUp;
    std::string log;
    std::vector<Box> boxes;
    std::vector<std::string> tail;  // the last calls of the run
};

std::vector<RunCase> RunCases() {
    const Box apiBox = {Sjis(API_BOX), Sjis("エラー"), 0x30};
    const std::vector<std::string> buttons = {"Enable(1,1)", "Enable(1002,1)"};
    const std::vector<std::string> questions = {"Box(0x4)", "Box(0x4)", "Box(0x4)"};
    return {
        {"library does not load",
         [](FakeSystem& f) {
             UseWorkingPcAndReader(f);
             f.libraries.loadFails = true;
         },
         Sjis(START_TEXT) + Framed(API_LOG),
         {apiBox},
         {"Enable(1,0)", "Enable(1002,0)", "SetText(1000)", "Load", "Box(0x30)", "SetText(1000)",
          "Enable(1,1)", "Enable(1002,1)"}},
        {"library lacks only SCardControl: freed before the box, nothing asked",
         [](FakeSystem& f) {
             UseWorkingPcAndReader(f);
             f.libraries.exports.erase("SCardControl");
         },
         Sjis(START_TEXT) + Framed(API_LOG),
         {apiBox},
         {"Free", "Box(0x30)", "SetText(1000)", "Enable(1,1)", "Enable(1002,1)"}},
        {"library lacks its first function",
         [](FakeSystem& f) {
             UseWorkingPcAndReader(f);
             f.libraries.exports.erase("SCardEstablishContext");
         },
         Sjis(START_TEXT) + Framed(API_LOG),
         {apiBox},
         {"Free", "Box(0x30)", "SetText(1000)", "Enable(1,1)", "Enable(1002,1)"}},
        {"interview stops: no closing line",
         [](FakeSystem& f) {
             UseWorkingPcAndReader(f);
             f.window.answers = {BOX_NO};
         },
         Sjis(START_TEXT) + Framed(F1_LOG),
         {{Sjis("ＩＣカードリーダライタは接続されていますか？"),
           Sjis("ＩＣカードリーダライタ接続確認"), 4},
          {Sjis("ＩＣカードリーダライタをパソコンの\r\nUSBポートに接続してください。\r\n"),
           Sjis("ＩＣカードリーダライタ接続"), 0x30}},
         {"Box(0x30)", "SetText(1000)", "Enable(1,1)", "Enable(1002,1)", "Free"}},
        {"service check stops: no closing line",
         [](FakeSystem& f) {
             UseWorkingPcAndReader(f);
             f.services.batches[0].services.erase(f.services.batches[0].services.begin() + 1);
         },
         Sjis(START_TEXT) + PcBlockOfWindows7() + Framed(S5_LOG),
         {},
         {"Close", "SetText(1000)", "LineCount(1000)", "Scroll", "Enable(1,1)", "Enable(1002,1)",
          "Free"}},
        {"step 1 fails: the closing line follows its entry",
         [](FakeSystem& f) {
             UseWorkingPcAndReader(f);
             f.smartCard.establishResult = static_cast<ScardLong>(0x8010001D);
         },
         Sjis(START_TEXT) + PcBlockOfWindows7() +
             Sjis("Smart Cardサービスは正常に起動しています。\r\n\r\n") +
             FailedStep(1, "  (0x8010001d)", R1_LOG) + Sjis(CLOSING_TEXT),
         {},
         {"SCardEstablishContext(scope=0,null,null)", "Box(0x30)", "SetText(1000)", "SetText(1000)",
          "LineCount(1000)", "Scroll", "Enable(1,1)", "Enable(1002,1)", "Free"}},
    };
}

TEST(OperationCheckTest, EveryEndEnablesTheButtonsAndFreesTheLibrary) {
    for (const RunCase& c : RunCases()) {
        SCOPED_TRACE(c.situation);
        FakeSystem fake;
        c.setUp(fake);

        EXPECT_EQ(RunOperationCheck(fake.system), 1u);

        std::vector<std::string> shown = LogTextsOf(fake.events);
        ASSERT_FALSE(shown.empty());
        EXPECT_TRUE(SameText(shown.front(), Sjis(START_TEXT)));
        EXPECT_TRUE(SameText(shown.back(), c.log));
        if (!c.boxes.empty()) {
            EXPECT_EQ(BoxesOf(fake.events), c.boxes);
        }
        EXPECT_TRUE(BoxesPrecedeTheirEntries(fake.events));
        if (c.log.find(Sjis(CLOSING_TEXT)) == std::string::npos) {
            EXPECT_TRUE(fake.events.Matching("SCard").empty()) << "a stopped run reads no card";
        }
        std::vector<std::string> calls = Trace(fake.events);
        ASSERT_GE(calls.size(), c.tail.size());
        EXPECT_EQ(std::vector<std::string>(calls.end() - c.tail.size(), calls.end()), c.tail);
    }
}

}  // namespace
}  // namespace readercheck::tests
