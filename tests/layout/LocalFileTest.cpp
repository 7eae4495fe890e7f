#include "os/LocalFile.h"
#include "support/TestSystem.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

std::string Utf8(std::u8string_view text)
{
    return std::string(text.begin(), text.end());
}

class LocalFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("travelkin-local-file-" + std::to_string(std::random_device{}()));
        ASSERT_TRUE(fs::create_directory(root));
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    std::string Root() const { return Utf8Path(root); }

    fs::path root;
};

} // namespace

// An account's folder may hold letters of any script: every call reaches the file of that
// very name, never one spelt through a code page.
TEST_F(LocalFileTest, NamesInAnyScriptReachTheFileOfThatName)
{
    for (const std::u8string_view name : {u8"Zoë 李", u8"Ĳssel Ωμέγα 東京 😀"}) {
        SCOPED_TRACE(Utf8(name));
        const std::string folder = Root() + "/" + Utf8(name) + "/AppData/Roaming/Data";
        std::string error;
        ASSERT_EQ(MakeFolders(folder, error), LocalFileStatus::Done) << error;
        ASSERT_EQ(MakeFolders(folder + "/", error), LocalFileStatus::Done) << error; // already there
        EXPECT_TRUE(fs::is_directory(root / fs::path(name) / "AppData"));

        const std::string file = folder + "/" + Utf8(name) + ".xml";
        ASSERT_EQ(ReplaceRegularFile(file, "old", LinkHandling::ReplaceLink, 0600, error),
                  LocalFileStatus::Done)
            << error;
        ASSERT_EQ(ReplaceRegularFile(file, "new", LinkHandling::ReplaceLink, 0600, error),
                  LocalFileStatus::Done)
            << error;
        ASSERT_EQ(AppendToRegularFile(file, "+"), LocalFileStatus::Done);
        std::string content;
        EXPECT_EQ(ReadRegularFile(file, 100, content), LocalFileStatus::Done);
        EXPECT_EQ(content, "new+");
        EXPECT_NE(LastWriteTime(file), fs::file_time_type::min());
        EXPECT_EQ(Utf8Path(fs::directory_iterator(FileSystemPath(folder))->path().filename()),
                  Utf8(name) + ".xml");
    }
    // Only what was asked for was made: no folder of a misspelt name beside them.
    int entries = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(root)) {
        ++entries;
        const std::string name = Utf8Path(entry.path().filename());
        EXPECT_TRUE(name == Utf8(u8"Zoë 李") || name == Utf8(u8"Ĳssel Ωμέγα 東京 😀")) << name;
    }
    EXPECT_EQ(entries, 2);
}

TEST_F(LocalFileTest, AFileInTheWayOfAFolderIsNamedInTheError)
{
    const std::string blocker = Root() + "/" + Utf8(u8"Zoë");
    std::string error;
    ASSERT_EQ(ReplaceRegularFile(blocker, "", LinkHandling::ReplaceLink, 0600, error), LocalFileStatus::Done);
    EXPECT_EQ(MakeFolders(blocker + "/a/b", error), LocalFileStatus::NotRegular);
    EXPECT_EQ(FileSystemPath(error.substr(0, error.find(" is not a folder"))), FileSystemPath(blocker))
        << error;
    EXPECT_FALSE(fs::exists(FileSystemPath(blocker + "/a")));
}

TEST(LocalPathRules, AbsolutePathsAreTheOnesThatNameOnePlace)
{
    struct Case
    {
        const char* path;
        bool absolute;
        bool onWindowsOnly;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"/tmp/x", true, false},
             {"x/y", false, false},
             {"", false, false},
             {"C:\\Users\\x", true, true},
             {"C:/Users/x", true, true},
             {"C:x", false, true}, // the drive's current folder
             {"\\x", true, true},  // the current drive's root
             {"\\\\server\\share\\Users", true, true},
             {"//server/share/Users", true, true},
             {"\\\\?\\UNC\\server\\share\\Users", true, true},
             {"\\\\?\\C:\\Users", true, true},
         }) {
        if (c.onWindowsOnly && !testsystem::IsWindows())
            continue;
        EXPECT_EQ(IsAbsoluteLocalPath(c.path), c.absolute) << c.path;
    }
}

// A roaming profile redirected to a share: Wine keeps share \\SERVER\SHARE in its prefix's
// dosdevices/unc/SERVER/SHARE, which the test makes as a server would offer it.
TEST_F(LocalFileTest, FoldersAndFilesOnAShareAreMadeBelowItsRoot)
{
    const std::string prefix = EnvironmentText("WINEPREFIX");
    if (!testsystem::IsWindows() || prefix.empty())
        GTEST_SKIP() << "needs the shares of a Wine prefix";
    const std::string server = "travelkin-" + std::to_string(std::random_device{}());
    const fs::path unc = FileSystemPath("Z:" + prefix + "/dosdevices/unc/" + server);
    const fs::path onCurrentDrive = FileSystemPath("\\" + server); // where a lost share root lands
    struct Removed
    {
        fs::path a, b;
        ~Removed()
        {
            std::error_code ignored;
            fs::remove_all(a, ignored);
            fs::remove_all(b, ignored);
        }
    } removed{unc, onCurrentDrive};
    ASSERT_TRUE(fs::create_directories(unc / "share"));

    // Backslashes, as Windows gives a redirected folder: a "\\?\" path is taken as written.
    const std::string below = "\\Users\\" + Utf8(u8"Zoë 李") + "\\AppData\\Roaming\\Data";
    for (const std::string& share :
         {"\\\\" + server + "\\share", "//" + server + "/share", "\\\\?\\UNC\\" + server + "\\share"}) {
        SCOPED_TRACE(share);
        std::string error;
        ASSERT_EQ(MakeFolders(share + below, error), LocalFileStatus::Done) << error;
        EXPECT_TRUE(fs::is_directory(unc / "share" / FileSystemPath(below.substr(1))));
        const std::string file = share + below + "\\layout.xml";
        ASSERT_EQ(ReplaceRegularFile(file, share, LinkHandling::ReplaceLink, 0600, error),
                  LocalFileStatus::Done)
            << error;
        std::string content;
        EXPECT_EQ(ReadRegularFile(file, 100, content), LocalFileStatus::Done);
        EXPECT_EQ(content, share);
    }
    // A share the server does not offer is not made by us: the first folder below it fails.
    std::string error;
    EXPECT_EQ(MakeFolders("\\\\" + server + "\\absent\\Users", error), LocalFileStatus::Failed);
    EXPECT_NE(error.find("absent"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(unc / "absent"));
    EXPECT_FALSE(fs::exists(onCurrentDrive)) << "the share's folders were made on the current drive";
}

// A reader that holds the file (ours, an editor) delays a replace but never fails it; a replace
// that fails anyway leaves nothing of its own beside the file.
TEST_F(LocalFileTest, AReaderNeverFailsAReplaceAndAFailedOneLeavesNothingBehind)
{
    const std::string file = Root() + "/hosts.txt";
    std::string error;
    ASSERT_EQ(ReplaceRegularFile(file, "old", LinkHandling::ReplaceTarget, 0644, error),
              LocalFileStatus::Done);
    {
        auto reader = std::make_unique<std::ifstream>(FileSystemPath(file), std::ios::binary);
        ASSERT_TRUE(*reader);
        std::thread letGo([&reader] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            reader.reset();
        });
        EXPECT_EQ(ReplaceRegularFile(file, "new", LinkHandling::ReplaceTarget, 0644, error),
                  LocalFileStatus::Done)
            << error;
        letGo.join();
    }
    std::string content;
    EXPECT_EQ(ReadRegularFile(file, 100, content), LocalFileStatus::Done);
    EXPECT_EQ(content, "new");

    // A read-only file that a reader never lets go of: on Windows the new file, read-only like
    // the old one, cannot be renamed over it, and is removed all the same.
    fs::permissions(root / "hosts.txt",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    {
        std::ifstream reader(FileSystemPath(file), std::ios::binary);
        ReplaceRegularFile(file, "newer", LinkHandling::ReplaceTarget, 0644, error);
    }
    int entries = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(root)) {
        ++entries;
        EXPECT_EQ(Utf8Path(entry.path().filename()), "hosts.txt");
    }
    EXPECT_EQ(entries, 1);
    fs::permissions(root / "hosts.txt", fs::perms::owner_write, fs::perm_options::add);
}
