#include "platform/linux/DesktopUrlOpener.h"
#include "platform/support/TempDir.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

// Stands in for the desktop's handler of one URL scheme; notes the thread it was called on.
class CUrlHandlerProbe : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
    QList<QThread*> threads;

public slots:
    void open(const QUrl& url)
    {
        urls.append(url);
        threads.append(QThread::currentThread());
    }
};

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// No test here may open a URL for real: every opener records, or refuses.
class UrlOpenerTest : public ::testing::Test
{
protected:
    CTempDir dir;
    fs::path record = dir.Path("urls.txt");
};

TEST_F(UrlOpenerTest, RecorderAppendsEachUrlAsALineFromAnyThread)
{
    dir.Write("urls.txt", "earlier\n");
    CDesktopUrlOpener opener(record.string());

    std::thread other([&] {
        for (int i = 0; i < 50; ++i)
            opener.OpenUrl("smb://192.0.2.5/");
    });
    for (int i = 0; i < 50; ++i)
        opener.OpenUrl("http://192.0.2.20");
    other.join();

    std::string expected = "earlier\n";
    for (int i = 0; i < 50; ++i)
        expected += "http://192.0.2.20\nsmb://192.0.2.5/\n";
    std::string recorded = ReadFile(record);
    std::sort(recorded.begin(), recorded.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(recorded, expected); // every line whole, none lost, nothing overwritten
}

TEST_F(UrlOpenerTest, RecorderIsChosenByTheEnvironment)
{
    ASSERT_EQ(setenv("TRAVELKIN_URL_RECORDER", record.c_str(), 1), 0);
    CDesktopUrlOpener opener;
    unsetenv("TRAVELKIN_URL_RECORDER");

    opener.OpenUrl("http://192.0.2.20");

    EXPECT_EQ(ReadFile(record), "http://192.0.2.20\n");
}

TEST_F(UrlOpenerTest, RecorderRefusesForgedLinesLinksAndRelativePaths)
{
    CDesktopUrlOpener opener(record.string());
    opener.OpenUrl("http://192.0.2.20\nsmb://198.18.0.1/");
    opener.OpenUrl(std::string("http://192.0.2.20\0x", 19));
    opener.OpenUrl("");
    EXPECT_FALSE(fs::exists(record));

    const fs::path target = dir.Path("target");
    dir.Write("target", "keep\n");
    fs::create_symlink(target, record);
    CDesktopUrlOpener(record.string()).OpenUrl("http://192.0.2.20");
    CDesktopUrlOpener("urls.txt").OpenUrl("http://192.0.2.20");
    EXPECT_EQ(ReadFile(target), "keep\n");
    EXPECT_FALSE(fs::exists("urls.txt"));
}

} // namespace

namespace {

// The desktop's URL handling belongs to the application's thread: a URL opened from another
// thread reaches the handler there, and not before the event loop runs.
TEST(DesktopUrlOpenerTest, UrlsFromOtherThreadsAreOpenedOnTheApplicationThread)
{
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    CUrlHandlerProbe probe;
    QDesktopServices::setUrlHandler("smb", &probe, "open");
    CDesktopUrlOpener opener(std::string{});

    std::thread([&] { opener.OpenUrl("smb://192.0.2.5/"); }).join();
    EXPECT_TRUE(probe.urls.isEmpty());
    QElapsedTimer waited;
    waited.start();
    while (probe.urls.isEmpty() && waited.elapsed() < 30000) // far beyond a loaded machine's time
        QCoreApplication::processEvents();
    opener.OpenUrl("smb://192.0.2.6/");

    QDesktopServices::unsetUrlHandler("smb");
    ASSERT_EQ(probe.urls.size(), 2);
    EXPECT_EQ(probe.urls[0], QUrl("smb://192.0.2.5/"));
    EXPECT_EQ(probe.urls[1], QUrl("smb://192.0.2.6/"));
    EXPECT_EQ(probe.threads[0], app.thread());
    EXPECT_EQ(probe.threads[1], app.thread());
}

} // namespace

#include "UrlOpenerTest.moc"
