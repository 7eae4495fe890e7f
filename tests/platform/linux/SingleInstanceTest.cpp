#include "platform/SingleInstance.h"

#include "platform/ScopedEnvironment.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kNotified = 10;
constexpr int kSilent = 11;
// How long a test waits for a helper it expects to start, speak or end: far beyond what that
// takes on a loaded machine.
constexpr int kPatienceMs = 30000;

class SingleInstanceTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "single_instance_test";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }

    void SetUp() override { ASSERT_TRUE(runtime.isValid()); }

    // Starts the helper with our runtime folder.
    void Start(QProcess& process, const QStringList& arguments = {}) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(SINGLE_INSTANCE_HELPER), arguments);
        ASSERT_TRUE(process.waitForStarted(kPatienceMs));
    }

    static int RunToEnd(QProcess& process)
    {
        EXPECT_TRUE(process.waitForFinished(kPatienceMs));
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    void StartFirstInstance(QProcess& first, const QStringList& arguments = {}) const
    {
        Start(first, arguments);
        ASSERT_TRUE(first.waitForReadyRead(kPatienceMs));
        ASSERT_EQ(first.readLine().trimmed(), "listening");
    }

    QString RuntimePath(const char* name) const { return runtime.filePath(QLatin1String(name)); }

    QTemporaryDir runtime;
};

} // namespace

TEST_F(SingleInstanceTest, ASecondStartActivatesTheFirstAndEnds)
{
    QProcess first;
    StartFirstInstance(first);

    QProcess second;
    Start(second);
    EXPECT_EQ(RunToEnd(second), kNotified);
    // The second start returned only after the first had handled the activation.
    EXPECT_TRUE(first.canReadLine() || first.waitForReadyRead(kPatienceMs));
    EXPECT_EQ(first.readLine().trimmed(), "activated");
    EXPECT_EQ(RunToEnd(first), 0);
}

TEST_F(SingleInstanceTest, AHeldLockWithoutListenerEndsSilently)
{
    const int fd =
        ::open(QFile::encodeName(RuntimePath("Travelkin.lock")).constData(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);

    QProcess second;
    Start(second);
    EXPECT_EQ(RunToEnd(second), kSilent);
    ::close(fd);
}

// The first instance holds the lock and its socket accepts, but it is still starting up and
// answers nothing: a second start does not wait for it.
TEST_F(SingleInstanceTest, ASecondStartDuringStartUpEndsAtOnce)
{
    QProcess first;
    StartFirstInstance(first, {QStringLiteral("busy")});

    QProcess second;
    Start(second);
    EXPECT_EQ(RunToEnd(second), kSilent);
    EXPECT_EQ(first.state(), QProcess::Running) << "ended while the first was still busy";
    // The claim's own time, without the helper's start: it gives up after a quarter second,
    // and it used to wait five; two seconds tell them apart even on a loaded machine.
    const QByteArray took = second.readAllStandardOutput();
    int ms = -1;
    EXPECT_EQ(std::sscanf(took.constData(), "claimed in %d ms", &ms), 1) << took.constData();
    EXPECT_LT(ms, 2000);
    first.closeWriteChannel();
    EXPECT_EQ(RunToEnd(first), 0);
}

TEST_F(SingleInstanceTest, ASocketLeftByACrashedInstanceIsReplaced)
{
    QFile stale(RuntimePath("Travelkin"));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();

    QProcess first;
    StartFirstInstance(first);
    QProcess second;
    Start(second);
    EXPECT_EQ(RunToEnd(second), kNotified);
    EXPECT_EQ(RunToEnd(first), 0);
}

TEST_F(SingleInstanceTest, WithoutARuntimeFolderOnlyAPrivateFolderIsUsed)
{
    const QByteArray temporary = QFile::encodeName(runtime.path());
    const ScopedEnvironment env{{"XDG_RUNTIME_DIR", nullptr}, {"TMPDIR", temporary.constData()}};
    const QByteArray fallback = temporary + "/travelkin-" + QByteArray::number(::getuid());
    {
        CSingleInstance instance(QStringLiteral("Travelkin"));
        ASSERT_EQ(instance.Acquire(), CSingleInstance::Claim::First);
        struct stat info
        {
        };
        ASSERT_EQ(::lstat(fallback.constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
    }
    // A folder others can enter is not trusted with the lock.
    ASSERT_EQ(::chmod(fallback.constData(), 0755), 0);
    CSingleInstance instance(QStringLiteral("Travelkin"));
    EXPECT_EQ(instance.Acquire(), CSingleInstance::Claim::Failed);
    ::chmod(fallback.constData(), 0700);
}
