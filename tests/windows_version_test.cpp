// The Windows name and service pack texts of the PC information block.
#include "sysinfo/windows_version.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/check_texts.h"
#include "tests/fakes.h"
#include "tests/sjis.h"

namespace readercheck::tests {
namespace {

constexpr uint32_t WINDOWS = 1;  // VER_PLATFORM_WIN32_WINDOWS
constexpr uint32_t NT = 2;       // VER_PLATFORM_WIN32_NT

std::string NameFor(FakeVersionQuery& query) {
    char buffer[WINDOWS_NAME_SIZE];
    std::memset(buffer, 'x', sizeof(buffer));
    GetWindowsName(query, buffer);
    size_t length = strnlen(buffer, sizeof(buffer));
    EXPECT_LT(length, sizeof(buffer)) << "the name ends inside the buffer";
    return std::string(buffer, length);
}

TEST(WindowsNameTest, EveryRowOfTheNameTable) {
    struct Case {
        uint32_t major, minor, build, platform;
        std::string servicePack;
        std::string name;
    };
    const std::string UNSUPPORTED = Text("UNSUPPORTED_WINDOWS");
    const std::string UNKNOWN = Text("UNKNOWN_WINDOWS");
    const Case cases[] = {
        {3, 51, 1057, NT, "", UNSUPPORTED},
        {3, 50, 807, NT, "", UNKNOWN},
        {4, 0, 1381, NT, "Service Pack 6", UNSUPPORTED},
        {4, 10, 0x040A08AE, NT, " A ", UNSUPPORTED},  // the platform row comes first
        {4, 0, 0x040003B6, WINDOWS, "", UNSUPPORTED},
        {4, 10, 0x040A08AE, WINDOWS, " A ", "Windows 98SE"},
        {4, 10, 0x040A07CE, WINDOWS, " ", UNSUPPORTED},
        {4, 10, 0x040A07CE, WINDOWS, "A", UNSUPPORTED},
        {4, 10, 0x040A07CE, WINDOWS, " B ", UNSUPPORTED},
        {4, 90, 0x045A0BB8, WINDOWS, " ", "Windows Me"},
        {4, 3, 0x04030000, WINDOWS, "", UNKNOWN},
        {5, 0, 2195, NT, "Service Pack 4", "Windows 2000"},
        {5, 1, 2600, NT, "Service Pack 3", "Windows XP"},
        {5, 2, 3790, NT, "", UNSUPPORTED},
        {5, 3, 4000, NT, "", Text("UNKNOWN_NT_WINDOWS")},
        {6, 0, 6002, NT, "Service Pack 2", "Windows Vista"},
        {6, 1, 7601, NT, "Service Pack 1", "Windows 7"},
        {6, 2, 9200, NT, "", UNKNOWN},
        {10, 0, 19045, NT, "", UNKNOWN},
        {2, 0, 0, WINDOWS, "", UNKNOWN},
    };
    for (const Case& c : cases) {
        FakeSystem fake;
        fake.version.extended = MakeVersion(c.major, c.minor, c.build, c.platform, c.servicePack);
        EXPECT_EQ(NameFor(fake.version), Sjis(c.name))
            << c.major << "." << c.minor << " build 0x" << std::hex << c.build << " platform "
            << c.platform << " [" << c.servicePack << "]";
    }
}

TEST(WindowsNameTest, BothVersionCallsFailingLeaveTheBufferEmpty) {
    FakeSystem fake;
    EXPECT_EQ(NameFor(fake.version), "");
}

TEST(WindowsNameTest, PlainRecordServesWhenTheExtendedOneFails) {
    FakeSystem fake;
    fake.version.plain = MakeVersion(5, 1, 2600, NT, "Service Pack 3");
    EXPECT_EQ(NameFor(fake.version), "Windows XP");
    EXPECT_EQ(fake.events.Calls(),
              (std::vector<std::string>{"Query(Extended,zeroed)", "Query(Plain,zeroed)"}));
}

TEST(ReadWindowsVersionTest, TriesTheExtendedFormFirstAndEachOnAClearedRecord) {
    struct Case {
        const char* situation;
        std::optional<VersionRecord> extended, plain;
        bool read;
        uint32_t minor;
        std::vector<std::string> calls;
    };
    // The service pack text is the 128 bytes of OSVERSIONINFOA's szCSDVersion.
    EXPECT_EQ(sizeof(VersionRecord{}.csdVersion), 128u);
    const std::vector<std::string> extendedOnly = {"Query(Extended,zeroed)"};
    const std::vector<std::string> both = {"Query(Extended,zeroed)", "Query(Plain,zeroed)"};
    const Case cases[] = {
        {"extended form answers", MakeVersion(6, 1, 7601, NT, ""), MakeVersion(6, 0, 1, NT, ""),
         true, 1, extendedOnly},
        {"plain form answers", std::nullopt, MakeVersion(6, 0, 6002, NT, ""), true, 0, both},
        {"neither answers", std::nullopt, std::nullopt, false, 0, both},
    };
    for (const Case& c : cases) {
        FakeSystem fake;
        fake.version.extended = c.extended;
        fake.version.plain = c.plain;
        VersionRecord record;
        std::memset(&record, 'x', sizeof(record));
        EXPECT_EQ(ReadWindowsVersion(fake.version, &record), c.read) << c.situation;
        if (c.read) {
            EXPECT_EQ(record.majorVersion, 6u) << c.situation;
            EXPECT_EQ(record.minorVersion, c.minor) << c.situation;
        }
        EXPECT_EQ(fake.events.Calls(), c.calls) << c.situation;
    }
}

TEST(ServicePackTextTest, SentenceAboutTheServicePack) {
    struct Case {
        const char* situation;
        std::optional<VersionRecord> extended, plain;
        std::string expected;
    };
    const std::string longText(128, 'S');
    const Case cases[] = {
        {"first service pack", MakeVersion(6, 1, 7601, NT, "Service Pack 1"), std::nullopt,
         ServicePackLine("Service Pack 1")},
        {"empty text", MakeVersion(6, 1, 7600, NT, ""), std::nullopt, ServicePackLine("")},
        {"exactly one blank", MakeVersion(6, 1, 7600, NT, " "), std::nullopt,
         Sjis(Text("NO_SERVICE_PACK"))},
        {"two blanks", MakeVersion(6, 1, 7600, NT, "  "), std::nullopt, ServicePackLine("  ")},
        {"a blank and more", MakeVersion(4, 10, 0x040A08AE, WINDOWS, " A "), std::nullopt,
         ServicePackLine(" A ")},
        {"128 bytes without a terminator", MakeVersion(6, 1, 7601, NT, longText), std::nullopt,
         ServicePackLine(longText)},
        {"plain form when the extended fails", std::nullopt, MakeVersion(6, 1, 7600, NT, " "),
         Sjis(Text("NO_SERVICE_PACK"))},
        {"both forms fail: no line end", std::nullopt, std::nullopt,
         Sjis(Text("SERVICE_PACK_FAILED"))},
    };
    for (const Case& c : cases) {
        FakeSystem fake;
        fake.version.extended = c.extended;
        fake.version.plain = c.plain;
        EXPECT_TRUE(SameText(GetServicePackText(fake.version), c.expected)) << c.situation;
    }
}

}  // namespace
}  // namespace readercheck::tests
