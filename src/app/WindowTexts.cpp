#include "app/WindowTexts.h"

#include "TravelkinResources.h"

#include <QFile>

namespace {

constexpr int kEnglishTexts = 150;

// Lines "KEY=text", UTF-8; "\n" in a text is a line end.
QHash<QString, QString> ReadTexts(int resource)
{
    QFile file(QStringLiteral(":/TEXT/%1").arg(resource));
    QHash<QString, QString> texts;
    if (!file.open(QIODevice::ReadOnly))
        return texts;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        QString text = QString::fromUtf8(line.mid(equals + 1));
        texts.insert(QString::fromUtf8(line.left(equals)),
                     text.replace(QStringLiteral("\\n"), QStringLiteral("\n")));
    }
    return texts;
}

} // namespace

CWindowTexts::CWindowTexts(int layoutResource)
{
    InitTravelkinResources();
    texts = ReadTexts(layoutResource);
    if (texts.isEmpty())
        texts = ReadTexts(kEnglishTexts);
}

QString CWindowTexts::Text(const char* key) const
{
    const QString name = QString::fromLatin1(key);
    return texts.value(name, name);
}
