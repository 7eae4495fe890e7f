#include "app/DirectHostsFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

// hosts.txt is typed by hand: what is not a small regular file is ignored at once, and no more
// addresses are taken than a search can ask directly.
TEST(DirectHostsFileTest, OnlyASmallRegularFileIsReadAndItsAddressesAreCapped)
{
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("ZandovertSearchTools")));
    const QByteArray hosts =
        QFile::encodeName(root.filePath(QStringLiteral("ZandovertSearchTools/hosts.txt")));
    QByteArray many;
    for (int i = 0; i < 2000; ++i)
        many += "198.18." + QByteArray::number(i / 250) + "." + QByteArray::number(i % 250 + 1) + "\n";
    const std::pair<std::function<void()>, std::size_t> cases[] = {
        {[&] {
             QFile file(QString::fromLocal8Bit(hosts));
             file.open(QIODevice::WriteOnly);
             file.write(many);
         },
         1024},
        {[&] {
             QFile file(QString::fromLocal8Bit(hosts));
             file.open(QIODevice::WriteOnly);
             file.write(QByteArray(65537, '\n'));
         },
         0},
        {[&] { ::mkfifo(hosts.constData(), 0600); }, 0},
        {[&] { ::symlink("/dev/zero", hosts.constData()); }, 0},
    };
    for (const auto& [make, count] : cases) {
        ::unlink(hosts.constData());
        make();
        EXPECT_EQ(DirectHostsOf(root.path().toStdWString()).size(), count);
    }
}

// An Add never leaves a file that the reader would refuse or cut short, nor replaces a file the
// user made read-only: each is refused, the file stays byte for byte, and nothing is left
// beside it.
TEST(DirectHostsFileTest, AnAddThatTheFileCouldNotHoldIsRefused)
{
    QTemporaryDir root;
    const QDir folder(root.filePath(QStringLiteral("ZandovertSearchTools")));
    ASSERT_TRUE(folder.mkpath(QStringLiteral(".")));
    const QString hosts = folder.filePath(QStringLiteral("hosts.txt"));
    const auto addresses = [](int count) {
        QByteArray lines;
        for (int i = 0; i < count; ++i)
            lines += "198.18." + QByteArray::number(i / 250) + "." + QByteArray::number(i % 250 + 1) + "\n";
        return lines;
    };
    const QByteArray nearlyFull = "# far\n" + QByteArray(65531 - 7, '#') + "\n";
    struct Case
    {
        const char* name;
        QByteArray content;
        QFile::Permissions permissions;
        HostsFileEdit edit;
    };
    const QFile::Permissions writable = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    const Case cases[] = {
        {"65,531 bytes", nearlyFull, writable, HostsFileEdit::FileFull},
        {"1,024 addresses", addresses(1024), writable, HostsFileEdit::ListFull},
        {"1,024 with the address among them", addresses(1023) + "192.0.2.20\n", writable,
         HostsFileEdit::Done},
        {"read-only", "192.0.2.9\n", QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther,
         HostsFileEdit::ReadOnly},
    };
    const auto address = boost::asio::ip::make_address_v4("192.0.2.20");
    const std::wstring dataRoot = root.path().toStdWString();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(hosts);
        {
            QFile file(hosts);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.content);
        }
        ASSERT_TRUE(QFile::setPermissions(hosts, c.permissions));
        const QFile::Permissions before = QFile::permissions(hosts);
        std::string error;
        EXPECT_EQ(AddDirectHost(dataRoot, address, error), c.edit) << error;
        QFile file(hosts);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll() == c.content);
        EXPECT_EQ(file.permissions(), before);
        EXPECT_EQ(folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{"hosts.txt"});
        EXPECT_EQ(RemoveDirectHost(dataRoot, boost::asio::ip::make_address_v4("192.0.2.9"), error),
                  c.edit == HostsFileEdit::ReadOnly ? HostsFileEdit::ReadOnly : HostsFileEdit::Done);
    }
    // One short of either limit still takes the address, and the reader then searches it.
    QFile::remove(hosts);
    {
        QFile file(hosts);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(addresses(1023));
    }
    std::string error;
    EXPECT_EQ(AddDirectHost(dataRoot, address, error), HostsFileEdit::Done) << error;
    EXPECT_EQ(DirectHostsOf(dataRoot).back(), address);
}
