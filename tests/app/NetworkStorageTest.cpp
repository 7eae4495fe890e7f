#include "app/NetworkStorage.h"
#include "platform/support/DesktopFakes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

using ::testing::ElementsAre;

namespace {

// The same sequence with the Windows file browser's names: UNC share roots, "net use" for
// connections and then drive letters from Z down, Explorer windows by exact class and by the
// share root in the title or, from version code 13, in a descendant window.
TEST(NetworkStorageUncTest, ExplorerWindowsConnectionsThenDrivesFromZDownThenTheShareRoot)
{
    const struct
    {
        int osVersionCode;
        std::vector<std::uint64_t> closed;
    } cases[] = {{13, {1, 3}}, {0, {4}}};
    for (const auto& c : cases) {
        CRecordingUrlOpener opener;
        CRecordingCommandRunner runner;
        CFakeMountTable mounts;
        CFakeWindowList windows;
        DesktopServices services{opener, runner, mounts, windows, ShareStyle::Unc, c.osVersionCode};
        CNetStorageHelper helper;
        windows.windows = {{1, "", "CabinetWClass", "public"},
                           {2, "", "CabinetWClass", "public"},
                           {3, "", "CabinetWClass", "docs"},
                           {4, "", "CabinetWClass", "\\\\192.0.2.5\\public"},
                           {5, "", "CabinetWClass", "\\\\192.0.2.50\\public"},
                           {6, "", "cabinetwclass", "\\\\192.0.2.5"},
                           {7, "", "Notepad", "\\\\192.0.2.5"}};
        windows.descendantTexts = {{1, {"Navigation", "Address: \\\\192.0.2.5\\public"}},
                                   {2, {"Address: \\\\192.0.2.50\\public"}},
                                   {3, {"\\\\192.0.2.5"}},
                                   {6, {"\\\\192.0.2.5"}},
                                   {7, {"\\\\192.0.2.5"}}};
        mounts.connections = {{"\\\\192.0.2.5\\public", "\\\\192.0.2.50\\public", "\\\\192.0.2.5\\media"}};
        mounts.mounts = {{"\\\\192.0.2.5\\a", "Y:"}, {"\\\\198.18.0.1\\c", "X:"}, {"\\\\192.0.2.5\\b", "Z:"}};

        OpenMyStorage("192.0.2.5", services, helper);

        EXPECT_EQ(windows.closeRequests, c.closed) << "version code " << c.osVersionCode;
        EXPECT_THAT(runner.started,
                    ElementsAre(ElementsAre("net", "use", "\\\\192.0.2.5\\public", "/del", "/y"),
                                ElementsAre("net", "use", "\\\\192.0.2.5\\media", "/del", "/y"),
                                ElementsAre("net", "use", "Z:", "/del", "/y"),
                                ElementsAre("net", "use", "Y:", "/del", "/y")));
        EXPECT_EQ(std::count(runner.events.begin(), runner.events.end(), "pause 100ms"), 4);
        EXPECT_THAT(opener.Urls(), ElementsAre("\\\\192.0.2.5"));
    }
}

TEST(NetStorageHelperTest, EachOpenOpensItsOwnFolder)
{
    CRecordingUrlOpener opener;
    CNetStorageHelper helper;
    std::thread other([&] {
        for (int i = 0; i < 20; ++i)
            helper.OpenStorageFolder("smb://198.18.0.7/", opener);
    });
    for (int i = 0; i < 20; ++i)
        helper.OpenStorageFolder("smb://192.0.2.5/", opener);
    other.join();

    const std::vector<std::string> urls = opener.Urls();
    EXPECT_EQ(std::count(urls.begin(), urls.end(), "smb://192.0.2.5/"), 20);
    EXPECT_EQ(std::count(urls.begin(), urls.end(), "smb://198.18.0.7/"), 20);
}

} // namespace
