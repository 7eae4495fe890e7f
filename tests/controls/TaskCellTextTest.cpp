#include "controls/TaskCellText.h"

#include "controls/QtTestApp.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

class TaskCellTextTest : public QtWidgetTest
{
protected:
    TaskCellTextTest() : metrics(font) {}

    QFont font{QStringLiteral("DejaVu Sans"), 10};
    QFontMetrics metrics;
};

TEST_F(TaskCellTextTest, EllipsisFollowsTheLastWholeWordThatFits)
{
    const QString text = QStringLiteral("backup of the photo library");
    EXPECT_EQ(ElideAtWord(metrics, text, metrics.horizontalAdvance(text)), text);

    const int room = metrics.horizontalAdvance(QStringLiteral("backup of the pho..."));
    EXPECT_EQ(ElideAtWord(metrics, text, room), QStringLiteral("backup of the..."));

    // A first word too long for the cell is cut inside itself.
    const QString cut = ElideAtWord(metrics, QStringLiteral("Supercalifragilistic"), 40);
    EXPECT_LE(metrics.horizontalAdvance(cut), 40);
    EXPECT_TRUE(cut.startsWith(QStringLiteral("Su")));
}

TEST_F(TaskCellTextTest, MoreThanOneLineWhenTheTextWrapsAtTheWidth)
{
    const QString words = QStringLiteral("one two three four");
    EXPECT_FALSE(NeedsMoreThanOneLine(font, words, metrics.horizontalAdvance(words) + 2));
    EXPECT_TRUE(NeedsMoreThanOneLine(font, words, metrics.horizontalAdvance(words) / 2));
    // A single word wider than the column wraps inside itself.
    EXPECT_TRUE(NeedsMoreThanOneLine(font, QStringLiteral("\\\\server\\share\\folder\\file.dat"), 30));
    EXPECT_TRUE(NeedsMoreThanOneLine(font, QStringLiteral("a\nb"), 200));
    EXPECT_FALSE(NeedsMoreThanOneLine(font, QString(), 50));
}

TEST(TaskStatusTest, IconFollowsTheStatusCodeThenTheFlags)
{
    EXPECT_EQ(StatusIconIndex(QStringLiteral("R"), {}, {}), 0);
    EXPECT_EQ(StatusIconIndex(QStringLiteral("R"), QStringLiteral("1"), QStringLiteral("1")), 4);
    EXPECT_EQ(StatusIconIndex(QStringLiteral("J"), {}, {}), 4);
    EXPECT_EQ(StatusIconIndex(QStringLiteral("D"), {}, {}), 3);
    // The flag in sub-item 14 matters only for codes without an icon of their own.
    EXPECT_EQ(StatusIconIndex(QStringLiteral("S"), QStringLiteral("1"), {}), 1);
    EXPECT_EQ(StatusIconIndex(QStringLiteral("r"), QStringLiteral("1"), {}), 3);
    EXPECT_EQ(StatusIconIndex(QString(), {}, QStringLiteral("1")), -1);
}

TEST(TaskPercentTest, LeadingNumberAndRoundedShare)
{
    EXPECT_EQ(LeadingInteger(QStringLiteral("42%")), 42);
    EXPECT_EQ(LeadingInteger(QStringLiteral("  -7 %")), -7);
    EXPECT_EQ(LeadingInteger(QStringLiteral("%")), 0);
    EXPECT_EQ(LeadingInteger(QStringLiteral("99999999999%")), std::numeric_limits<int>::max());

    EXPECT_EQ(ScaleRounded(42, 100, 100), 42);
    EXPECT_EQ(ScaleRounded(42, 150, 100), 63);
    EXPECT_EQ(ScaleRounded(1, 50, 100), 1); // halves round away from zero
    EXPECT_EQ(ScaleRounded(-1, 50, 100), -1);
    EXPECT_EQ(ScaleRounded(std::numeric_limits<int>::max(), 100, 1), -1);
    EXPECT_EQ(ScaleRounded(5, 5, 0), -1);
}

} // namespace
