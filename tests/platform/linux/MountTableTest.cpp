#include "platform/linux/SystemMountTable.h"
#include "platform/support/DesktopFakes.h"
#include "platform/support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;

// Readable failure messages for mount lists.
void PrintTo(const KernelShareMount& m, std::ostream* os)
{
    *os << m.strSource << " at " << m.strMountPoint;
}

namespace {

KernelShareMount Mount(std::string source, std::string mountPoint)
{
    return {std::move(source), std::move(mountPoint)};
}

class MountTableTest : public ::testing::Test
{
protected:
    std::vector<KernelShareMount> KernelMounts(std::string_view mountInfo)
    {
        CSystemMountTable table(runner, dir.Write("mountinfo", mountInfo));
        return table.KernelShareMounts();
    }

    CTempDir dir;
    CRecordingCommandRunner runner;
};

TEST_F(MountTableTest, GioListingGivesSmbSharesWithoutTrailingSlash)
{
    runner.output = "Drive(0): Disk\n"
                    "  Type: GProxyDrive (GProxyVolumeMonitorUDisks2)\n"
                    "  Volume(0): Data\n"
                    "    Mount(0): Data -> file:///media/user/Data\n"
                    "Mount(0): public on 192.0.2.5 -> smb://192.0.2.5/public/\n"
                    "  Type: GDaemonMount\n"
                    "Mount(1): media -> sftp://192.0.2.5/\n"
                    "Mount(2): odd -> name -> smb://user@192.0.2.6:445/odd%20name/\n"
                    "Mount(3): broken -> smb://192.0.2.7/a b/\n"
                    "Mount(4): last on 192.0.2.8 -> smb://192.0.2.8/last"; // no final newline
    CSystemMountTable table(runner, dir.Write("mountinfo", ""));

    const auto connections = table.NetworkConnections();

    ASSERT_TRUE(connections.has_value());
    EXPECT_THAT(*connections, ElementsAre("smb://192.0.2.5/public", "smb://user@192.0.2.6:445/odd%20name",
                                          "smb://192.0.2.8/last"));
    EXPECT_THAT(runner.events, ElementsAre("read gio mount -l"));
}

TEST_F(MountTableTest, KernelMountsAreTheSmbFileSystemsWithDecodedPaths)
{
    const auto mounts = KernelMounts(
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "40 22 0:50 / /mnt/nas rw,relatime shared:30 master:2 - cifs //192.0.2.5/public rw,vers=3.0\n"
        "41 22 0:51 / /home/u/My\\040Share rw,relatime - smb3 //192.0.2.5/My\\040Share rw\n"
        "42 22 0:52 / /mnt/tab\\011and\\134slash rw - smbfs //192.0.2.9/x rw\n"
        "43 22 0:53 / /mnt/nfs rw - nfs4 192.0.2.5:/export rw\n"
        "44 22 0:54 / /mnt/fuse rw - fuse.gvfsd-fuse gvfsd-fuse rw\n");

    EXPECT_THAT(mounts, ElementsAre(Mount("//192.0.2.5/public", "/mnt/nas"),
                                    Mount("//192.0.2.5/My Share", "/home/u/My Share"),
                                    Mount("//192.0.2.9/x", "/mnt/tab\tand\\slash")));
}

TEST_F(MountTableTest, MalformedMountLinesAreSkipped)
{
    const auto mounts = KernelMounts("garbage\n"
                                     "\n"
                                     "40 22 0:50 / /mnt/a rw - cifs\n"                // no source
                                     "40 22 0:50 / /mnt/b rw cifs //192.0.2.5/b rw\n" // no separator
                                     "40 22 - cifs //192.0.2.5/c rw\n"                // too short
                                     "40 22 0:50 / relative rw - cifs //192.0.2.5/d rw\n"
                                     "40 22 0:50 / /mnt/bad\\04 rw - cifs //192.0.2.5/e rw\n");

    // Only the last line is whole; its broken escape is kept as written.
    EXPECT_THAT(mounts, ElementsAre(Mount("//192.0.2.5/e", "/mnt/bad\\04")));
}
} // namespace
