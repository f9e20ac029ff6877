// The guided interview: every path through the questions and its remedy.
#include <gtest/gtest.h>

#include "check/operation_check.h"
#include "tests/check_texts.h"
#include "tests/fakes.h"
#include "tests/sjis.h"

namespace readercheck::tests {
namespace {

constexpr int Y = IDYES_RESULT;
constexpr int N = IDNO_RESULT;
constexpr int FAILED = 0;  // a box that could not be shown

struct Path {
    const char* situation;
    std::vector<int> answers;            // to the questions, in order
    std::vector<const char*> questions;  // boxes before the remedy: Q1 to Q7, the notice N1
    const char* remedy;                  // F1 to F7; nullptr: the check goes on
};

// The questions up to the last lamp question, and those of a blinking red
// lamp, whose notice leads back to the steady red question.
const std::vector<const char*> UP_TO_Q7 = {"Q1", "Q2", "Q3", "Q4", "Q5", "Q6", "Q7"};
const std::vector<const char*> Q4_AGAIN = {"Q1", "Q2", "Q3", "Q4", "Q5", "N1", "Q4"};

const Path PATHS[] = {
    {"not connected", {N}, {"Q1"}, "F1"},
    {"no card", {Y, N}, {"Q1", "Q2"}, "F2"},
    {"steady green", {Y, Y, Y}, {"Q1", "Q2", "Q3"}, nullptr},
    {"steady red", {Y, Y, N, Y}, {"Q1", "Q2", "Q3", "Q4"}, "F3"},
    {"blinking red, then steady red", {Y, Y, N, N, Y, Y}, Q4_AGAIN, "F3"},
    {"blinking red, then not red", {Y, Y, N, N, Y, N}, Q4_AGAIN, "F4"},
    {"blinking green", {Y, Y, N, N, N, Y}, {"Q1", "Q2", "Q3", "Q4", "Q5", "Q6"}, "F5"},
    {"lamp off", {Y, Y, N, N, N, N, Y}, UP_TO_Q7, "F6"},
    {"no lamp state fits", {Y, Y, N, N, N, N, N}, UP_TO_Q7, "F7"},
    // A box that cannot be shown counts as Yes for the first three questions
    // and as No for the lamp questions after them.
    {"first three boxes fail", {FAILED, FAILED, FAILED}, {"Q1", "Q2", "Q3"}, nullptr},
    {"lamp question boxes fail", {Y, Y, N, FAILED, FAILED, FAILED, FAILED}, UP_TO_Q7, "F7"},
    {"repeated steady red box fails", {Y, Y, N, N, Y, FAILED}, Q4_AGAIN, "F4"},
};

// The named box as shown: questions ask Yes/No (4), the notice has OK only
// (0), remedies warn (0x30).
Box Expected(const std::string& name, unsigned flags) {
    return {Sjis(Text(name + ".box")), Sjis(Text(name + ".caption")), flags};
}

TEST(InterviewTest, EveryPathAsksItsQuestionsAndEndsWithItsRemedy) {
    for (const Path& path : PATHS) {
        SCOPED_TRACE(path.situation);
        FakeSystem fake;
        fake.window.answers.assign(path.answers.begin(), path.answers.end());
        RunContext run(fake.system);
        run.log.Append(Sjis(Text("START")));

        StageOutcome outcome = RunInterview(run);

        std::vector<Box> expectedBoxes;
        for (const std::string name : path.questions) {
            expectedBoxes.push_back(Expected(name, name == "N1" ? 0 : 4));
        }
        std::string expectedLog = Sjis(Text("START"));
        if (path.remedy != nullptr) {
            expectedBoxes.push_back(Expected(path.remedy, 0x30));
            expectedLog += Framed(Text(path.remedy + std::string(".log")));
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
