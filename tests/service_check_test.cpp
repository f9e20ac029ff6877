// The PC information block and the smart card service check.
#include <gtest/gtest.h>

#include "check/operation_check.h"
#include "tests/check_texts.h"
#include "tests/fakes.h"
#include "tests/sjis.h"

namespace readercheck::tests {
namespace {

constexpr uint32_t STOPPED = 1;
constexpr uint32_t START_PENDING = 2;
constexpr uint32_t RUNNING = 4;  // SERVICE_RUNNING
const char* const LEGACY = "Smart Card Resource Manager";

const std::string ENUM_FIRST = "Enum(size=36000,needed=0,returned=0,resume=0)";
const std::string ENUM_SECOND = "Enum(size=36000,needed=0,returned=0,resume=17)";
const std::string ENUM_THIRD = "Enum(size=36000,needed=0,returned=0,resume=34)";
const std::vector<std::string> FINAL_REFRESH = {"Close", "SetText(1000)", "LineCount(1000)",
                                                "Scroll"};

ServiceBatch Batch(std::vector<ServiceEntry> services, uint32_t error,
                   std::optional<uint32_t> returnedCount = std::nullopt) {
    ServiceBatch batch;
    batch.services = std::move(services);
    batch.error = error;
    batch.returnedCount = returnedCount;
    return batch;
}

struct ServiceCase {
    const char* situation;
    std::vector<ServiceBatch> batches;  // none: the service manager cannot be opened
    StageOutcome outcome;
    std::string logAfterPcBlock;     // CP932
    std::vector<const char*> boxes;  // their texts' names
    std::vector<std::string> trace;
};

std::vector<ServiceCase> ServiceCases() {
    const std::string box = "Box(0x30)";
    const std::string refresh = "SetText(1000)";
    return {
        {"service running",
         {Batch({{"AudioSrv", "Windows Audio", RUNNING},
                 {"SCardSvr", "Smart Card", RUNNING},
                 {"Spooler", "Print Spooler", STOPPED}},
                0)},
         StageOutcome::Continue,
         Sjis(Text("SERVICE_OK")),
         {},
         Then({"Open", ENUM_FIRST}, FINAL_REFRESH)},
        {"a count past the records written: the record without names is passed over",
         {Batch({{"SCardSvr", "Smart Card", RUNNING}}, 0, 2)},
         StageOutcome::Continue,
         Sjis(Text("SERVICE_OK")),
         {},
         Then({"Open", ENUM_FIRST}, FINAL_REFRESH)},
        {"service stopped reports once and stops after the final refresh",
         {Batch({{"SCardSvr", "Smart Card", STOPPED}, {"Spooler", "P", RUNNING}}, 0)},
         StageOutcome::Stop,
         Framed(Text("S4.log")),
         {"S4"},
         Then({"Open", ENUM_FIRST, box, refresh}, FINAL_REFRESH)},
        {"service still starting counts as not running",
         {Batch({{"SCardSvr", "Smart Card", START_PENDING}}, 0)},
         StageOutcome::Stop,
         Framed(Text("S4.log")),
         {"S4"},
         Then({"Open", ENUM_FIRST, box, refresh}, FINAL_REFRESH)},
        {"legacy display name skips the rest of its batch but reads the next batch",
         {Batch({{"AudioSrv", "Windows Audio", RUNNING},
                 {"SCardSvr", LEGACY, RUNNING},
                 {"SCardSvr", "Smart Card", STOPPED}},
                ERROR_MORE_DATA_RESULT),
          Batch({{"Spooler", "Print Spooler", RUNNING}}, 0)},
         StageOutcome::Stop,
         Framed(Text("S3.log")),
         {"S3"},
         Then({"Open", ENUM_FIRST, box, refresh, ENUM_SECOND}, FINAL_REFRESH)},
        {"service missing",
         {Batch({{"AudioSrv", "Windows Audio", RUNNING}}, 0)},
         StageOutcome::Stop,
         Framed(Text("S5.log")),
         {"S5"},
         Then({"Open", ENUM_FIRST, box, refresh}, FINAL_REFRESH)},
        {"service name compared exactly and whole",
         {Batch({{"scardsvr", "Smart Card", RUNNING},
                 {"SCardSvr2", "Smart Card", RUNNING},
                 {"SCardSv", "Smart Card", RUNNING}},
                0)},
         StageOutcome::Stop,
         Framed(Text("S5.log")),
         {"S5"},
         Then({"Open", ENUM_FIRST, box, refresh}, FINAL_REFRESH)},
        {"display name compared whole",
         {Batch(
             {{"SCardSvr", "Smart Card Resource Manager 2", RUNNING}, {"Spooler", LEGACY, RUNNING}},
             0)},
         StageOutcome::Continue,
         Sjis(Text("SERVICE_OK")),
         {},
         Then({"Open", ENUM_FIRST}, FINAL_REFRESH)},
        {"service in the second of three batches",
         {Batch({{"AudioSrv", "A", RUNNING}, {"Browser", "B", STOPPED}}, ERROR_MORE_DATA_RESULT),
          Batch({{"Spooler", "S", RUNNING}, {"SCardSvr", "Smart Card", RUNNING}},
                ERROR_MORE_DATA_RESULT),
          Batch({{"Themes", "T", RUNNING}}, 0)},
         StageOutcome::Continue,
         Sjis(Text("SERVICE_OK")),
         {},
         Then({"Open", ENUM_FIRST, ENUM_SECOND, ENUM_THIRD}, FINAL_REFRESH)},
        {"stopped service found in an earlier batch is not missing",
         {Batch({{"SCardSvr", "Smart Card", STOPPED}}, ERROR_MORE_DATA_RESULT),
          Batch({{"Spooler", "S", RUNNING}}, 0)},
         StageOutcome::Stop,
         Framed(Text("S4.log")),
         {"S4"},
         Then({"Open", ENUM_FIRST, box, refresh, ENUM_SECOND}, FINAL_REFRESH)},
        {"service manager cannot be opened",
         {},
         StageOutcome::Stop,
         Framed(Text("S1.log")),
         {"S1"},
         {"Open", box, refresh}},
        {"service list cannot be read: handle closed before the box",
         {Batch({{"AudioSrv", "A", RUNNING}}, 5)},
         StageOutcome::Stop,
         Framed(Text("S2.log")),
         {"S2"},
         {"Open", ENUM_FIRST, "Close", box, refresh}},
        {"more data without a record is not asked for again: the list cannot be read",
         {Batch({}, ERROR_MORE_DATA_RESULT)},
         StageOutcome::Stop,
         Framed(Text("S2.log")),
         {"S2"},
         {"Open", ENUM_FIRST, "Close", box, refresh}},
        {"records of a failed batch are still examined",
         {Batch({{"AudioSrv", "A", RUNNING}}, ERROR_MORE_DATA_RESULT),
          Batch({{"SCardSvr", "Smart Card", RUNNING}}, 1726)},
         StageOutcome::Stop,
         Sjis(Text("SERVICE_OK")) + Framed(Text("S2.log")),
         {"S2"},
         {"Open", ENUM_FIRST, ENUM_SECOND, "Close", box, refresh}},
    };
}

TEST(ServiceCheckTest, EachServiceStateGivesItsOutcome) {
    for (const ServiceCase& c : ServiceCases()) {
        SCOPED_TRACE(c.situation);
        FakeSystem fake;
        UseHealthyPc(fake);
        fake.services.batches = c.batches;
        fake.services.openFails = c.batches.empty();
        RunContext run(fake.system);

        EXPECT_EQ(RunServiceCheck(run), c.outcome);

        EXPECT_TRUE(SameText(run.log.Text(), HealthyPcBlock() + c.logAfterPcBlock));
        std::vector<Box> boxes;
        for (const char* name : c.boxes) {
            boxes.push_back(ErrorBox(Text(name + std::string(".box"))));
        }
        EXPECT_EQ(BoxesOf(fake.events), boxes);
        EXPECT_EQ(Trace(fake.events), c.trace);
        ASSERT_FALSE(LogTextsOf(fake.events).empty());
        EXPECT_EQ(LogTextsOf(fake.events).back(), run.log.Text()) << "the last refresh shows all";
    }
}

TEST(ServiceCheckTest, CountBeyondTheBufferIsNeverReadPast) {
    FakeSystem fake;
    UseHealthyPc(fake);
    // As many records as the 36000-byte buffer holds, the service in the last
    // of them, and a count that claims far more.
    ServiceBatch batch;
    size_t fits = 36000 / sizeof(ServiceStatusRecord);
    for (size_t i = 0; i + 1 < fits; ++i) {
        batch.services.push_back({"Svc" + std::to_string(i), "Service", RUNNING});
    }
    batch.services.push_back({"SCardSvr", "Smart Card", RUNNING});
    batch.returnedCount = 100000;
    fake.services.batches = {batch};
    RunContext run(fake.system);

    EXPECT_EQ(RunServiceCheck(run), StageOutcome::Continue);
    EXPECT_TRUE(SameText(run.log.Text(), HealthyPcBlock() + Sjis(Text("SERVICE_OK"))));
}

TEST(ServiceCheckTest, PcBlockNamesTheWindowsAndItsServicePack) {
    struct Case {
        const char* situation;
        std::optional<VersionRecord> version;
        std::string block;
    };
    const Case cases[] = {
        {"Windows 7 with its first service pack", MakeVersion(6, 1, 7601, 2, "Service Pack 1"),
         HealthyPcBlock()},
        {"Windows 7 without a service pack", MakeVersion(6, 1, 7600, 2, ""),
         PcBlock("Windows 7", ServicePackLine(""))},
        {"service pack of one blank", MakeVersion(5, 1, 2600, 2, " "),
         PcBlock("Windows XP", Sjis(Text("NO_SERVICE_PACK")))},
        {"version unreadable: the sentence has no line end", std::nullopt,
         PcBlock("", Sjis(Text("SERVICE_PACK_FAILED")))},
    };
    for (const Case& c : cases) {
        FakeSystem fake;
        UseHealthyPc(fake);
        fake.version.extended = c.version;
        RunContext run(fake.system);
        RunServiceCheck(run);
        EXPECT_TRUE(SameText(run.log.Text(), c.block + Sjis(Text("SERVICE_OK")))) << c.situation;
    }
}

}  // namespace
}  // namespace readercheck::tests
