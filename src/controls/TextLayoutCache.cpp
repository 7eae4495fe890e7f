#include "controls/TextLayoutCache.h"

#include <QFontMetrics>
#include <QTransform>

namespace {
constexpr int kUnbounded = 1 << 20;
}

const QStaticText& CTextLayoutCache::Layout(const QString& text, const QFont& font, int wrapWidth)
{
    Update(text, font, wrapWidth);
    return layout;
}

QSize CTextLayoutCache::Size(const QString& text, const QFont& font, int wrapWidth)
{
    Update(text, font, wrapWidth);
    return size;
}

void CTextLayoutCache::Update(const QString& text, const QFont& font, int wrapWidth)
{
    wrapWidth = wrapWidth > 0 ? wrapWidth : 0;
    const QString fontKey = font.key();
    if (bValid && text == strText && wrapWidth == nWrapWidth && fontKey == strFontKey)
        return;
    strText = text;
    strFontKey = fontKey;
    nWrapWidth = wrapWidth;
    bValid = true;

    layout = QStaticText(text);
    layout.setTextFormat(Qt::PlainText);
    layout.setTextWidth(wrapWidth > 0 ? wrapWidth : -1);
    layout.setPerformanceHint(QStaticText::AggressiveCaching);
    layout.prepare(QTransform(), font);

    const int flags = Qt::AlignLeft | Qt::AlignTop | (wrapWidth > 0 ? Qt::TextWordWrap : 0);
    const QRect bounds(0, 0, wrapWidth > 0 ? wrapWidth : kUnbounded, kUnbounded);
    size = QFontMetrics(font).boundingRect(bounds, flags, text).size();
}
