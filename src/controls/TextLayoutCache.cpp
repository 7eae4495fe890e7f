#include "controls/TextLayoutCache.h"

#include <QFontMetrics>
#include <QTransform>

namespace {
constexpr int kUnbounded = 1 << 20;
}

const QStaticText& CTextLayoutCache::Layout(const QString& text, const QFont& font, int wrapWidth)
{
    return Find(text, font, wrapWidth).layout;
}

QSize CTextLayoutCache::Size(const QString& text, const QFont& font, int wrapWidth)
{
    wrapWidth = wrapWidth > 0 ? wrapWidth : 0;
    Entry& entry = Find(text, font, wrapWidth);
    if (!entry.size) {
        const int flags = Qt::AlignLeft | Qt::AlignTop | (wrapWidth > 0 ? Qt::TextWordWrap : 0);
        const QRect bounds(0, 0, wrapWidth > 0 ? wrapWidth : kUnbounded, kUnbounded);
        entry.size = QFontMetrics(font).boundingRect(bounds, flags, text).size();
    }
    return *entry.size;
}

CTextLayoutCache::Entry& CTextLayoutCache::Find(const QString& text, const QFont& font, int wrapWidth)
{
    wrapWidth = wrapWidth > 0 ? wrapWidth : 0;
    if (const QString fontKey = font.key(); fontKey != strFontKey) {
        entries.clear();
        strFontKey = fontKey;
    }
    const std::pair<QString, int> key(text, wrapWidth);
    if (auto found = entries.find(key); found != entries.end())
        return *found;
    if (entries.size() >= nCapacity)
        entries.clear();

    Entry entry;
    entry.layout = QStaticText(text);
    entry.layout.setTextFormat(Qt::PlainText);
    entry.layout.setTextWidth(wrapWidth > 0 ? wrapWidth : -1);
    entry.layout.setPerformanceHint(QStaticText::AggressiveCaching);
    entry.layout.prepare(QTransform(), font);
    return *entries.insert(key, std::move(entry));
}
