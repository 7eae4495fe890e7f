#include "app/DeviceText.h"

#include <QByteArrayView>
#include <QStringDecoder>

namespace {

bool IsControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f);
}

// Characters that show nothing themselves but change how the text around them is shown:
// format characters (direction overrides and isolates, zero-width spaces and joiners, the
// byte order mark, tags...) and the line and paragraph separators.
bool IsInvisibleFormat(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

QString Disarmed(const QString& text)
{
    QList<char32_t> characters = text.toUcs4();
    for (char32_t& c : characters) {
        if (IsControl(c) || IsInvisibleFormat(c))
            c = QChar::ReplacementCharacter;
    }
    return QString::fromUcs4(characters.constData(), characters.size());
}

} // namespace

QString DeviceText(const char* text, std::size_t size)
{
    const QByteArrayView bytes(text, static_cast<qsizetype>(size));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(bytes);
    if (utf8.hasError())
        decoded = QString::fromLatin1(bytes);
    return Disarmed(decoded);
}
