#pragma once

// The laid out form of a control's text, kept until the text, font or wrap width changes, so
// repainting a control only draws glyphs instead of shaping and wrapping the text again.

#include <QFont>
#include <QSize>
#include <QStaticText>
#include <QString>

class CTextLayoutCache
{
public:
    // The text in `font`, word-wrapped at wrapWidth pixels (no wrapping when it is not
    // positive); its size is what the font's metrics give for that layout.
    const QStaticText& Layout(const QString& text, const QFont& font, int wrapWidth);
    QSize Size(const QString& text, const QFont& font, int wrapWidth);

private:
    void Update(const QString& text, const QFont& font, int wrapWidth);

    QStaticText layout;
    QSize size;
    QString strText;
    QString strFontKey;
    int nWrapWidth = 0;
    bool bValid = false;
};
