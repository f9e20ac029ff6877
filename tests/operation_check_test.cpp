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
const std::string READER_1 = "VORNE QX7300 1";
void UseWorkingPcAndReader(FakeSystem& fake) {
    UseHealthyPc(fake);
    fake.smartCard.readerList = READER + std::string(2, '\0');
    fake.smartCard.cards[READER] = WorkingCard(READER);
}

TEST(OperationCheckTest, WorkingReaderAnsweredYesYesYesGivesTheWholeLog) {
    FakeSystem fake;
    UseWorkingPcAndReader(fake);

    EXPECT_EQ(RunOperationCheck(fake.system), 1u);

    const std::string expected = Sjis(Text("START")) + HealthyPcBlock() + Sjis(Text("SERVICE_OK")) +
                                 StepsOneToThreeOk() + ReaderListing({READER}) +
                                 WorkingReaderBlock(READER) + "\r\n" + Sjis(Text("END"));
    std::vector<std::string> shown = LogTextsOf(fake.events);
    ASSERT_FALSE(shown.empty());
    EXPECT_TRUE(SameText(shown.front(), Sjis(Text("START"))));
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
    std::function<void(FakeSystem&)> setUp;  // on a working PC and reader
    std::string log;
    std::vector<Box> boxes;
    std::vector<std::string> tail;  // the last calls of the run
};

std::vector<RunCase> RunCases() {
    const Box apiBox = ErrorBox(Text("BINDING.box"));
    return {
        {"library does not load",
         [](FakeSystem& f) { f.libraries.loadFails = true; },
         Sjis(Text("START")) + Framed(Text("BINDING.log")),
         {apiBox},
         {"Enable(1,0)", "Enable(1002,0)", "SetText(1000)", "Load", "Box(0x30)", "SetText(1000)",
          "Enable(1,1)", "Enable(1002,1)"}},
        {"library lacks only SCardControl: freed before the box, nothing asked",
         [](FakeSystem& f) { f.libraries.exports.erase("SCardControl"); },
         Sjis(Text("START")) + Framed(Text("BINDING.log")),
         {apiBox},
         {"Free", "Box(0x30)", "SetText(1000)", "Enable(1,1)", "Enable(1002,1)"}},
        {"library lacks its first function",
         [](FakeSystem& f) { f.libraries.exports.erase("SCardEstablishContext"); },
         Sjis(Text("START")) + Framed(Text("BINDING.log")),
         {apiBox},
         {"Free", "Box(0x30)", "SetText(1000)", "Enable(1,1)", "Enable(1002,1)"}},
        {"interview stops: no closing line",
         [](FakeSystem& f) { f.window.answers = {IDNO_RESULT}; },
         Sjis(Text("START")) + Framed(Text("F1.log")),
         {{Sjis(Text("Q1.box")), Sjis(Text("Q1.caption")), 4},
          {Sjis(Text("F1.box")), Sjis(Text("F1.caption")), 0x30}},
         {"Box(0x30)", "SetText(1000)", "Enable(1,1)", "Enable(1002,1)", "Free"}},
        {"service check stops: no closing line",
         [](FakeSystem& f) {
             f.services.batches[0].services.erase(f.services.batches[0].services.begin() + 1);
         },
         Sjis(Text("START")) + HealthyPcBlock() + Framed(Text("S5.log")),
         {},
         {"Close", "SetText(1000)", "LineCount(1000)", "Scroll", "Enable(1,1)", "Enable(1002,1)",
          "Free"}},
        {"step 1 fails: the closing line follows its entry",
         [](FakeSystem& f) { f.smartCard.establishResult = static_cast<ScardLong>(0x8010001D); },
         Sjis(Text("START")) + HealthyPcBlock() + Sjis(Text("SERVICE_OK")) +
             FailedStep(1, "  (0x8010001d)", Text("R1L")) + Sjis(Text("END")),
         {},
         {"SCardEstablishContext(scope=0,null,null)", "Box(0x30)", "SetText(1000)", "SetText(1000)",
          "LineCount(1000)", "Scroll", "Enable(1,1)", "Enable(1002,1)", "Free"}},
        {"dialog gone after the first question: nothing more is asked or shown, the library freed",
         [](FakeSystem& f) { f.window.goneAfter = "Box("; },
         Sjis(Text("START")),
         {{Sjis(Text("Q1.box")), Sjis(Text("Q1.caption")), 4}},
         {"Enable(1,0)", "Enable(1002,0)", "SetText(1000)", "Load", "Box(0x4)", "Free"}},
        {"dialog gone at the start text: the library is never loaded",
         [](FakeSystem& f) { f.window.goneAfter = "SetText("; },
         Sjis(Text("START")),
         {},
         {"Enable(1,0)", "Enable(1002,0)", "SetText(1000)"}},
        {"dialog gone at the third question: no lamp question follows",
         [](FakeSystem& f) {
             f.window.goneAfter = "Box(";
             f.window.goneAfterCount = 3;
         },
         Sjis(Text("START")),
         {},
         {"Box(0x4)", "Box(0x4)", "Box(0x4)", "Free"}},
        {"dialog gone at the second lamp question: nothing more is asked",
         [](FakeSystem& f) {
             f.window.answers = {IDYES_RESULT, IDYES_RESULT, IDNO_RESULT, IDNO_RESULT,
                                 IDYES_RESULT};
             f.window.goneAfter = "Box(";
             f.window.goneAfterCount = 5;
         },
         Sjis(Text("START")),
         {},
         {"Box(0x4)", "Box(0x4)", "Free"}},
        {"dialog gone in the service check: the manager closed, nothing more read",
         [](FakeSystem& f) { f.window.goneAfter = "Open"; },
         Sjis(Text("START")),
         {},
         {"Open", "Close", "Free"}},
        {"dialog gone as the service check ends: no context is opened",
         [](FakeSystem& f) { f.window.goneAfter = "Close"; },
         Sjis(Text("START")),
         {},
         {"Close", "Free"}},
        {"dialog gone after step 1: only the context is given back",
         [](FakeSystem& f) { f.window.goneAfter = "SCardEstablishContext"; },
         Sjis(Text("START")) + HealthyPcBlock() + Sjis(Text("SERVICE_OK")),
         {},
         {"SCardEstablishContext(scope=0,null,null)", "SCardReleaseContext(context)", "Free"}},
        {"dialog gone during the pause before step 3: no reader list is asked for",
         [](FakeSystem& f) {
             f.window.goneAfter = "Pause(";
             f.window.goneAfterCount = 2;
         },
         Sjis(Text("START")) + HealthyPcBlock() + Sjis(Text("SERVICE_OK")) + Ok(1) + Ok(2),
         {},
         {"SCardListReaderGroupsA(context,null,len=0)", "SetText(1000)", "LineCount(1000)",
          "Scroll", "Pause(500)", "SCardReleaseContext(context)", "Free"}},
        {"dialog gone during the pause before step 4: the reader is never connected",
         [](FakeSystem& f) {
             f.window.goneAfter = "Pause(";
             f.window.goneAfterCount = 3;
         },
         Sjis(Text("START")) + HealthyPcBlock() + Sjis(Text("SERVICE_OK")) + StepsOneToThreeOk() +
             ReaderListing({READER}) + ReaderHeader(READER),
         {},
         {"SetText(1000)", "LineCount(1000)", "Scroll", "Pause(500)",
          "SCardReleaseContext(context)", "Free"}},
        {"dialog gone after a card was connected: the card and the context given back, no more",
         [](FakeSystem& f) { f.window.goneAfter = "SCardConnectA"; },
         Sjis(Text("START")) + HealthyPcBlock() + Sjis(Text("SERVICE_OK")) + StepsOneToThreeOk() +
             ReaderListing({READER}) + ReaderHeader(READER),
         {},
         {"SCardConnectA(context,share=1,protocols=3)", "SCardDisconnect(card,disposition=1)",
          "SCardReleaseContext(context)", "Free"}},
        {"dialog gone after step 5: the card and the context given back, no more",
         [](FakeSystem& f) { f.window.goneAfter = "SCardStatusA"; },
         Sjis(Text("START")) + HealthyPcBlock() + Sjis(Text("SERVICE_OK")) + StepsOneToThreeOk() +
             ReaderListing({READER}) + ReaderHeader(READER) + Ok(4),
         {},
         {"SCardStatusA(card,namesLen=1024,protocol=0,atrLen=100)",
          "SCardDisconnect(card,disposition=1)", "SCardReleaseContext(context)", "Free"}},
        {"dialog gone between two of the maker's readers: the second is never connected",
         [](FakeSystem& f) {
             f.smartCard.readerList = READER + '\0' + READER_1 + std::string(2, '\0');
             f.smartCard.cards[READER_1] = WorkingCard(READER_1);
             f.window.goneAfter = "SCardDisconnect";
         },
         Sjis(Text("START")) + HealthyPcBlock() + Sjis(Text("SERVICE_OK")) + StepsOneToThreeOk() +
             ReaderListing({READER, READER_1}) + ReaderHeader(READER) + Ok(4) +
             StatusBlock(READER, SpecificT1(), WORKING_CARD_ATR_TEXT) + VersionBlock("3.0a", "1.2"),
         {},
         {"SCardDisconnect(card,disposition=1)", "SCardReleaseContext(context)", "Free"}},
    };
}

TEST(OperationCheckTest, EveryEndEnablesTheButtonsAndFreesTheLibrary) {
    for (const RunCase& c : RunCases()) {
        SCOPED_TRACE(c.situation);
        FakeSystem fake;
        UseWorkingPcAndReader(fake);
        c.setUp(fake);

        EXPECT_EQ(RunOperationCheck(fake.system), 1u);

        std::vector<std::string> shown = LogTextsOf(fake.events);
        ASSERT_FALSE(shown.empty());
        EXPECT_TRUE(SameText(shown.front(), Sjis(Text("START"))));
        EXPECT_TRUE(SameText(shown.back(), c.log));
        if (!c.boxes.empty()) {
            EXPECT_EQ(BoxesOf(fake.events), c.boxes);
        }
        EXPECT_TRUE(BoxesPrecedeTheirEntries(fake.events));
        if (c.log.find(Sjis(Text("SERVICE_OK"))) == std::string::npos) {
            EXPECT_TRUE(fake.events.Matching("SCard").empty())
                << "a run that never passed the service check reads no card";
        }
        std::vector<std::string> calls = Trace(fake.events);
        ASSERT_GE(calls.size(), c.tail.size());
        EXPECT_EQ(std::vector<std::string>(calls.end() - c.tail.size(), calls.end()), c.tail);
    }
}

}  // namespace
}  // namespace readercheck::tests
