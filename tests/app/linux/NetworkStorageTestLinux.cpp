#include "app/NetworkStorage.h"
#include "platform/linux/SystemMountTable.h"
#include "platform/support/DesktopFakes.h"
#include "platform/support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// The steps against the Linux mount table and file browsers; the Windows names and the helper
// are tested in ../NetworkStorageTest.cpp.
std::string MountInfoLine(int id, const std::string& mountPoint, const std::string& type,
                          const std::string& source)
{
    return std::to_string(id) + " 22 0:" + std::to_string(id) + " / " + mountPoint +
           " rw,relatime shared:" + std::to_string(id) + " - " + type + " " + source + " rw,vers=3.0\n";
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
    EXPECT_THAT(runner.events, ElementsAre("read gio mount -l",                                        //
                                           "start gio mount -u smb://192.0.2.5/public", "pause 100ms", //
                                           "start gio mount -u smb://192.0.2.5/media", "pause 100ms",  //
                                           "start umount /mnt/z drive", "pause 100ms",                 //
                                           "start umount /mnt/b", "pause 100ms",                       //
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

} // namespace
