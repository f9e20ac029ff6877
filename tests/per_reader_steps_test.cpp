// The per-reader test: steps 4 to 7 on one of the maker's readers and its verdict.
#include <gtest/gtest.h>

#include <functional>

#include "check/operation_check.h"
#include "tests/check_texts.h"
#include "tests/fakes.h"
#include "tests/sjis.h"

namespace readercheck::tests {
namespace {

const std::string NAME = "VORNE QX7300 0";

// Runs the test of NAME, whose card the script describes; returns the log.
std::string RunOn(FakeSystem& fake, const FakeCard& card) {
    fake.smartCard.cards[NAME] = card;
    RunContext run(fake.system);
    run.api = FakeSmartCard::Api();
    RunReaderTest(run, FakeSmartCard::CONTEXT, NAME.c_str());
    return run.log.Text();
}

std::string Body(const std::string& stateLine, const std::string& atr) {
    return Ok(4) + StatusBlock(NAME, stateLine, atr);
}

// The log of NAME passing every step, with what steps 5 and 6 show.
std::string Passed(const std::string& status,
                   const std::string& versions = VersionBlock("3.0a", "1.2")) {
    return ReaderHeader(NAME) + Ok(4) + status + versions + Ok(7) + Verdict(NAME, false);
}

TEST(PerReaderTest, EachFailingStepIsReportedAndTheVerdictFollows) {
    struct Case {
        const char* situation;
        std::function<void(FakeCard&)> setUp;
        std::string log;
        std::vector<Box> boxes;
        std::vector<std::string> trace;
    };
    const std::string atr = WORKING_CARD_ATR_TEXT;
    const std::vector<std::string> start = {"SetText(1000)", "LineCount(1000)", "Scroll",
                                            "Pause(500)", "SCardConnectA"};
    const Case cases[] = {
        {"card answers every step",
         [](FakeCard&) {},
         WorkingReaderBlock(NAME),
         {},
         Then(start, {"SetText(1000)", "LineCount(1000)", "Scroll", "Pause(500)", "SCardStatusA",
                      "SCardControl", "SetText(1000)", "LineCount(1000)", "Scroll", "Pause(500)",
                      "SCardDisconnect", "SetText(1000)"})},
        {"no card: nothing touches the card after step 4",
         [](FakeCard& c) { c.connectResult = static_cast<ScardLong>(0x80100069); },
         ReaderHeader(NAME) + FailedStep(4, "  (0x80100069)", Text("C4L")) + Verdict(NAME, true),
         {ErrorBox(NAME + Text("C4"))},
         Then(start, {"LineCount(1000)", "Scroll", "Box(0x30)", "SetText(1000)", "SetText(1000)"})},
        {"status fails: control skipped, still disconnected",
         [](FakeCard& c) { c.statusResult = static_cast<ScardLong>(0x80100069); },
         ReaderHeader(NAME) + Ok(4) + FailedStep(5, "  (0x80100069)", Text("C5L")) + Ok(7) +
             Verdict(NAME, true),
         {ErrorBox(NAME + Text("C5"))},
         Then(start,
              {"SetText(1000)", "LineCount(1000)", "Scroll", "Pause(500)", "SCardStatusA",
               "LineCount(1000)", "Scroll", "Box(0x30)", "SetText(1000)", "SetText(1000)",
               "LineCount(1000)", "Scroll", "Pause(500)", "SCardDisconnect", "SetText(1000)"})},
        {"control fails: box without the name, still disconnected",
         [](FakeCard& c) { c.controlResult = 1; },
         ReaderHeader(NAME) + Body(SpecificT1(), atr) +
             FailedStep(6, "  (0x00000001)", Text("C6L")) + Ok(7) + Verdict(NAME, true),
         {ErrorBox(Text("C6"))},
         Then(start, {"SetText(1000)", "LineCount(1000)", "Scroll", "Pause(500)", "SCardStatusA",
                      "SCardControl", "LineCount(1000)", "Scroll", "Box(0x30)", "SetText(1000)",
                      "SetText(1000)", "LineCount(1000)", "Scroll", "Pause(500)", "SCardDisconnect",
                      "SetText(1000)"})},
        {"disconnect fails",
         [](FakeCard& c) { c.disconnectResult = static_cast<ScardLong>(0x80100068); },
         ReaderHeader(NAME) + Body(SpecificT1(), atr) + VersionBlock("3.0a", "1.2") +
             FailedStep(7, "  (0x80100068)", Text("C7L")) + Verdict(NAME, true),
         {ErrorBox(Text("C7"))},
         Then(start, {"SetText(1000)", "LineCount(1000)", "Scroll", "Pause(500)", "SCardStatusA",
                      "SCardControl", "SetText(1000)", "LineCount(1000)", "Scroll", "Pause(500)",
                      "SCardDisconnect", "LineCount(1000)", "Scroll", "Box(0x30)", "SetText(1000)",
                      "SetText(1000)"})},
        {"control and disconnect both fail",
         [](FakeCard& c) {
             c.controlResult = 2;
             c.disconnectResult = 3;
         },
         ReaderHeader(NAME) + Body(SpecificT1(), atr) +
             FailedStep(6, "  (0x00000002)", Text("C6L")) +
             FailedStep(7, "  (0x00000003)", Text("C7L")) + Verdict(NAME, true),
         {ErrorBox(Text("C6")), ErrorBox(Text("C7"))},
         Then(start, {"SetText(1000)", "LineCount(1000)", "Scroll",          "Pause(500)",
                      "SCardStatusA",  "SCardControl",    "LineCount(1000)", "Scroll",
                      "Box(0x30)",     "SetText(1000)",   "SetText(1000)",   "LineCount(1000)",
                      "Scroll",        "Pause(500)",      "SCardDisconnect", "LineCount(1000)",
                      "Scroll",        "Box(0x30)",       "SetText(1000)",   "SetText(1000)"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        FakeSystem fake;
        FakeCard card = WorkingCard(NAME);
        c.setUp(card);
        std::string log = RunOn(fake, card);
        EXPECT_TRUE(SameText(log, c.log));
        EXPECT_EQ(BoxesOf(fake.events), c.boxes);
        EXPECT_EQ(Trace(fake.events, true), c.trace);
        EXPECT_TRUE(BoxesPrecedeTheirEntries(fake.events));
        EXPECT_EQ(LogTextsOf(fake.events).back(), log);
    }
}

TEST(PerReaderTest, StateAndProtocolGiveTheStateLine) {
    struct Case {
        ScardDword state;
        ScardDword protocol;
        std::string line;
    };
    const std::string specific = Text("STATE_LINES.6");
    const Case cases[] = {
        {1, SCARD_PROTOCOL_T1, Text("STATE_LINES.1")},
        {2, SCARD_PROTOCOL_T1, Text("STATE_LINES.2")},
        {3, SCARD_PROTOCOL_T1, Text("STATE_LINES.3")},
        {4, SCARD_PROTOCOL_T1, Text("STATE_LINES.4")},
        {5, SCARD_PROTOCOL_T1, Text("STATE_LINES.5")},
        {6, SCARD_PROTOCOL_T0, specific + Text("PROTOCOL_TEXTS.1")},
        {6, SCARD_PROTOCOL_T1, specific + Text("PROTOCOL_TEXTS.2")},
        {6, 0x10000, specific + Text("PROTOCOL_TEXTS.0x10000")},
        {6, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, specific + "\r\n"},
        {6, 0, specific + "\r\n"},
        {0, SCARD_PROTOCOL_T1, ""},
        {7, SCARD_PROTOCOL_T1, ""},
        {0xFFFFFFFF, SCARD_PROTOCOL_T1, ""},
    };
    for (const Case& c : cases) {
        FakeSystem fake;
        FakeCard card = WorkingCard(NAME);
        card.state = c.state;
        card.protocol = c.protocol;
        EXPECT_TRUE(
            SameText(RunOn(fake, card), Passed(StatusBlock(NAME, c.line, WORKING_CARD_ATR_TEXT))))
            << "state " << c.state << ", protocol " << c.protocol;
    }
}

std::string Repeated(const std::string& text, int times) {
    std::string all;
    for (int i = 0; i < times; ++i) {
        all += text;
    }
    return all;
}

TEST(PerReaderTest, AtrShowsItsBytesUpToItsLengthAndTheBuffer) {
    struct Case {
        const char* situation;
        std::vector<uint8_t> written;
        std::optional<ScardDword> length;
        std::string shown;
    };
    const Case cases[] = {
        {"no bytes", {}, std::nullopt, ""},
        {"upper-case digits with leading zeros",
         {0x3B, 0x0F, 0xFF, 0x00, 0xa5},
         std::nullopt,
         "3B 0F FF 00 A5 "},
        {"33 bytes", std::vector<uint8_t>(33, 0xAB), std::nullopt, Repeated("AB ", 33)},
        {"a full buffer of 100 bytes", std::vector<uint8_t>(100, 0x3B), std::nullopt,
         Repeated("3B ", 100)},
        {"a length above the buffer shows the buffer only", std::vector<uint8_t>(100, 0x3B), 150,
         Repeated("3B ", 100)},
        {"a length below what was written", {1, 2, 3, 4, 5, 6, 7, 8}, 5, "01 02 03 04 05 "},
    };
    for (const Case& c : cases) {
        FakeSystem fake;
        FakeCard card = WorkingCard(NAME);
        card.atr = c.written;
        card.atrLength = c.length;
        EXPECT_TRUE(SameText(RunOn(fake, card), Passed(StatusBlock(NAME, SpecificT1(), c.shown))))
            << c.situation;
    }
}

TEST(PerReaderTest, FirstStatusNameIsShownWithinItsBuffer) {
    struct Case {
        const char* situation;
        std::string written;
        std::optional<ScardDword> length;
        std::string shown;
    };
    const Case cases[] = {
        {"first of several names", std::string("VORNE QX7300 0\0Alias\0\0", 22), std::nullopt,
         NAME},
        {"no name", std::string(2, '\0'), std::nullopt, ""},
        {"names without a terminator fill the buffer", std::string(1024, 'N'), std::nullopt,
         std::string(1024, 'N')},
        {"names longer than the buffer", std::string(2000, 'N'), std::nullopt,
         std::string(1024, 'N')},
    };
    for (const Case& c : cases) {
        FakeSystem fake;
        FakeCard card = WorkingCard(NAME);
        card.statusNames = c.written;
        card.statusNamesLength = c.length;
        EXPECT_TRUE(SameText(RunOn(fake, card),
                             Passed(StatusBlock(c.shown, SpecificT1(), WORKING_CARD_ATR_TEXT))))
            << c.situation;
    }
}

TEST(PerReaderTest, VersionBytesGiveFirmwareAndDriverVersions) {
    struct Case {
        const char* situation;
        std::vector<uint8_t> reply;
        std::optional<ScardDword> length;
        const char* firmware;
        const char* driver;
    };
    const Case cases[] = {
        {"bytes 1, 2, 3, 0x0A", {9, 9, 9, 9, 1, 2, 3, 0x0A}, std::nullopt, "3.0a", "1.2"},
        {"bytes are unsigned",
         {0, 0, 0, 0, 0xFF, 0x80, 0xC8, 0xFF},
         std::nullopt,
         "200.ff",
         "255.128"},
        {"two-digit minor numbers",
         {0, 0, 0, 0, 10, 11, 12, 0x10, 7, 7},
         std::nullopt,
         "12.10",
         "10.11"},
        {"the returned length is not examined", {0, 0, 0, 0, 1, 2, 3, 0x0A}, 0, "3.0a", "1.2"},
        {"a reply shorter than 8 bytes shows zeros", {9, 9, 9}, std::nullopt, "0.00", "0.0"},
        {"an empty reply shows zeros", {}, 1024, "0.00", "0.0"},
    };
    for (const Case& c : cases) {
        FakeSystem fake;
        FakeCard card = WorkingCard(NAME);
        card.versionReply = c.reply;
        card.versionLength = c.length;
        EXPECT_TRUE(SameText(RunOn(fake, card),
                             Passed(StatusBlock(NAME, SpecificT1(), WORKING_CARD_ATR_TEXT),
                                    VersionBlock(c.firmware, c.driver))))
            << c.situation;
    }
}

TEST(PerReaderTest, ShortReplyAfterAFullOneStillShowsZeros) {
    // The reply buffer is cleared before each request, so nothing of an
    // earlier reader's reply can show through a shorter reply.
    const std::string second = "VORNE QX7300 1";
    FakeSystem fake;
    fake.smartCard.cards[NAME] = WorkingCard(NAME);
    fake.smartCard.cards[second] = WorkingCard(second);
    fake.smartCard.cards[second].versionReply = {5, 5, 5};
    RunContext run(fake.system);
    run.api = FakeSmartCard::Api();
    RunReaderTest(run, FakeSmartCard::CONTEXT, NAME.c_str());
    RunReaderTest(run, FakeSmartCard::CONTEXT, second.c_str());

    std::string secondBlock = ReaderHeader(second) + Ok(4) +
                              StatusBlock(second, SpecificT1(), WORKING_CARD_ATR_TEXT) +
                              VersionBlock("0.00", "0.0") + Ok(7) + Verdict(second, false);
    EXPECT_TRUE(SameText(run.log.Text(), WorkingReaderBlock(NAME) + secondBlock));
    for (const Event& event : fake.events.Matching("SCardControl")) {
        EXPECT_EQ(event.call, "SCardControl(card,code=0x312014,in=null,0,outSize=1024,zeroed)");
    }
}

}  // namespace
}  // namespace readercheck::tests
