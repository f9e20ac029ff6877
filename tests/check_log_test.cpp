// The log text's building blocks and the window operations of a run.
#include "check/check_log.h"

#include <gtest/gtest.h>

#include <functional>

#include "check/run_context.h"
#include "tests/check_texts.h"
#include "tests/fakes.h"
#include "tests/sjis.h"

namespace readercheck::tests {
namespace {

TEST(CheckLogTest, FrameLinesAreSixtyFiveCharactersWithTheirLineEnds) {
    struct Case {
        const char* situation;
        std::function<void(CheckLog&)> append;
        std::string expected;
    };
    const Case cases[] = {
        {"opening slash line", [](CheckLog& l) { l.AppendOpeningSlashLine(); },
         std::string(65, '/') + "\r\n"},
        {"closing slash line", [](CheckLog& l) { l.AppendClosingSlashLine(); },
         std::string(65, '/') + "\r\n\r\n"},
        {"star line", [](CheckLog& l) { l.AppendStarLine(1); }, std::string(65, '*') + "\r\n"},
        {"double star line", [](CheckLog& l) { l.AppendStarLine(2); },
         std::string(65, '*') + "\r\n\r\n"},
        {"triple star line", [](CheckLog& l) { l.AppendStarLine(3); },
         std::string(65, '*') + "\r\n\r\n\r\n"},
        {"equals line", [](CheckLog& l) { l.AppendEqualsLine(1); }, std::string(65, '=') + "\r\n"},
        {"double equals line", [](CheckLog& l) { l.AppendEqualsLine(2); },
         std::string(65, '=') + "\r\n\r\n"},
    };
    for (const Case& c : cases) {
        CheckLog log;
        log.Append("x");
        c.append(log);
        EXPECT_EQ(log.Text(), "x" + c.expected) << c.situation;
    }
}

TEST(CheckLogTest, FramedEntryIsEnclosedInSlashLines) {
    CheckLog log;
    log.AppendFramedEntry(Sjis("　　本文\r\n"));
    EXPECT_TRUE(SameText(log.Text(), std::string(65, '/') + "\r\n" + Sjis("　　本文\r\n") +
                                         std::string(65, '/') + "\r\n\r\n"));
}

TEST(CheckLogTest, StepResultsHaveTheirFixedTexts) {
    for (int step = 1; step <= 8; ++step) {
        for (bool ok : {true, false}) {
            CheckLog log;
            log.AppendStepResult(step, ok);
            const std::string table = ok ? "STEP_OK." : "STEP_NG.";
            // A successful release (step 8) writes nothing.
            const std::string expected = ok && step == 8 ? "" : Text(table + std::to_string(step));
            EXPECT_TRUE(SameText(log.Text(), Sjis(expected))) << table << step;
        }
    }
}

TEST(CheckLogTest, StepFailureCarriesItsCodeThenTheFramedText) {
    struct Case {
        const char* situation;
        int step;
        int32_t code;
        std::string expected;
    };
    const std::string frame = Framed("　　理由\r\n");
    const Case cases[] = {
        {"code 0 still written", 3, 0, Sjis(Text("STEP_NG.3")) + "  (0x00000000)\r\n\r\n" + frame},
        {"smart card error in lower case", 4, static_cast<int32_t>(0x8010000C),
         Sjis(Text("STEP_NG.4")) + "  (0x8010000c)\r\n\r\n" + frame},
        {"small positive code", 6, 0x1F,
         Sjis(Text("STEP_NG.6")) + "  (0x0000001f)\r\n\r\n" + frame},
        {"step 8 puts its code on a new line", 8, static_cast<int32_t>(0x80100003),
         Sjis(Text("STEP_NG.8")) + "  (0x80100003)\r\n\r\n" + frame},
    };
    for (const Case& c : cases) {
        CheckLog log;
        log.AppendStepFailure(c.step, c.code, Sjis("　　理由\r\n"));
        EXPECT_TRUE(SameText(log.Text(), c.expected)) << c.situation;
    }
}

class WindowOperationsTest : public ::testing::Test {
protected:
    FakeSystem fake;
    RunContext run{fake.system};
};

TEST_F(WindowOperationsTest, RefreshShowsTheWholeLogInTheLogBox) {
    run.log.Append("one\r\n");
    RefreshLog(run);
    run.log.Append("two\r\n");
    RefreshLog(run);
    EXPECT_EQ(fake.events.Calls(), (std::vector<std::string>{"SetText(1000)", "SetText(1000)"}));
    EXPECT_EQ(LogTextsOf(fake.events), (std::vector<std::string>{"one\r\n", "one\r\ntwo\r\n"}));
}

TEST_F(WindowOperationsTest, ScrollMovesByTheLineCountOfTheLogBox) {
    run.log.Append("a\r\nb\r\nc\r\nd");
    RefreshLog(run);
    ScrollLogToEnd(run);
    EXPECT_EQ(fake.events.Calls(),
              (std::vector<std::string>{"SetText(1000)", "LineCount(1000)", "Scroll(1000,4)"}));
}

TEST_F(WindowOperationsTest, ButtonsChangeExitButtonFirst) {
    SetButtonsEnabled(run, false);
    SetButtonsEnabled(run, true);
    EXPECT_EQ(fake.events.Calls(), (std::vector<std::string>{"Enable(1,0)", "Enable(1002,0)",
                                                             "Enable(1,1)", "Enable(1002,1)"}));
}

TEST_F(WindowOperationsTest, ReportFailureShowsTheBoxAndFramesTheEntryWithoutRefreshing) {
    run.log.Append("before\r\n");
    ReportFailure(run, Sjis("箱の文"), Sjis("　　記録の文\r\n"), Sjis("見出し"));
    EXPECT_EQ(fake.events.Calls(), std::vector<std::string>{"Box(0x30)"});
    EXPECT_EQ(BoxesOf(fake.events), (std::vector<Box>{{Sjis("箱の文"), Sjis("見出し"), 0x30}}));
    EXPECT_TRUE(SameText(run.log.Text(), "before\r\n" + Framed("　　記録の文\r\n")));
}

TEST_F(WindowOperationsTest, WarningUsesTheErrorCaptionAndWritesNothing) {
    ShowWarning(run, Sjis("注意"));
    EXPECT_EQ(BoxesOf(fake.events), std::vector<Box>{ErrorBox("注意")});
    EXPECT_EQ(run.log.Text(), "");
    EXPECT_EQ(std::string(ERROR_CAPTION), Sjis(Text("ERROR")));
}

TEST_F(WindowOperationsTest, QuestionsAreYesNoBoxesAndPassTheAnswerOn) {
    fake.window.answers = {IDNO_RESULT, IDYES_RESULT, 0};
    EXPECT_EQ(AskQuestion(run, "q1", "c"), IDNO_RESULT);
    EXPECT_EQ(AskQuestion(run, "q2", "c"), IDYES_RESULT);
    EXPECT_EQ(AskQuestion(run, "q3", "c"), 0);
    ShowNotice(run, "n", "c2");
    EXPECT_EQ(BoxesOf(fake.events),
              (std::vector<Box>{{"q1", "c", 4}, {"q2", "c", 4}, {"q3", "c", 4}, {"n", "c2", 0}}));
}

TEST_F(WindowOperationsTest, NothingReachesADialogThatHasGone) {
    fake.window.goneAfter = "Box(";
    fake.window.goneAfterCount = 0;  // gone before the first call
    RefreshLog(run);
    ScrollLogToEnd(run);
    SetButtonsEnabled(run, true);
    ReportFailure(run, Failure{"box", "log\r\n", "caption"});
    ShowWarning(run, "warning");
    EXPECT_EQ(AskQuestion(run, "question", "caption"), std::nullopt);
    ShowNotice(run, "notice", "caption");
    Pause(run, 500);
    EXPECT_EQ(fake.events.Calls(), std::vector<std::string>{});
    EXPECT_EQ(run.log.Text(), "") << "nor is an entry written for a box not shown";
}

TEST_F(WindowOperationsTest, PauseSleepsForTheAskedTime) {
    Pause(run, 500);
    EXPECT_EQ(fake.events.Calls(), std::vector<std::string>{"Pause(500)"});
}

}  // namespace
}  // namespace readercheck::tests
