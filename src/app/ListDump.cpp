#include "app/ListDump.h"

#include <QByteArray>

#include <cstdio>
#include <filesystem>
#include <memory>

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

namespace fs = std::filesystem;

bool IsRegularOrAbsent(const std::string& path)
{
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    return status.type() == fs::file_type::regular || status.type() == fs::file_type::not_found;
}

struct CloseFile
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// A new file only this user can read: "x" refuses a file (or a link) already there.
bool WriteNew(const std::string& path, const QByteArray& content)
{
    const std::unique_ptr<std::FILE, CloseFile> file(std::fopen(path.c_str(), "wbx"));
    if (!file)
        return false;
    std::error_code error;
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, error);
    const auto size = static_cast<std::size_t>(content.size());
    return !error && std::fwrite(content.constData(), 1, size, file.get()) == size && std::fflush(file.get()) == 0;
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
    std::error_code error;
    fs::remove(temporary, error);
    const bool written = WriteNew(temporary, Format(rows));
    if (written)
        fs::rename(temporary, m_strPath, error);
    if (!written || error)
        fs::remove(temporary, error);
}
