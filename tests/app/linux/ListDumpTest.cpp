// The list dump that the end-to-end tests read: written in place where the path is a regular
// file or a link to one, refused for anything else.
#include "app/ListDump.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("<none>");
}

TEST(ListDumpTest, RewritesARegularFileOrALinksTargetByAnAbsolutePath)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.txt"));
    CListDump dump(QFile::encodeName(path).toStdString());
    dump.Write({{"disk", "192.0.2.10", "NAS"}, {"tab\there", "192.0.2.11", "line\nend"}});
    EXPECT_EQ(ReadAll(path), QStringLiteral("disk\t192.0.2.10\tNAS\ntab here\t192.0.2.11\tline end\n"));
    dump.Write({});
    EXPECT_EQ(ReadAll(path), QString());

    const QString target = dir.filePath(QStringLiteral("target"));
    QFile(target).open(QIODevice::WriteOnly);
    const QString link = dir.filePath(QStringLiteral("link"));
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    for (const QString& refused : {link, fifo, dir.path()})
        CListDump(QFile::encodeName(refused).toStdString()).Write({{"disk", "192.0.2.10", "NAS"}});
    EXPECT_EQ(ReadAll(target), QStringLiteral("disk\t192.0.2.10\tNAS\n"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(fifo).size(), 0);
    EXPECT_FALSE(CListDump("relative/list.txt").IsOn());
}

} // namespace
