#pragma once

// Laid out texts kept until the text, font or wrap width changes, so repainting a control or
// a list row only draws glyphs instead of shaping and wrapping the text again. A control keeps
// its one text; a list keeps one layout per cell text it has shown.

#include <QFont>
#include <QHash>
#include <QSize>
#include <QStaticText>
#include <QString>

#include <optional>
#include <utility>

class CTextLayoutCache
{
public:
    // At most `capacity` layouts are kept; a full cache starts afresh.
    explicit CTextLayoutCache(qsizetype capacity = 1) : nCapacity(capacity) {}

    // The text in `font`, word-wrapped at wrapWidth pixels (no wrapping when it is not
    // positive); its size is what the font's metrics give for that layout. The reference
    // holds until the next call.
    const QStaticText& Layout(const QString& text, const QFont& font, int wrapWidth);
    QSize Size(const QString& text, const QFont& font, int wrapWidth);

private:
    struct Entry
    {
        QStaticText layout;
        std::optional<QSize> size;
    };
    Entry& Find(const QString& text, const QFont& font, int wrapWidth);

    QHash<std::pair<QString, int>, Entry> entries;
    QString strFontKey;
    qsizetype nCapacity;
};
