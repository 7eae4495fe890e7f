#include "app/DeviceText.h"

#include <QByteArrayView>
#include <QStringDecoder>

namespace {

bool IsControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f);
}

// Embeddings and overrides (U+202A to U+202E) and isolates (U+2066 to U+2069).
bool TurnsDirection(char16_t c)
{
    return (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
}

QString Disarmed(QString text)
{
    for (QChar& c : text) {
        if (IsControl(c.unicode()) || TurnsDirection(c.unicode()))
            c = QChar::ReplacementCharacter;
    }
    return text;
}

} // namespace

QString DeviceText(const char* text, std::size_t size)
{
    const QByteArrayView bytes(text, static_cast<qsizetype>(size));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(bytes);
    if (utf8.hasError())
        decoded = QString::fromLatin1(bytes);
    return Disarmed(std::move(decoded));
}
