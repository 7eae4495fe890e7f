#include "os/LocalFile.h"

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
