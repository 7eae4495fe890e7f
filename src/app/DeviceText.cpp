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
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        // Tags and the like lie beyond the first plane: take a surrogate pair as one.
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const char32_t c = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
        const qsizetype units = pair ? 2 : 1;
        if (IsControl(c) || IsInvisibleFormat(c))
            shown += QChar(QChar::ReplacementCharacter);
        else
            shown += text.mid(i, units);
        i += units;
    }
    return shown;
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
