#include "app/NetworkStorage.h"
#include "platform/support/DesktopFakes.h"
#ifndef _WIN32
#include "platform/linux/SystemMountTable.h"
#include "platform/support/TempDir.h"
#endif

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

namespace {

// The steps against the Linux mount table and file browsers; the helper below is the same on
// Windows.
#ifndef _WIN32
std::string MountInfoLine(int id, const std::string& mountPoint, const std::string& type, const std::string& source)
{
    return std::to_string(id) + " 22 0:" + std::to_string(id) + " / " + mountPoint + " rw,relatime shared:" +
           std::to_string(id) + " - " + type + " " + source + " rw,vers=3.0\n";
}

// The action against recording fakes and the real mount table reading a fake gio listing
// and a fake mountinfo file.
class NetworkStorageTest : public ::testing::Test
{
protected:
    void GivenGioMounts(const std::vector<std::string>& uris)
    {
        std::string listing;
        for (std::size_t i = 0; i < uris.size(); ++i)
            listing += "Mount(" + std::to_string(i) + "): share -> " + uris[i] + "\n  Type: GDaemonMount\n";
        runner.output = listing;
    }

    void GivenKernelMounts(const std::string& lines) { dir.Write("mi", lines); }

    void AddWindow(std::uint64_t id, const std::string& cls, const std::string& title)
    {
        windowList.windows.push_back({id, cls, cls, title});
    }

    void RunAction(std::optional<std::string> ip) { OpenMyStorage(ip, services, helper); }

    CTempDir dir;
    CRecordingUrlOpener opener;
    CRecordingCommandRunner runner;
    CSystemMountTable mountTable{runner, dir.Write("mi", "")};
    CFakeWindowList windowList;
    DesktopServices services{opener, runner, mountTable, windowList};
    CNetStorageHelper helper;
};

TEST_F(NetworkStorageTest, ConnectionsThenMountsFromTheLastMountPointDownThenTheShareRootOpens)
{
    AddWindow(1, "org.gnome.Nautilus", "public on 192.0.2.5");
    AddWindow(2, "Thunar", "Home");
    GivenGioMounts({"smb://192.0.2.5/public/", "smb://192.0.2.5/media/", "smb://198.18.0.9/public/"});
    GivenKernelMounts(MountInfoLine(40, "/mnt/b", "cifs", "//192.0.2.5/b") +
                      MountInfoLine(41, "/mnt/z\\040drive", "smb3", "//192.0.2.5/z") +
                      MountInfoLine(42, "/mnt/a", "cifs", "//192.0.2.5/a") +
                      MountInfoLine(43, "/mnt/c", "ext4", "/dev/sdc1"));

    RunAction("192.0.2.5");

    EXPECT_THAT(windowList.closeRequests, ElementsAre(1u));
    EXPECT_THAT(runner.events, ElementsAre("read gio mount -l",                                  //
                                           "start gio mount -u smb://192.0.2.5/public", "pause 100ms",  //
                                           "start gio mount -u smb://192.0.2.5/media", "pause 100ms",   //
                                           "start umount /mnt/z drive", "pause 100ms",                  //
                                           "start umount /mnt/b", "pause 100ms",                        //
                                           "start umount /mnt/a", "pause 100ms"));
    EXPECT_EQ(runner.started[2], (std::vector<std::string>{"umount", "/mnt/z drive"}));
    EXPECT_THAT(opener.Urls(), ElementsAre("smb://192.0.2.5/"));
    EXPECT_EQ(helper.LastFolder(), "smb://192.0.2.5/");
}

TEST_F(NetworkStorageTest, ShareThatIsBothAConnectionAndAKernelMountGetsBothCommands)
{
    GivenGioMounts({"smb://192.0.2.5/public/"});
    GivenKernelMounts(MountInfoLine(40, "/media/public", "cifs", "//192.0.2.5/public"));

    RunAction("192.0.2.5");

    EXPECT_THAT(runner.started, ElementsAre(ElementsAre("gio", "mount", "-u", "smb://192.0.2.5/public"),
                                            ElementsAre("umount", "/media/public")));
}

TEST_F(NetworkStorageTest, OtherDevicesWhoseAddressesContainTheIpAreLeftAlone)
{
    for (const char* title : {"public on 192.0.2.50", "smb://10.192.0.2.5/", "192.0.2.5.1"})
        AddWindow(7, "nautilus", title);
    GivenGioMounts({"smb://192.0.2.50/public/", "smb://10.192.0.2.5/public/", "smb://user@192.0.2.51/x/"});
    GivenKernelMounts(MountInfoLine(40, "/mnt/192.0.2.5", "cifs", "//192.0.2.50/public") +
                      MountInfoLine(41, "/mnt/other", "cifs", "//10.192.0.2.5/public"));

    RunAction("192.0.2.5");

    EXPECT_THAT(windowList.closeRequests, IsEmpty());
    EXPECT_THAT(runner.started, IsEmpty());
    EXPECT_THAT(opener.Urls(), ElementsAre("smb://192.0.2.5/"));
}

TEST_F(NetworkStorageTest, NoSelectionOrABadAddressDoesNothingAtAll)
{
    AddWindow(1, "nautilus", "public on 192.0.2.5");
    GivenGioMounts({"smb://192.0.2.5/public/"});
    GivenKernelMounts(MountInfoLine(40, "/mnt/p", "cifs", "//192.0.2.5/p"));

    for (const std::optional<std::string>& text :
         {std::optional<std::string>{}, std::optional<std::string>{"192.0.2.5/../x"},
          std::optional<std::string>{"192.0.2.5 -o x"}, std::optional<std::string>{""},
          std::optional<std::string>{"$(reboot)"}})
        RunAction(text);

    EXPECT_EQ(windowList.nEnumerations, 0);
    EXPECT_THAT(runner.events, IsEmpty());
    EXPECT_THAT(opener.Urls(), IsEmpty());
}

TEST_F(NetworkStorageTest, UnlistableConnectionsStillLeaveTheMountsToBeRemoved)
{
    runner.output.reset();
    GivenKernelMounts(MountInfoLine(40, "/mnt/p", "cifs", "//192.0.2.5/p"));

    EXPECT_FALSE(DeleteNetConnections("192.0.2.5", services));
    RunAction("192.0.2.5");

    EXPECT_THAT(runner.started, ElementsAre(ElementsAre("umount", "/mnt/p")));
}

TEST_F(NetworkStorageTest, FileBrowsersAreKnownByEitherClassHalfInAnyCase)
{
    windowList.windows = {{1, "org.gnome.Nautilus", "Org.gnome.Nautilus", "192.0.2.5"},
                          {2, "pcmanfm-qt", "pcmanfm-qt", "192.0.2.5"},
                          {3, "x", "Nemo", "192.0.2.5"},
                          {4, "firefox", "Firefox", "192.0.2.5"},
                          {5, "nautilus-preview", "Nautilus-preview", "192.0.2.5"}};

    CloseExplorerWindows(ShareRootOf("192.0.2.5", ShareStyle::SmbUrl), windowList, ShareStyle::SmbUrl, 0);

    EXPECT_THAT(windowList.closeRequests, ElementsAre(1u, 2u, 3u));
}

#endif

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
        EXPECT_THAT(runner.started, ElementsAre(ElementsAre("net", "use", "\\\\192.0.2.5\\public", "/del", "/y"),
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
