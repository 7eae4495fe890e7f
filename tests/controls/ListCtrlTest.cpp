#include "controls/StandardListCtrl.h"

#include "controls/QtTestApp.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QPainter>

namespace {

constexpr QRgb kBorder = 0xFF7E9DB9; // 126,157,185
constexpr QRgb kGreen = 0xFF00FF00;
constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kWhite = 0xFFFFFFFF;

class ListCtrlTest : public QtWidgetTest
{
protected:
    ListCtrlTest() { parent.resize(328, 245); }

    CStandardListCtrl& MakeList(int paintMode, float scale = 1.0f)
    {
        auto* list = new CStandardListCtrl(&parent);
        list->nPaintMode = paintMode;
        list->clrBorder = kBorder;
        list->setGeometry(10, 50, 308, 141);
        list->Header().SetHeightScale(scale);
        list->InsertColumn(0, QStringLiteral("Host Name"), Qt::AlignLeft, 96);
        list->InsertColumn(1, QStringLiteral("IP Address"), Qt::AlignCenter, 122);
        list->InsertColumn(2, QStringLiteral("Devcie Type"), Qt::AlignCenter, 93);
        parent.show();
        list->show();
        return *list;
    }

    // A green header background whose hidden right and bottom edges are red.
    QString HeaderBackground()
    {
        QImage picture(100, 20, QImage::Format_ARGB32);
        picture.fill(kRed);
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 50; ++x)
                picture.setPixel(x, y, kGreen);
        const QString path = dir.filePath("headerbackground.png");
        picture.save(path);
        return path;
    }

    QTemporaryDir dir;
    QWidget parent;
};

TEST_F(ListCtrlTest, HeaderHeightIsScaledAndRowsBeginBelowIt)
{
    CStandardListCtrl& plain = MakeList(0);
    CStandardListCtrl& scaled = MakeList(0, 0.9f);
    for (CStandardListCtrl* list : {&plain, &scaled})
        list->SetHeaderFont(QStringLiteral("Tahoma"), 0); // no titles: the scale alone
    const int systemHeight = plain.header()->height();
    ASSERT_GT(systemHeight, 0);
    EXPECT_EQ(scaled.header()->height(), static_cast<int>(0.9f * static_cast<float>(systemHeight)));
    EXPECT_EQ(scaled.viewport()->geometry().top(), scaled.header()->height());

    scaled.InsertItem(0, {QStringLiteral("nas"), QStringLiteral("192.0.2.7"), QStringLiteral("HomeNas")});
    EXPECT_EQ(scaled.visualItemRect(scaled.topLevelItem(0)).top(), 0);
}

TEST_F(ListCtrlTest, HeaderHoldsItsTitlesWholeInTheFaceItDrawsAndRowsBeginBelowIt)
{
    CStandardListCtrl& untitled = MakeList(0, 0.9f);
    untitled.SetHeaderFont(QStringLiteral("Tahoma"), 0);
    const int scaledHeight = untitled.header()->height();
    // The layout's face and size; taller faces, as a system without that face draws instead.
    for (const auto& [face, size] : {std::pair{"Tahoma", 12}, {"DejaVu Serif", 20}, {"DejaVu Serif", 30}}) {
        SCOPED_TRACE(testing::Message() << face << " " << size);
        CStandardListCtrl& list = MakeList(0, 0.9f);
        list.Header().SetStateImage(HeaderBackground(), 1, 0, 0);
        list.setColumnWidth(1, 0); // one title, without descenders
        list.setColumnWidth(2, 0);
        list.InsertItem(0, {QStringLiteral("disk2"), QStringLiteral("192.0.2.42")});
        list.InsertItem(1, {QStringLiteral("disk1"), QStringLiteral("192.0.2.41")});
        list.SetHeaderFont(QString::fromLatin1(face), size);

        const QRect header = list.header()->geometry();
        EXPECT_GE(header.height(), scaledHeight);
        QImage whole(300, 100, QImage::Format_ARGB32);
        whole.fill(kGreen);
        QPainter painter(&whole);
        painter.setFont(*list.Header().pFont);
        painter.drawText(whole.rect(), Qt::AlignCenter, QStringLiteral("Host Name"));
        painter.end();
        const QRect wholeInk = InkBox(whole, kGreen);
        const QRect ink = InkBox(Grab(list.Header()), kGreen);
        ASSERT_TRUE(ink.isValid());
        EXPECT_GT(ink.top(), 0); // a title cut by the header's edges reaches them
        EXPECT_LT(ink.bottom(), header.height() - 1);
        EXPECT_LE(std::abs(ink.height() - wholeInk.height()), 1);

        EXPECT_EQ(list.viewport()->geometry().top(), header.bottom() + 1);
        const QRect first = list.visualItemRect(list.topLevelItem(0));
        const QRect second = list.visualItemRect(list.topLevelItem(1));
        EXPECT_EQ(first.top(), 0);
        EXPECT_EQ(second.top(), first.bottom() + 1);
        EXPECT_EQ(first.height(), second.height());
    }
}

TEST_F(ListCtrlTest, BorderBitDrawsAOnePixelFrameAndShrinksTheClientArea)
{
    CStandardListCtrl& list = MakeList(kPaintBorder);
    const QImage shot = Grab(list);
    EXPECT_TRUE(AllPixels(shot, QRect(0, 0, 308, 1), kBorder));
    EXPECT_TRUE(AllPixels(shot, QRect(0, 140, 308, 1), kBorder));
    EXPECT_TRUE(AllPixels(shot, QRect(0, 0, 1, 141), kBorder));
    EXPECT_TRUE(AllPixels(shot, QRect(307, 0, 1, 141), kBorder));
    EXPECT_EQ(list.header()->geometry().topLeft(), QPoint(1, 1));
    EXPECT_EQ(list.contentsRect(), QRect(1, 1, 306, 139));
    EXPECT_EQ(list.viewport()->geometry().left(), 1);
}

TEST_F(ListCtrlTest, HeaderStretchesOnlyTheShownPartOfItsPicture)
{
    CStandardListCtrl& list = MakeList(0);
    list.Header().SetStateImage(HeaderBackground(), 1, 0, 0);
    list.SetHeaderFont(QStringLiteral("Tahoma"), 0); // no titles
    const QImage header = Grab(list.Header());
    EXPECT_TRUE(AllPixels(header, header.rect(), kGreen));
}

TEST_F(ListCtrlTest, SeparatorsSitAtColumnEdgesAndSkipZeroWidthColumns)
{
    CStandardListCtrl& list = MakeList(0);
    list.Header().SetStateImage(HeaderBackground(), 1, 0, 0);
    list.SetHeaderFont(QStringLiteral("Tahoma"), 0);
    list.SetSeparatorImage(WriteStrip(dir, "headerclip.png", {kRed}, 1, 6));
    list.setColumnWidth(0, 0);

    QImage header = Grab(list.Header());
    EXPECT_EQ(PixelAt(header, 0, 4), kGreen); // column 0 has no width: no separator
    EXPECT_EQ(PixelAt(header, 122, 4), kRed);
    EXPECT_EQ(PixelAt(header, 122, 3), kGreen);
    EXPECT_EQ(PixelAt(header, 215, 9), kRed);

    list.Header().nScrollX = 10;
    header = Grab(list.Header());
    EXPECT_EQ(PixelAt(header, 112, 4), kRed);
    EXPECT_EQ(PixelAt(header, 122, 4), kGreen);
}

TEST_F(ListCtrlTest, TitlesAreCentredInTheirColumnsInTheHeadersColour)
{
    CStandardListCtrl& list = MakeList(0);
    list.Header().SetStateImage(HeaderBackground(), 1, 0, 0);
    list.SetHeaderFont(QStringLiteral("Tahoma"), 12);
    list.SetHeaderTextColor(std::wstring_view(L"244,245,247"));
    list.SetHeaderTextColor(std::wstring_view(L"12,34")); // not a colour: kept
    EXPECT_EQ(list.Header().clrText, 0xFFF4F5F7u);
    list.setColumnWidth(1, 0);
    list.setColumnWidth(2, 0);

    const QImage header = Grab(list.Header());
    const QRect ink = InkBox(header, kGreen);
    ASSERT_TRUE(ink.isValid());
    EXPECT_LT(ink.right(), 96); // only column 0 has a title
    EXPECT_LE(std::abs(ink.left() - (96 - 1 - ink.right())), 2);
}

TEST_F(ListCtrlTest, RowsAreInsertedReadSelectedAndDeleted)
{
    CStandardListCtrl& list = MakeList(kPaintBorder);
    list.SetExtendedStyle(list.GetExtendedStyle() | 0x23);
    EXPECT_EQ(list.selectionBehavior(), QAbstractItemView::SelectRows);
    list.InsertItem(0, {QStringLiteral("first"), QStringLiteral("192.0.2.1"), QStringLiteral("A")});
    list.InsertItem(0, {QStringLiteral("second"), QStringLiteral("192.0.2.2"), QStringLiteral("B")});
    EXPECT_EQ(list.GetItemText(0, 1), QStringLiteral("192.0.2.2"));
    EXPECT_EQ(list.GetItemText(1, 0), QStringLiteral("first"));
    EXPECT_EQ(list.topLevelItem(0)->textAlignment(1) & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);

    EXPECT_EQ(list.GetFirstSelectedItem(), -1);
    list.topLevelItem(1)->setSelected(true);
    EXPECT_EQ(list.GetFirstSelectedItem(), 1);
    list.topLevelItem(0)->setSelected(true);
    EXPECT_EQ(list.GetFirstSelectedItem(), 0);

    list.DeleteAllItems(); // rows only: the columns stay
    EXPECT_EQ(list.GetFirstSelectedItem(), -1);
    EXPECT_EQ(list.headerItem()->text(2), QStringLiteral("Devcie Type"));
}

TEST_F(ListCtrlTest, CellTextsFollowTheirColumnAlignmentAndStayInsideTheirCell)
{
    CStandardListCtrl& list = MakeList(0);
    list.SetTextColor(0xFF000000);
    QPalette colours = list.palette();
    colours.setColor(QPalette::Base, Qt::white);
    list.setPalette(colours);
    list.setColumnWidth(2, 80);
    list.InsertItem(0, {QStringLiteral("HHH"), QStringLiteral("HHH"),
                        QStringLiteral("HHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHH")});
    const QImage rows = Grab(*list.viewport());
    const QRect row = list.visualItemRect(list.topLevelItem(0));
    const QRect left = InkBox(rows.copy(0, row.top(), 96, row.height()), kWhite);
    const QRect centred = InkBox(rows.copy(96, row.top(), 122, row.height()), kWhite);
    const QRect cut = InkBox(rows.copy(218, row.top(), 80, row.height()), kWhite);
    ASSERT_TRUE(left.isValid() && centred.isValid() && cut.isValid());
    EXPECT_LT(left.left(), 10);
    EXPECT_LE(std::abs(centred.left() - (122 - 1 - centred.right())), 2);
    EXPECT_LT(cut.right(), 80 - 1); // the overlong text is cut inside its own cell
}

} // namespace
