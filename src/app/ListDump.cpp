#include "app/ListDump.h"

#include "os/LocalFile.h"

#include <QByteArray>

#include <string_view>

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

} // namespace

CListDump::CListDump() : CListDump(qEnvironmentVariable("TRAVELKIN_LIST_DUMP").toStdString()) {}

CListDump::CListDump(std::string path) : strPath(std::move(path))
{
    if (!IsAbsoluteLocalPath(strPath))
        strPath.clear();
}

void CListDump::Write(const std::vector<QStringList>& rows) const
{
    if (!IsOn())
        return;
    const QByteArray content = Format(rows);
    std::string error;
    ReplaceRegularFile(strPath,
                       std::string_view(content.constData(), static_cast<std::size_t>(content.size())),
                       LinkHandling::ReplaceTarget, 0600, error);
}
