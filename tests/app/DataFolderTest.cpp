#include "app/DataFolder.h"

#include "layout/LocalPath.h"
#include "platform/ScopedEnvironment.h"
#include "support/TestSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

const QDir kResources(QStringLiteral(TRAVELKIN_RESOURCES_DIR));
const QDir kLayouts(QStringLiteral(TRAVELKIN_LAYOUT_DIR));

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// A file's permission bits as a number (0750); -1 when it does not exist.
int Mode(const char* path)
{
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    return error ? -1 : static_cast<int>(status.permissions() & fs::perms::mask);
}

QString Local(const std::wstring& path)
{
    return QString::fromStdString(ToLocalPath(path));
}

class DataFolderTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(tempDir.isValid()); }

    std::wstring Root() const { return tempDir.path().toStdWString(); }

    // The nine files as the resources hold them, for a layout variant.
    void ExpectAllFilesWritten(const CDataFolder& folder, const char* layoutVariant) const
    {
        EXPECT_EQ(ReadFile(Local(folder.LayoutFilePath())),
                  ReadFile(kLayouts.filePath(QStringLiteral("WndLayoutInfo_%1.xml").arg(layoutVariant))));
        for (const SkinImageResource& image : kSkinImages) {
            const QString name = QString::fromWCharArray(image.fileName).mid(1);
            EXPECT_EQ(ReadFile(Local(folder.PictureFolderPath() + image.fileName)),
                      ReadFile(kResources.filePath(QStringLiteral("skin/") + name)))
                << name.toStdString();
        }
    }

    QTemporaryDir tempDir;
};

} // namespace

TEST_F(DataFolderTest, WritesTheVariantOfTheSystemLanguageAndAllImages)
{
    if (testsystem::IsWindows())
        GTEST_SKIP() << "the language is the user's UI language on Windows, not LC_ALL";
    const struct
    {
        const char* locale;
        const char* variant;
    } languages[] = {
        {"en_US.UTF-8", "en"}, {"zh_CN.UTF-8", "zh_CN"}, {"zh_TW.UTF-8", "zh_TW"},
        {"ja_JP.UTF-8", "ja"}, {"de_CH.UTF-8", "de"},    {"fr_BE.UTF-8", "fr"},
        {"ru_RU.UTF-8", "en"}, {"ko_KR.UTF-8", "en"},    {"pt_BR.UTF-8", "pt"},
        {"es_MX.UTF-8", "es"}, {"it_IT.UTF-8", "it"},    {"nl_NL.UTF-8", "en"},
        {"pl_PL.UTF-8", "en"}, {"da_DK.UTF-8", "en"},    {"C", "en"},
    };
    const QByteArray root = QFile::encodeName(tempDir.path());
    for (const auto& [locale, variant] : languages) {
        SCOPED_TRACE(locale);
        const ScopedEnvironment env{{"TRAVELKIN_DATA_ROOT", root.constData()}, {"LC_ALL", locale}};
        const CDataFolder folder = CDataFolder::ForThisSession();
        ASSERT_TRUE(folder.PrepareDataFolder());
        ExpectAllFilesWritten(folder, variant);
    }
}

TEST_F(DataFolderTest, OldFilesAreReplacedWhole)
{
    const CDataFolder folder(Root(), 4);
    ASSERT_TRUE(QDir(tempDir.path()).mkpath(QStringLiteral("ZandovertSearchTools/Picture")));
    const QByteArray junk(1 << 20, 'x'); // longer than every resource: a missing truncation shows
    const QByteArray logo = ReadFile(kResources.filePath(QStringLiteral("skin/logo.png")));
    for (const auto& [path, old] : {std::pair{folder.LayoutFilePath(), junk},
                                    std::pair{folder.PictureFolderPath() + L"\\logo.png", logo + junk}}) {
        QFile file(Local(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    // Damage of the same length as the picture is found too, not only a wrong size.
    QFile brush(Local(folder.PictureFolderPath() + L"\\Brush.png"));
    ASSERT_TRUE(brush.open(QIODevice::WriteOnly));
    brush.write(QByteArray(QFileInfo(kResources.filePath(QStringLiteral("skin/Brush.png"))).size(), 'x'));
    brush.close();
    ASSERT_TRUE(folder.PrepareDataFolder());
    ExpectAllFilesWritten(folder, "ja");
}

// A link put in the data folder is replaced by our own file and its target left as it was; a
// FIFO or a folder is left alone and the start fails at once instead of waiting on it.
TEST_F(DataFolderTest, LinksAreReplacedAndWhatIsNoFileIsLeftAlone)
{
    if (testsystem::IsWindows())
        GTEST_SKIP() << "symbolic links and FIFOs are Linux's";
    const CDataFolder folder(Root(), 4);
    ASSERT_TRUE(QDir(tempDir.path()).mkpath(QStringLiteral("ZandovertSearchTools/Picture")));
    const QString outside = tempDir.filePath(QStringLiteral("outside.txt"));
    QFile(outside).open(QIODevice::WriteOnly);
    const QByteArray layout = Local(folder.LayoutFilePath()).toLocal8Bit();
    fs::create_symlink(outside.toLocal8Bit().constData(), layout.constData());
    ASSERT_TRUE(folder.PrepareDataFolder());
    EXPECT_FALSE(QFileInfo(Local(folder.LayoutFilePath())).isSymLink());
    EXPECT_EQ(QFileInfo(outside).size(), 0);
    ExpectAllFilesWritten(folder, "ja");

    const QByteArray logo = Local(folder.PictureFolderPath() + L"\\logo.png").toLocal8Bit();
    for (const auto& make : {+[](const char* path) { return testsystem::MakeFifo(path); },
                             +[](const char* path) { return fs::create_directory(path); }}) {
        for (const QByteArray& path : {layout, logo}) {
            ASSERT_TRUE(fs::remove(path.constData()));
            ASSERT_TRUE(make(path.constData()));
            EXPECT_FALSE(folder.PrepareDataFolder()) << path.constData();
            EXPECT_FALSE(QFileInfo(QString::fromLocal8Bit(path)).isFile()) << path.constData();
            ASSERT_TRUE(fs::remove(path.constData()));
            ASSERT_TRUE(folder.PrepareDataFolder());
        }
    }
}

TEST_F(DataFolderTest, FailsWhenAFolderCannotBeMade)
{
    QFile blocker(tempDir.filePath(QStringLiteral("ZandovertSearchTools")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the data folder belongs
    blocker.close();
    EXPECT_FALSE(CDataFolder(Root(), 1).PrepareDataFolder());

    // Without a data root nothing is made at the top of the file system.
    EXPECT_FALSE(CDataFolder(L"", 1).PrepareDataFolder());

    if (testsystem::FolderPermissionsBind()) {
        const QString writable = tempDir.filePath(QStringLiteral("sub"));
        ASSERT_TRUE(QDir().mkdir(writable) &&
                    QFile::setPermissions(writable, QFile::ReadOwner | QFile::ExeOwner));
        EXPECT_FALSE(CDataFolder(writable.toStdWString(), 1).PrepareDataFolder());
        QFile::setPermissions(writable, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

// A fresh account: an empty home without ~/.local/share, or a data root whose parents do not
// exist yet. Every folder made on the way is the user's alone; one that exists keeps its mode.
TEST_F(DataFolderTest, AMissingDataRootIsMadeWithItsParents)
{
    if (testsystem::IsWindows())
        GTEST_SKIP() << "the home folder and the folders' modes are Linux's";
    const QByteArray home = QFile::encodeName(tempDir.filePath(QStringLiteral("home")));
    const QByteArray root = QFile::encodeName(tempDir.filePath(QStringLiteral("a/b/root")));
    ASSERT_TRUE(fs::create_directory(home.constData()));
    fs::permissions(home.constData(), fs::perms(0750));
    const struct
    {
        const char* dataRoot;
        QString firstNewFolder;
    } sessions[] = {
        {nullptr, tempDir.filePath(QStringLiteral("home/.local"))},
        {root.constData(), tempDir.filePath(QStringLiteral("a"))},
    };
    for (const auto& [dataRoot, firstNewFolder] : sessions) {
        SCOPED_TRACE(firstNewFolder.toStdString());
        const ScopedEnvironment env{{"TRAVELKIN_DATA_ROOT", dataRoot},
                                    {"XDG_DATA_HOME", nullptr},
                                    {"HOME", home.constData()},
                                    {"LC_ALL", "C"}};
        const CDataFolder folder = CDataFolder::ForThisSession();
        ASSERT_TRUE(folder.PrepareDataFolder());
        ExpectAllFilesWritten(folder, "en");
        for (QString path = Local(folder.PictureFolderPath()); path.size() >= firstNewFolder.size();
             path = QFileInfo(path).path()) {
            EXPECT_EQ(Mode(QFile::encodeName(path).constData()), 0700) << path.toStdString();
        }
    }
    EXPECT_EQ(Mode(home.constData()), 0750);
}

// An account name in any script: the folders and files are made under that very name.
TEST_F(DataFolderTest, ADataRootInAnyScriptHoldsTheFiles)
{
    const QString name = QStringLiteral("Zo\u00EB \u674E");
    const CDataFolder folder(
        (tempDir.path() + QLatin1Char('/') + name + QStringLiteral("/AppData")).toStdWString(), 1);
    std::string failure;
    ASSERT_TRUE(folder.PrepareDataFolder(failure)) << failure;
    ExpectAllFilesWritten(folder, "en");
    EXPECT_EQ(QDir(tempDir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{name});
}

TEST_F(DataFolderTest, ImagesStopAtTheFirstThatCannotBeWritten)
{
    const CDataFolder folder(Root(), 1);
    ASSERT_TRUE(QDir(tempDir.path()).mkpath(QStringLiteral("ZandovertSearchTools/Picture/logo.png")));
    std::string failure;
    EXPECT_FALSE(folder.PrepareDataFolder(failure));
    // The failure names the picture in the way and why.
    const QString logo = Local(folder.PictureFolderPath() + L"\\logo.png");
    EXPECT_EQ(QString::fromStdString(failure),
              logo + QStringLiteral(" is not a regular file (a FIFO, a device or a folder); left alone"));

    const QDir pictures(Local(folder.PictureFolderPath()));
    EXPECT_TRUE(pictures.exists(QStringLiteral("Brush.png"))); // written before the failure
    EXPECT_FALSE(pictures.exists(QStringLiteral("headerbackground.png")));
    EXPECT_FALSE(pictures.exists(QStringLiteral("ButtonMax.png")));
}

TEST_F(DataFolderTest, UnknownResourcesAreNotWritten)
{
    const std::wstring target = Root() + L"/unknown";
    EXPECT_FALSE(SaveResourceToFile(149, QStringLiteral("PNG"), target));
    EXPECT_FALSE(SaveResourceToFile(150, QStringLiteral("PNG"), target));
    EXPECT_FALSE(QFile::exists(Local(target)));
    EXPECT_TRUE(SaveResourceToFile(128, QStringLiteral("ICON"), target));
}
