// Binding the eight smart card functions of the loaded library.
#include "check/smart_card_api.h"

#include <gtest/gtest.h>

#include "tests/fakes.h"

namespace readercheck::tests {
namespace {

const std::vector<std::string> EXPORT_ORDER = {
    "SCardEstablishContext", "SCardListReaderGroupsA", "SCardListReadersA",   "SCardConnectA",
    "SCardStatusA",          "SCardDisconnect",        "SCardReleaseContext", "SCardControl",
};

std::vector<std::string> LookedUp(const Events& events) {
    std::vector<std::string> names;
    for (const Event& event : events.Matching("Find")) {
        EXPECT_EQ(event.call, "Find");
        names.push_back(event.text);
    }
    return names;
}

TEST(BindSmartCardApiTest, BindsAllEightExportsInTheirFixedOrder) {
    FakeSystem fake;
    LoadedLibrary library(fake.libraries, "WinSCard.dll");
    SmartCardApi api;
    ASSERT_TRUE(BindSmartCardApi(fake.libraries, library.Get(), &api));
    EXPECT_EQ(LookedUp(fake.events), EXPORT_ORDER);
    SmartCardApi expected = FakeSmartCard::Api();
    EXPECT_EQ(api.establishContext, expected.establishContext);
    EXPECT_EQ(api.listReaderGroups, expected.listReaderGroups);
    EXPECT_EQ(api.listReaders, expected.listReaders);
    EXPECT_EQ(api.connect, expected.connect);
    EXPECT_EQ(api.status, expected.status);
    EXPECT_EQ(api.disconnect, expected.disconnect);
    EXPECT_EQ(api.releaseContext, expected.releaseContext);
    EXPECT_EQ(api.control, expected.control);
}

TEST(BindSmartCardApiTest, AnyMissingExportFailsTheBinding) {
    for (const std::string& missing : EXPORT_ORDER) {
        FakeSystem fake;
        fake.libraries.exports.erase(missing);
        LoadedLibrary library(fake.libraries, "WinSCard.dll");
        SmartCardApi api;
        EXPECT_FALSE(BindSmartCardApi(fake.libraries, library.Get(), &api)) << missing;
    }
}

}  // namespace
}  // namespace readercheck::tests
