#include "app/ListDump.h"

#include <QByteArray>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Tabs and line ends inside a device text would break the line format.
QString OneField(QString text)
{
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char(' ');
    }
    return text;
}

QByteArray Format(const std::vector<QStringList>& rows)
{
    QByteArray content;
    for (const QStringList& row : rows) {
        QStringList fields;
        for (const QString& text : row)
            fields << OneField(text);
        content += fields.join(QLatin1Char('\t')).toUtf8() + '\n';
    }
    return content;
}

bool IsRegularOrAbsent(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return errno == ENOENT;
    return S_ISREG(info.st_mode);
}

bool WriteAll(int fd, const QByteArray& content)
{
    qsizetype done = 0;
    while (done < content.size()) {
        const ssize_t written = ::write(fd, content.constData() + done, static_cast<size_t>(content.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace

CListDump::CListDump() : CListDump(qEnvironmentVariable("TRAVELKIN_LIST_DUMP").toStdString()) {}

CListDump::CListDump(std::string path) : m_strPath(std::move(path))
{
    if (!m_strPath.empty() && m_strPath.front() != '/')
        m_strPath.clear();
}

void CListDump::Write(const std::vector<QStringList>& rows) const
{
    if (!IsOn() || !IsRegularOrAbsent(m_strPath))
        return;
    // Written beside the file and renamed over it, so a reader sees the old rows or the new.
    const std::string temporary = m_strPath + ".new";
    ::unlink(temporary.c_str());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const bool written = WriteAll(fd, Format(rows));
    ::close(fd);
    if (!written || std::rename(temporary.c_str(), m_strPath.c_str()) != 0)
        ::unlink(temporary.c_str());
}
