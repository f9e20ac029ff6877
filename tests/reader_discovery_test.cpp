// Reader discovery: steps 1 to 3, the reader walk and the release of step 8.
#include <gtest/gtest.h>

#include <functional>

#include "check/operation_check.h"
#include "tests/check_texts.h"
#include "tests/fakes.h"
#include "tests/sjis.h"

namespace readercheck::tests {
namespace {

const std::string READER_0 = "VORNE QX7300 0";
const std::string READER_1 = "VORNE QX7300 1";
const std::string OTHER_MAKE = "ACME CardMan 3121 0";

// A reader list as the system writes it: each name ended by a zero byte,
// the list by one more.
std::string ListOf(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) {
        list += name + '\0';
    }
    return list + '\0';
}

// Runs the stage with the fake's smart card bound; returns the log.
std::string RunStage(FakeSystem& fake) {
    RunContext run(fake.system);
    run.api = FakeSmartCard::Api();
    RunReaderCheck(run);
    return run.log.Text();
}

std::vector<std::string> ReadersIn(const Events& events, const std::string& call) {
    std::vector<std::string> readers;
    for (const Event& event : events.Matching(call)) {
        readers.push_back(event.text);
    }
    return readers;
}

struct DiscoveryCase {
    const char* situation;
    std::function<void(FakeSmartCard&)> setUp;
    std::string log;
    std::vector<Box> boxes;
};

std::vector<DiscoveryCase> DiscoveryCases() {
    auto lengthOnly = [](ScardDword length) {
        return [length](FakeSmartCard& card) {
            card.readerList = ListOf({READER_0});
            card.readerListLength = length;
            card.cards[READER_0] = WorkingCard(READER_0);
        };
    };
    const std::string step3Length =
        Ok(1) + Ok(2) + FailedStep(3, "  (0x00000000)", Text("R2L")) + "\r\n";
    // Nine readers whose names need more than the first 1024 bytes.
    std::vector<std::string> nine = {READER_0};
    for (char index = '1'; index <= '7'; ++index) {
        nine.push_back(OTHER_MAKE + " " + std::string(140, index));
    }
    nine.push_back(READER_1);
    std::vector<std::string> pluggedIn;  // each too long for the list before it
    for (char index = '1'; index <= '4'; ++index) {
        pluggedIn.push_back("ACME Plugged " + std::string(200, index));
    }
    std::vector<std::string> nineAndOne = nine;
    nineAndOne.push_back(pluggedIn[0]);
    std::vector<std::string> nineAndTwo = nineAndOne;
    nineAndTwo.push_back(pluggedIn[1]);
    // The nine, both of ours with a card, and readers plugged in meanwhile.
    auto nineWith = [nine](std::vector<std::string> plugged) {
        return [nine, plugged](FakeSmartCard& card) {
            card.readerList = ListOf(nine);
            card.pluggedIn = plugged;
            card.cards[READER_0] = WorkingCard(READER_0);
            card.cards[READER_1] = WorkingCard(READER_1);
        };
    };
    return {
        {"nine readers whose names do not fit 1024 bytes: all listed, both of ours tested",
         nineWith({}),
         StepsOneToThreeOk() + ReaderListing(nine) + WorkingReaderBlock(READER_0) +
             WorkingReaderBlock(READER_1) + "\r\n",
         {}},
        {"a reader plugged in between the calls: the list asked for once more and read whole",
         nineWith({pluggedIn[0]}),
         StepsOneToThreeOk() + ReaderListing(nineAndOne) + WorkingReaderBlock(READER_0) +
             WorkingReaderBlock(READER_1) + "\r\n",
         {}},
        {"a list that grows at every call: step 3 NG with the system's code after the retries",
         nineWith(pluggedIn),
         Ok(1) + Ok(2) + FailedStep(3, "  (0x80100008)", Text("R2L")) + "\r\n",
         {ErrorBox(Text("R3"))}},
        {"a list that grows until the last of the three retries: read whole",
         nineWith({pluggedIn[0], pluggedIn[1]}),
         StepsOneToThreeOk() + ReaderListing(nineAndTwo) + WorkingReaderBlock(READER_0) +
             WorkingReaderBlock(READER_1) + "\r\n",
         {}},
        {"a list still growing at the last retry: step 3 NG",
         nineWith({pluggedIn[0], pluggedIn[1], pluggedIn[2]}),
         Ok(1) + Ok(2) + FailedStep(3, "  (0x80100008)", Text("R2L")) + "\r\n",
         {ErrorBox(Text("R3"))}},
        {"a reader list that needs more than 64 KiB",
         [](FakeSmartCard& card) { card.readerList = ListOf({std::string(65536, 'A')}); },
         Ok(1) + Ok(2) + FailedStep(3, "  (0x80100008)", Text("R2L")) + "\r\n",
         {ErrorBox(Text("R3"))}},
        {"a reader list of exactly 64 KiB: read",
         [](FakeSmartCard& card) { card.readerList = ListOf({std::string(65534, 'A')}); },
         StepsOneToThreeOk() + ReaderListing({std::string(65534, 'A')}) + Framed(Text("R4L")) +
             "\r\n",
         {ErrorBox(Text("R4"))}},
        {"one working reader",
         [](FakeSmartCard& card) {
             card.readerList = ListOf({READER_0});
             card.cards[READER_0] = WorkingCard(READER_0);
         },
         StepsOneToThreeOk() + ReaderListing({READER_0}) + WorkingReaderBlock(READER_0) + "\r\n",
         {}},
        {"two matching readers, the first without a card",
         [](FakeSmartCard& card) {
             card.readerList = ListOf({READER_0, READER_1});
             card.cards[READER_1] = WorkingCard(READER_1);
         },
         StepsOneToThreeOk() + ReaderListing({READER_0, READER_1}) + ReaderHeader(READER_0) +
             FailedStep(4, "  (0x8010000c)", Text("C4L")) + Verdict(READER_0, true) +
             WorkingReaderBlock(READER_1) + "\r\n",
         {ErrorBox(READER_0 + Text("C4"))}},
        {"a reader of another make only",
         [](FakeSmartCard& card) { card.readerList = ListOf({OTHER_MAKE}); },
         StepsOneToThreeOk() + ReaderListing({OTHER_MAKE}) + Framed(Text("R4L")) + "\r\n",
         {ErrorBox(Text("R4"))}},
        {"the maker's reader among others",
         [](FakeSmartCard& card) {
             card.readerList = ListOf({OTHER_MAKE, READER_0, "Other Reader 1"});
             card.cards[READER_0] = WorkingCard(READER_0);
         },
         StepsOneToThreeOk() + ReaderListing({OTHER_MAKE, READER_0, "Other Reader 1"}) +
             WorkingReaderBlock(READER_0) + "\r\n",
         {}},
        {"step 1 fails: nothing else runs",
         [](FakeSmartCard& card) { card.establishResult = static_cast<ScardLong>(0x8010001D); },
         FailedStep(1, "  (0x8010001d)", Text("R1L")),
         {ErrorBox(Text("R1"))}},
        {"step 2 fails",
         [](FakeSmartCard& card) { card.groupsResult = static_cast<ScardLong>(0x8010001E); },
         Ok(1) + FailedStep(2, "  (0x8010001e)", Text("R2L")) + "\r\n",
         {ErrorBox(Text("R2"))}},
        {"step 3 fails",
         [](FakeSmartCard& card) { card.readersResult = static_cast<ScardLong>(0x8010002E); },
         Ok(1) + Ok(2) + FailedStep(3, "  (0x8010002e)", Text("R2L")) + "\r\n",
         {ErrorBox(Text("R3"))}},
        {"step 3 returns a length of 0", lengthOnly(0), step3Length, {ErrorBox(Text("R3"))}},
        {"step 3 returns a length of 1", lengthOnly(1), step3Length, {ErrorBox(Text("R3"))}},
        {"step 3 returns a length of 2", lengthOnly(2), step3Length, {ErrorBox(Text("R3"))}},
        {"step 8 fails after a working reader",
         [](FakeSmartCard& card) {
             card.readerList = ListOf({READER_0});
             card.cards[READER_0] = WorkingCard(READER_0);
             card.releaseResult = static_cast<ScardLong>(0x80100003);
         },
         StepsOneToThreeOk() + ReaderListing({READER_0}) + WorkingReaderBlock(READER_0) + "\r\n" +
             FailedStep(8, "  (0x80100003)", Text("R8L")),
         {ErrorBox(Text("R8"))}},
        {"step 2 and step 8 fail",
         [](FakeSmartCard& card) {
             card.groupsResult = 1;
             card.releaseResult = 2;
         },
         Ok(1) + FailedStep(2, "  (0x00000001)", Text("R2L")) + "\r\n" +
             FailedStep(8, "  (0x00000002)", Text("R8L")),
         {ErrorBox(Text("R2")), ErrorBox(Text("R8"))}},
    };
}

TEST(ReaderCheckTest, EachSituationWritesItsWholeLogAndBoxes) {
    for (const DiscoveryCase& c : DiscoveryCases()) {
        SCOPED_TRACE(c.situation);
        FakeSystem fake;
        c.setUp(fake.smartCard);
        std::string log = RunStage(fake);

        EXPECT_TRUE(SameText(log, c.log));
        EXPECT_EQ(BoxesOf(fake.events), c.boxes);
        EXPECT_TRUE(BoxesPrecedeTheirEntries(fake.events));
        ASSERT_FALSE(LogTextsOf(fake.events).empty());
        EXPECT_EQ(LogTextsOf(fake.events).back(), log) << "the last refresh shows all";
    }
}

const std::string ESTABLISH = "SCardEstablishContext(scope=0,null,null)";
const std::string GROUPS = "SCardListReaderGroupsA(context,null,len=0)";
const std::string READERS = "SCardListReadersA(context,null,len=1024,cleared)";
const std::string CONNECT = "SCardConnectA(context,share=1,protocols=3)";
const std::string RELEASE = "SCardReleaseContext(context)";
const std::string REFRESH = "SetText(1000)";
const std::string COUNT = "LineCount(1000)";
const std::string BOX = "Box(0x30)";
const std::string PAUSE = "Pause(500)";

TEST(ReaderCheckTest, FailuresScrollBeforeTheirBoxAndRefreshAfterIt) {
    struct Case {
        const char* situation;
        std::function<void(FakeSmartCard&)> setUp;
        std::vector<std::string> trace;
    };
    const std::vector<std::string> release = {PAUSE, RELEASE, REFRESH, COUNT, "Scroll"};
    const Case cases[] = {
        {"step 1 fails: box, then the entry, no release",
         [](FakeSmartCard& c) { c.establishResult = 1; },
         {ESTABLISH, BOX, REFRESH}},
        {"step 2 fails", [](FakeSmartCard& c) { c.groupsResult = 1; },
         Then({ESTABLISH, REFRESH, PAUSE, GROUPS, COUNT, "Scroll", BOX, REFRESH}, release)},
        {"step 3 fails", [](FakeSmartCard& c) { c.readersResult = 1; },
         Then({ESTABLISH, REFRESH, PAUSE, GROUPS, REFRESH, COUNT, "Scroll", PAUSE, READERS, COUNT,
               "Scroll", BOX, REFRESH, REFRESH, COUNT, "Scroll"},
              release)},
        {"too small a buffer without a larger length: asked once, the buffer kept",
         [](FakeSmartCard& c) {
             c.readersResult = static_cast<ScardLong>(0x80100008);
             c.readerListLength = 0;
         },
         Then({ESTABLISH, REFRESH, PAUSE, GROUPS, REFRESH, COUNT, "Scroll", PAUSE, READERS, COUNT,
               "Scroll", BOX, REFRESH, REFRESH, COUNT, "Scroll"},
              release)},
        {"a refusal that names the length already given: asked once",
         [](FakeSmartCard& c) {
             c.readersResult = static_cast<ScardLong>(0x80100008);
             c.readerListLength = 1024;
         },
         Then({ESTABLISH, REFRESH, PAUSE, GROUPS, REFRESH, COUNT, "Scroll", PAUSE, READERS, COUNT,
               "Scroll", BOX, REFRESH, REFRESH, COUNT, "Scroll"},
              release)},
        {"no matching reader", [](FakeSmartCard& c) { c.readerList = ListOf({OTHER_MAKE}); },
         Then({ESTABLISH, REFRESH, PAUSE, GROUPS, REFRESH, COUNT, "Scroll", PAUSE, READERS, REFRESH,
               COUNT, "Scroll", COUNT, "Scroll", BOX, REFRESH, REFRESH, COUNT, "Scroll"},
              release)},
        {"matching reader: refreshed and scrolled after the walk",
         [](FakeSmartCard& c) { c.readerList = ListOf({READER_0}); },
         Then({ESTABLISH, REFRESH, PAUSE,    GROUPS,  REFRESH, COUNT,    "Scroll", PAUSE,   READERS,
               REFRESH,   COUNT,   "Scroll", REFRESH, COUNT,   "Scroll", PAUSE,    CONNECT, COUNT,
               "Scroll",  BOX,     REFRESH,  REFRESH, REFRESH, COUNT,    "Scroll"},
              release)},
        {"step 8 fails",
         [](FakeSmartCard& c) {
             c.readerList = ListOf({OTHER_MAKE});
             c.releaseResult = 1;
         },
         {ESTABLISH, REFRESH, PAUSE,    GROUPS, REFRESH,  COUNT, "Scroll", PAUSE,   READERS,
          REFRESH,   COUNT,   "Scroll", COUNT,  "Scroll", BOX,   REFRESH,  REFRESH, COUNT,
          "Scroll",  PAUSE,   RELEASE,  COUNT,  "Scroll", BOX,   REFRESH,  COUNT,   "Scroll"}},
    };
    for (const Case& c : cases) {
        FakeSystem fake;
        c.setUp(fake.smartCard);
        RunStage(fake);
        EXPECT_EQ(Trace(fake.events), c.trace) << c.situation;
    }
}

TEST(ReaderCheckTest, MakerIsRecognisedByTheFirstTwelveBytesOfTheName) {
    struct Case {
        std::string name;
        bool matches;
    };
    const Case cases[] = {
        {"VORNE QX7300", true},     {"VORNE QX730", false},    {"VORNE QX7300 12", true},
        {"VORNE QX7300USB", true},  {"vorne qx7300 0", false}, {"VORNE QX7301 0", false},
        {" VORNE QX7300 0", false}, {"VORNE", false},
    };
    for (const Case& c : cases) {
        FakeSystem fake;
        fake.smartCard.readerList = ListOf({c.name});
        std::string log = RunStage(fake);
        EXPECT_EQ(ReadersIn(fake.events, "SCardConnectA"),
                  c.matches ? std::vector<std::string>{c.name} : std::vector<std::string>{})
            << c.name;
        EXPECT_EQ(log.find(Framed(Text("R4L"))) != std::string::npos, !c.matches) << c.name;
    }
}

TEST(ReaderCheckTest, WalkStaysInsideTheListAndItsLength) {
    struct Case {
        const char* situation;
        std::string written;
        ScardDword length;
        std::vector<std::string> listed;
        std::vector<std::string> connected;
    };
    const std::string overlong = ListOf({READER_0, "ACME R1"}).substr(0, 23);
    const Case cases[] = {
        {"a length of 3 is enough for a name", std::string("A\0\0", 3), 3, {"A"}, {}},
        {"final name without a terminator",
         std::string("ACME R1\0VORNE QX7300 A", 22),
         22,
         {"ACME R1", "VORNE QX7300 A"},
         {"VORNE QX7300 A"}},
        {"length cuts the final name",
         ListOf({"ACME R1", "VORNE QX7300 A"}),
         14,
         {"ACME R1", "VORNE "},
         {}},
        {"length leaves one character of the final name",
         ListOf({"ACME R1", "VORNE QX7300 A"}),
         9,
         {"ACME R1", "V"},
         {}},
        {"length larger than written: the list ends at its empty name",
         ListOf({READER_0}),
         20,
         {READER_0},
         {READER_0}},
        {"an empty name ends the list before a later name",
         std::string("ACME R1\0\0VORNE QX7300 A\0\0", 26),
         26,
         {"ACME R1"},
         {}},
        {"length beyond the buffer",
         overlong + std::string(1024 - 23, 'Z'),
         2000,
         {READER_0, "ACME R1", std::string(1001, 'Z')},
         {READER_0}},
        {"whole buffer without a terminator",
         std::string(1024, 'Z'),
         1024,
         {std::string(1024, 'Z')},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        FakeSystem fake;
        fake.smartCard.readerList = c.written;
        fake.smartCard.readerListLength = c.length;
        std::string log = RunStage(fake);

        std::string listing = StepsOneToThreeOk() + ReaderListing(c.listed);
        EXPECT_TRUE(SameText(log.substr(0, listing.size()), listing));
        EXPECT_EQ(ReadersIn(fake.events, "SCardConnectA"), c.connected);
    }
}

TEST(ReaderCheckTest, PausesHalfASecondBeforeSteps2To5And7And8) {
    FakeSystem fake;
    fake.smartCard.readerList = ListOf({READER_0});
    fake.smartCard.cards[READER_0] = WorkingCard(READER_0);
    RunStage(fake);
    const std::vector<Event>& events = fake.events.All();
    std::vector<std::string> paused;
    size_t pauses = 0;
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i].call.rfind("Pause(", 0) == 0) {
            EXPECT_EQ(events[i].call, PAUSE);
            ++pauses;
        } else if (events[i].call.rfind("SCard", 0) == 0 && i > 0 && events[i - 1].call == PAUSE) {
            paused.push_back(events[i].call.substr(0, events[i].call.find('(')));
        }
    }
    EXPECT_EQ(pauses, 6u);
    EXPECT_EQ(paused, (std::vector<std::string>{"SCardListReaderGroupsA", "SCardListReadersA",
                                                "SCardConnectA", "SCardStatusA", "SCardDisconnect",
                                                "SCardReleaseContext"}));
}

TEST(ReaderCheckTest, SmartCardCallsCarryTheirArguments) {
    FakeSystem fake;
    fake.smartCard.readerList = ListOf({READER_0});
    fake.smartCard.cards[READER_0] = WorkingCard(READER_0);
    RunStage(fake);
    std::vector<std::string> calls;
    for (const Event& event : fake.events.Matching("SCard")) {
        calls.push_back(event.call);
    }
    EXPECT_EQ(calls, (std::vector<std::string>{
                         ESTABLISH, GROUPS, READERS, CONNECT,
                         "SCardStatusA(card,namesLen=1024,protocol=0,atrLen=100)",
                         "SCardControl(card,code=0x312014,in=null,0,outSize=1024,zeroed)",
                         "SCardDisconnect(card,disposition=1)", RELEASE}));
}

TEST(ReaderCheckTest, EveryMatchingReaderIsTestedInListOrder) {
    FakeSystem fake;
    fake.smartCard.readerList = ListOf({READER_1, OTHER_MAKE, READER_0});
    fake.smartCard.cards[READER_0] = WorkingCard(READER_0);
    fake.smartCard.cards[READER_1] = WorkingCard(READER_1);
    std::string log = RunStage(fake);
    EXPECT_EQ(ReadersIn(fake.events, "SCardDisconnect"),
              (std::vector<std::string>{READER_1, READER_0}));
    EXPECT_TRUE(
        SameText(log, StepsOneToThreeOk() + ReaderListing({READER_1, OTHER_MAKE, READER_0}) +
                          WorkingReaderBlock(READER_1) + WorkingReaderBlock(READER_0) + "\r\n"));
}

}  // namespace
}  // namespace readercheck::tests
