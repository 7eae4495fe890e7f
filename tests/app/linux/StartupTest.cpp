#include "app/VesquorApp.h"

#include "app/DataFolder.h"
#include "platform/ScopedEnvironment.h"

#include "app/SearchWindowSupport.h"
#include "controls/BasicPropertyFrame.h"
#include "controls/QtTestApp.h"
#include "controls/SkinImagePrefetch.h"

#include "platform/linux/DesktopUrlOpener.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include "TravelkinResources.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

class StartupTest : public QtWidgetTest
{
protected:
    // Runs the whole start and stop; returns what was shown and whether the window ran.
    std::pair<QStringList, bool> RunWithDataRoot(const QString& dataRoot, const char* locale)
    {
        const ScopedEnvironment variables{{"TRAVELKIN_DATA_ROOT", QFile::encodeName(dataRoot).constData()},
                                          {"XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()).constData()},
                                          {"LC_ALL", locale}};
        QStringList shown;
        bool windowRan = false;
        CVesquorApp app({search.service,
                         [this] {
                             return SearchWindowServices{search.service, desktop.services, root.Path()};
                         },
                         [&shown](const QString& text) { shown << text; },
                         [&windowRan](CVesquorDlg& window) {
                             // Never shown: the first search goes out all the same.
                             window.InitDialog();
                             EXPECT_TRUE(QTest::qWaitFor([&window] { return !window.IsFirstSearchPending(); },
                                                         kPatienceMs));
                             windowRan = window.windowTitle() == QStringLiteral("Travelkin");
                         }});
        EXPECT_EQ(app.Run(), 0);
        return {shown, windowRan};
    }

    QTemporaryDir runtime;
    QTemporaryDir scratch;
    FakeSearchService search{false};
    RecordingDesktop desktop;
    PreparedDataRoot root;
};

TEST_F(StartupTest, DataRootThatCannotBeWrittenShowsTheFailureInTheSystemLanguage)
{
    // A file where the data root should be: no folder can be made under it, not even by root.
    const QString blocked = scratch.filePath(QStringLiteral("file"));
    QFile(blocked).open(QIODevice::WriteOnly);
    const std::pair<const char*, const char*> languages[] = {
        {"en_US.UTF-8", "Failed to create the configuration file!"},
        {"ja_JP.UTF-8", "設定ファイルの作成に失敗しました!"},
        {"de_CH.UTF-8", "Erstellung Konfigurationsdatei fehlgeschlagen!"},
        {"ko_KR.UTF-8", "Failed to create the configuration file!"},
    };
    // The sentence, then the folder that could not be made and why.
    const QString detail = QStringLiteral("\n%1 is not a folder").arg(blocked);
    for (const auto& [locale, message] : languages) {
        const auto [shown, windowRan] = RunWithDataRoot(blocked, locale);
        EXPECT_EQ(shown, QStringList{QString::fromUtf8(message) + detail}) << locale;
        EXPECT_FALSE(windowRan);
    }
    EXPECT_TRUE(search.service.CopyWorkers().empty()); // the search service never started
}

TEST_F(StartupTest, WritableDataRootRunsTheWindowAndReleasesTheInstance)
{
    for (int run = 0; run < 2; ++run) { // the second run finds the instance free again
        const int exitsBefore = search.exits.load();
        const auto [shown, windowRan] = RunWithDataRoot(scratch.path(), "en_US.UTF-8");
        EXPECT_TRUE(shown.isEmpty());
        EXPECT_TRUE(windowRan);
        // The first end stops the workers; the second finds them stopped (each is told once).
        if (run == 0) {
            EXPECT_GT(search.exits.load(), exitsBefore) << "the end stops the search workers";
        }
    }
    // The first run's window searched once through both workers; the service it stopped at
    // exit sends nothing for the second run's window.
    EXPECT_EQ(search.sends.load(), 2);
    EXPECT_TRUE(
        QFileInfo(scratch.filePath(QStringLiteral("ZandovertSearchTools/WndLayoutInfo.xml"))).isFile());
}

// The window's pictures are decoded ahead from the embedded resources: each is served whole,
// and the one copy is shared (a picture decoded where it is asked for is a new copy each time).
TEST_F(StartupTest, EverySkinPictureIsServedFromThePrefetch)
{
    InitTravelkinResources();
    const CDataFolder folder(scratch.path().toStdWString(), 4);
    std::vector<CSkinImagePrefetch::Source> sources;
    for (const SkinImageFile& image : folder.SkinImageFiles())
        sources.push_back({image.local, image.resource});
    CSkinImagePrefetch prefetch(sources);
    ASSERT_TRUE(folder.PrepareDataFolder());
    prefetch.ConfirmFiles();
    for (const auto& [local, origin] : sources) {
        const QImage served = LoadSkinImage(local);
        EXPECT_FALSE(served.isNull()) << local.toStdString();
        EXPECT_EQ(served, DecodeSkinFile(QFileInfo(local))) << local.toStdString();
        EXPECT_EQ(served.cacheKey(), LoadSkinImage(local).cacheKey()) << local.toStdString();
    }
}

TEST_F(StartupTest, LaterStartLeavesTheDataFolderAloneWhileAnotherHoldsTheInstance)
{
    const QByteArray lockPath = QFile::encodeName(runtime.filePath(QStringLiteral("Travelkin.lock")));
    const int lock = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
    const auto [shown, windowRan] = RunWithDataRoot(scratch.path(), "en_US.UTF-8");
    ::close(lock);
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_FALSE(windowRan);
    EXPECT_FALSE(QFileInfo::exists(scratch.filePath(QStringLiteral("ZandovertSearchTools"))))
        << "the data folder is written only by the instance that holds the lock";
    EXPECT_TRUE(search.service.CopyWorkers().empty());
}

// Takes the URLs that the desktop would open, on the thread that opens them.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QStringList urls;

public slots:
    void Open(const QUrl& url) { urls << url.toString(); }
};

// My Storage and at once Escape: the open that the action hands to the application object is
// still carried out, although no event loop runs after the window has closed.
TEST_F(StartupTest, MyStorageFollowedAtOnceByEscapeStillOpens)
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("smb"), &catcher, "Open");
    CDesktopUrlOpener opener{std::string()};
    DesktopServices services{opener, desktop.commands, desktop.mounts, desktop.windows};
    const ScopedEnvironment variables{{"TRAVELKIN_DATA_ROOT", QFile::encodeName(scratch.path()).constData()},
                                      {"XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()).constData()},
                                      {"LC_ALL", "C"}};
    CVesquorApp app({search.service,
                     [&] {
                         return SearchWindowServices{search.service, services, root.Path()};
                     },
                     [](const QString&) {},
                     [this](CVesquorDlg& window) {
                         window.InitDialog();
                         search.Report("192.0.2.11", "b");
                         window.OnWaitTimer();
                         auto* list = qobject_cast<QTreeWidget*>(window.FindListCtrl(IDC_DEVICE_LIST));
                         list->topLevelItem(0)->setSelected(true);
                         window.OnMyStorage();
                         QTest::keyClick(&window, Qt::Key_Escape);
                     }});
    EXPECT_EQ(app.Run(), 0);
    QDesktopServices::unsetUrlHandler(QStringLiteral("smb"));
    EXPECT_EQ(catcher.urls, QStringList{QStringLiteral("smb://192.0.2.11/")});
}

} // namespace

#include "StartupTest.moc"
