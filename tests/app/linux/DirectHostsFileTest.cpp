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
