#include "controls/TaskCellText.h"

#include <QTextLayout>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <utility>

namespace {

const QString kEllipsis = QStringLiteral("...");

// The end of the last word that ends before `end`, trailing blanks left out; 0 when none.
qsizetype PreviousWordEnd(const QString& text, qsizetype end)
{
    qsizetype blank = end - 1;
    while (blank > 0 && !text.at(blank).isSpace())
        --blank;
    while (blank > 0 && text.at(blank - 1).isSpace())
        --blank;
    return blank;
}

} // namespace

QString ElideAtWord(const QFontMetrics& metrics, const QString& text, int width)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    for (qsizetype end = PreviousWordEnd(text, text.size()); end > 0; end = PreviousWordEnd(text, end)) {
        const QString cut = text.left(end) + kEllipsis;
        if (metrics.horizontalAdvance(cut) <= width)
            return cut;
    }
    return metrics.elidedText(text, Qt::ElideRight, width);
}

bool NeedsMoreThanOneLine(const QFont& font, const QString& text, int width)
{
    QString laidOut = text;
    laidOut.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(laidOut, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    int lines = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid() && lines < 2; line = layout.createLine()) {
        line.setLineWidth(width);
        ++lines;
    }
    layout.endLayout();
    return lines > 1;
}

int StatusIconIndex(const QString& status, const QString& flag14, const QString& flag16)
{
    if (status == QLatin1String("R"))
        return flag16 == QLatin1String("1") ? 4 : 0;
    static const std::array<std::pair<QLatin1String, int>, 7> kIcons{{
        {QLatin1String("W"), 2},
        {QLatin1String("S"), 1},
        {QLatin1String("C"), 5},
        {QLatin1String("P"), 6},
        {QLatin1String("E"), 3},
        {QLatin1String("J"), 4},
        {QLatin1String("D"), 3},
    }};
    for (const auto& [code, icon] : kIcons) {
        if (status == code)
            return icon;
    }
    return flag14.isEmpty() ? -1 : 3;
}

int LeadingInteger(const QString& text)
{
    qsizetype at = 0;
    while (at < text.size() && text.at(at).isSpace())
        ++at;
    bool negative = false;
    if (at < text.size() && (text.at(at) == QLatin1Char('-') || text.at(at) == QLatin1Char('+')))
        negative = text.at(at++) == QLatin1Char('-');
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<int>::max()} + 1;
    for (; at < text.size() && text.at(at) >= QLatin1Char('0') && text.at(at) <= QLatin1Char('9'); ++at) {
        value = std::min(value * 10 + (text.at(at).unicode() - u'0'), kLimit);
    }
    if (negative)
        value = -value;
    return static_cast<int>(
        std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int ScaleRounded(int value, int numerator, int denominator)
{
    if (denominator == 0)
        return -1;
    const std::int64_t product = std::int64_t{value} * numerator;
    const bool negative = (product < 0) != (denominator < 0);
    const std::int64_t magnitude = product < 0 ? -product : product;
    const std::int64_t divisor = denominator < 0 ? -std::int64_t{denominator} : denominator;
    std::int64_t result = (magnitude + divisor / 2) / divisor;
    if (negative)
        result = -result;
    if (result > std::numeric_limits<int>::max() || result < std::numeric_limits<int>::min())
        return -1;
    return static_cast<int>(result);
}
