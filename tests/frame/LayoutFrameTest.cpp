#include "frame/BasicLayoutFrame.h"

#include "app/DataFolder.h"
#include "controls/BasicListCtrl.h"
#include "controls/BasicPropertyFrame.h"
#include "controls/ControlClassRegistry.h"
#include "controls/ControlId.h"
#include "controls/OffscreenBuffer.h"
#include "controls/StandardButton.h"

#include "controls/QtTestApp.h"
#include "support/TestSystem.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

// A frame whose controls go into a plain parent window, as a dialog's do.
class TestFrame : public CBasicLayoutFrame
{
public:
    TestFrame(QWidget& window, std::wstring dataRoot)
        : CBasicLayoutFrame([root = std::move(dataRoot)] { return root; }), parent(window)
    {
    }

    void ApplyCtrlInfo() override
    {
        CBasicLayoutFrame::ApplyCtrlInfo();
        CreateLayoutControls(&parent);
    }

private:
    QWidget& parent;
};

std::vector<int> ChildIds(const QWidget& parent)
{
    std::vector<int> ids;
    for (const QObject* child : parent.children()) {
        if (const auto* widget = qobject_cast<const QWidget*>(child); widget && GetDlgCtrlID(*widget) != 0)
            ids.push_back(GetDlgCtrlID(*widget));
    }
    return ids;
}

class LayoutFrameTest : public QtWidgetTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(CDataFolder(Root(), 1).PrepareDataFolder());
    }

    std::wstring Root() const { return root.path().toStdWString(); }

    void LoadShipped()
    {
        frame.LoadLayout(std::wstring(kDataFolderName) + kLayoutFileName, 201, L"Standard");
    }

    // A layout with the given control elements for dialog 201, skin Standard.
    void LoadControls(const QString& controls)
    {
        const QString path = root.filePath(QStringLiteral("custom.xml"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("<WindowInformation><DialogInfo DialogID=\"201\" DialogText=\"t\">"
                                  "<Standard DialogPos=\"0,0,300,200\">%1</Standard></DialogInfo>"
                                  "</WindowInformation>")
                       .arg(controls)
                       .toUtf8());
        file.close();
        frame.LoadLayoutFile(path.toStdWString(), 201, L"Standard");
    }

    QTemporaryDir root;
    QWidget parent;
    TestFrame frame{parent, Root()};
};

QString Control(int id, const QString& ctrlClass, const QString& more = {})
{
    return QStringLiteral(
               "<CtrlInfo CtrlID=\"%1\" CtrlClass=\"%2\" CtrlPos=\"1,2,30,20\" CtrlShow=\"5\" %3/>")
        .arg(id)
        .arg(ctrlClass, more);
}

// What a tooltip shows: markup when Qt takes the text for rich text, else the text itself.
QString ShownToolTip(const QWidget& widget)
{
    const QString tip = widget.toolTip();
    if (!Qt::mightBeRichText(tip))
        return tip;
    QTextDocument shown;
    shown.setHtml(tip);
    return shown.toPlainText();
}

// Paints itself through an off-screen image, as every skinned control does.
class BufferedWidget : public QWidget
{
public:
    void paintEvent(QPaintEvent*) override
    {
        buffer.Paint(*this, [this](QPainter& painter) {
            surfaceSize = buffer.Image().size();
            painter.fillRect(0, 0, 10, 10, Qt::red);
        });
    }
    COffscreenBuffer buffer;
    QSize surfaceSize;
};

TEST_F(LayoutFrameTest, ShippedLayoutCreatesItsNineControlsClassByClass)
{
    LoadShipped();
    EXPECT_EQ(frame.mapButtonCtrls.size(), 4u);
    EXPECT_EQ(frame.mapShowCtrls.size(), 4u);
    EXPECT_EQ(frame.mapListCtrls.size(), 1u);
    // Factory order: the buttons, the text, the image, the text-over-images, the list.
    EXPECT_EQ(ChildIds(parent), (std::vector<int>{2103, 2107, 2108, 2109, 2102, 2101, 2104, 2106, 2105}));

    QWidget* close = frame.FindButtonCtrl(2103);
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->geometry(), QRect(300, 10, 11, 11));
    EXPECT_EQ(PropertyFrameOf(close)->nStateCount, 4);
    EXPECT_EQ(PropertyFrameOf(close)->nStateWidth, 11); // the picture was found in the data folder
    EXPECT_EQ(frame.FindButtonCtrl(2106), nullptr);     // a display control is no button
    EXPECT_NE(frame.FindShowCtrl(2106), nullptr);
    EXPECT_EQ(frame.FindListCtrl(2103), nullptr);
}

TEST_F(LayoutFrameTest, LoadingAgainReplacesControlsAndFonts)
{
    LoadShipped();
    QPointer<QWidget> first = frame.FindListCtrl(2105);
    LoadShipped();
    EXPECT_TRUE(first.isNull()); // the earlier control and its window are gone
    EXPECT_EQ(ChildIds(parent).size(), 9u);
    EXPECT_EQ(frame.mapButtonCtrls.size() + frame.mapShowCtrls.size() + frame.mapListCtrls.size(), 9u);
    EXPECT_EQ(frame.vecGdiObjects.size(), 1u); // the list's font of this load only

    // A load that fails still applies: an empty layout without controls.
    frame.LoadLayoutFile(L"/nonexistent/layout.xml", 201, L"Standard");
    EXPECT_TRUE(ChildIds(parent).empty());
    EXPECT_TRUE(frame.vecGdiObjects.empty());
}

TEST_F(LayoutFrameTest, EachClassGetsOnlyItsOwnSteps)
{
    const QString image =
        QStringLiteral("CtrlBGPath=\"\\ZandovertSearchTools\\Picture\\close.png\" CtrlBGStatusCount=\"4\"");
    const QString text = QStringLiteral("CtrlText=\"words\" CtrlTextOffSet=\"3,4\" "
                                        "CtrlDiscrip=\"&lt;b&gt;hint&lt;/b&gt;&lt;img src='/dev/zero'&gt;\" "
                                        "CtrlFont=\"Tahoma\" CtrlFontSize=\"13\" CtrlTextColor=\"6,65,105\"");
    LoadControls(
        Control(1, "ShowImageCtrl", image + " " + text) + Control(2, "ShowTextCtrl", image + " " + text) +
        Control(3, "DriftButton", image + " " + text) + Control(4, "StandardButton", image + " " + text) +
        Control(5, "StandardListCtrl", text + " CtrlBGColor=\"1,2,3\" CtrlPaintMode=\"3\"") +
        Control(6, "NoSuchCtrl", text));

    CBasicPropertyFrame* imageCtrl = PropertyFrameOf(frame.FindShowCtrl(1));
    ASSERT_NE(imageCtrl, nullptr);
    EXPECT_FALSE(imageCtrl->pImage.isNull());
    EXPECT_TRUE(imageCtrl->strText.isEmpty());

    CBasicPropertyFrame* textCtrl = PropertyFrameOf(frame.FindShowCtrl(2));
    ASSERT_NE(textCtrl, nullptr);
    EXPECT_TRUE(textCtrl->pImage.isNull());
    EXPECT_EQ(textCtrl->strText, QStringLiteral("words"));
    EXPECT_EQ(textCtrl->nTextX, 3);
    EXPECT_EQ(textCtrl->pFont->pixelSize(), 13);
    EXPECT_EQ(textCtrl->clrText, qRgb(6, 65, 105));

    ASSERT_NE(frame.FindButtonCtrl(3), nullptr);
    // The description is shown as the text it is, never as markup.
    EXPECT_EQ(ShownToolTip(*frame.FindButtonCtrl(3)), QStringLiteral("<b>hint</b><img src='/dev/zero'>"));
    ASSERT_NE(frame.FindButtonCtrl(4), nullptr);
    EXPECT_TRUE(frame.FindButtonCtrl(4)->toolTip().isEmpty());

    auto* list = qobject_cast<CBasicListCtrl*>(frame.FindListCtrl(5));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->font().pixelSize(), 13);
    EXPECT_EQ(list->GetTextColor(), qRgb(6, 65, 105));
    EXPECT_EQ(list->clrBack, qRgb(1, 2, 3));
    EXPECT_EQ(list->nPaintMode, 3);
    ASSERT_EQ(frame.vecGdiObjects.size(), 1u);
    EXPECT_EQ(frame.vecGdiObjects[0]->pixelSize(), 13);

    // A class no factory knows gets no control anywhere.
    EXPECT_EQ(ChildIds(parent), (std::vector<int>{4, 3, 2, 1, 5}));
}

TEST_F(LayoutFrameTest, ControlsDestroyedByTheirParentAreNotDeletedAgain)
{
    auto ownParent = std::make_unique<QWidget>();
    auto owned = std::make_unique<TestFrame>(*ownParent, Root());
    owned->LoadLayout(std::wstring(kDataFolderName) + kLayoutFileName, 201, L"Standard");
    ownParent.reset();
    EXPECT_EQ(owned->FindButtonCtrl(2103), nullptr);
    owned.reset(); // releases nothing twice
}

TEST_F(LayoutFrameTest, ButtonsAndDisplayControlsCaptureTheParentBackground)
{
    LoadShipped();
    QImage surface(328, 245, QImage::Format_ARGB32_Premultiplied);
    surface.fill(Qt::black);
    QPainter(&surface).fillRect(QRect(300, 10, 11, 11), Qt::green);
    frame.RefreshCtrlBackgrounds(surface, &parent);

    const QImage& underClose = PropertyFrameOf(frame.FindButtonCtrl(2103))->dcBackground;
    ASSERT_EQ(underClose.size(), QSize(11, 11));
    EXPECT_EQ(underClose.pixel(5, 5), qRgb(0, 255, 0));
    EXPECT_EQ(PropertyFrameOf(frame.FindShowCtrl(2106))->dcBackground.size(), QSize(280, 15));
    EXPECT_TRUE(PropertyFrameOf(frame.FindListCtrl(2105))->dcBackground.isNull());
}

// A layout in the user's folder is input: numbers far out of range, a control larger than any
// screen, and pictures that are no regular file or too large neither crash, hang nor exhaust
// memory.
TEST_F(LayoutFrameTest, HostileLayoutStaysBounded)
{
    const QString pictures = root.filePath(QStringLiteral("ZandovertSearchTools/Picture/"));
    const QByteArray fifo = QFile::encodeName(pictures + QStringLiteral("fifo.png"));
    // Windows has no FIFOs; a folder is no file either.
    ASSERT_TRUE(testsystem::IsWindows() ? QDir(pictures).mkdir(QStringLiteral("fifo.png"))
                                        : testsystem::MakeFifo(fifo.constData()));
    QFile big(pictures + QStringLiteral("big.png"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    QFile close(pictures + QStringLiteral("close.png"));
    ASSERT_TRUE(close.open(QIODevice::ReadOnly));
    big.write(close.readAll() + QByteArray(kMaxSkinImageBytes, '\0')); // decodes, but is too large
    big.close();
    ASSERT_TRUE(
        QFile::copy(pictures + QStringLiteral("close.png"), pictures + QStringLiteral("png-named.bmp")));
    LoadControls(QStringLiteral(
        "<CtrlInfo CtrlID=\"1\" CtrlClass=\"ShowTextCtrl\" CtrlPos=\"2147483647,0,10,10\" CtrlShow=\"5\" "
        "CtrlText=\"x\" CtrlTextOffSet=\"2147483647,-2147483648\" CtrlFontSize=\"12\"/>"
        "<CtrlInfo CtrlID=\"2\" CtrlClass=\"StandardButton\" CtrlPos=\"0,0,30000,30000\" CtrlShow=\"5\" "
        "CtrlPaintMode=\"4\" CtrlBGStatusCount=\"4\" "
        "CtrlBGPath=\"\\ZandovertSearchTools\\Picture\\fifo.png\"/>"
        "<CtrlInfo CtrlID=\"3\" CtrlClass=\"ShowImageCtrl\" CtrlPos=\"0,0,10,10\" CtrlShow=\"5\" "
        "CtrlBGPath=\"\\ZandovertSearchTools\\Picture\\big.png\"/>"
        "<CtrlInfo CtrlID=\"4\" CtrlClass=\"ShowImageCtrl\" CtrlPos=\"0,0,10,10\" CtrlShow=\"5\" "
        "CtrlBGPath=\"\\ZandovertSearchTools\\Picture\\close.png\"/>"
        "<CtrlInfo CtrlID=\"5\" CtrlClass=\"ShowImageCtrl\" CtrlPos=\"0,0,10,10\" CtrlShow=\"5\" "
        "CtrlBGPath=\"\\ZandovertSearchTools\\Picture\\png-named.bmp\"/>"));

    ASSERT_NE(frame.FindShowCtrl(1), nullptr);
    EXPECT_EQ(frame.FindShowCtrl(1)->geometry(), QRect(32767, 0, 10, 10));
    EXPECT_EQ(PropertyFrameOf(frame.FindShowCtrl(1))->nTextX, 32767);
    EXPECT_EQ(PropertyFrameOf(frame.FindShowCtrl(1))->nTextY, -32767);
    ASSERT_NE(frame.FindButtonCtrl(2), nullptr);
    EXPECT_TRUE(PropertyFrameOf(frame.FindButtonCtrl(2))->pImage.isNull()); // returned at once
    EXPECT_TRUE(PropertyFrameOf(frame.FindShowCtrl(3))->pImage.isNull());
    EXPECT_FALSE(PropertyFrameOf(frame.FindShowCtrl(4))->pImage.isNull());
    EXPECT_FALSE(PropertyFrameOf(frame.FindShowCtrl(5))->pImage.isNull()); // known by its content

    // Off-screen images of the huge button stay within the screen.
    const QSize screen = QGuiApplication::primaryScreen()->size();
    QImage surface(300, 200, QImage::Format_ARGB32_Premultiplied);
    surface.fill(Qt::white);
    frame.RefreshCtrlBackgrounds(surface, &parent);
    const QSize captured = PropertyFrameOf(frame.FindButtonCtrl(2))->dcBackground.size();
    EXPECT_TRUE(captured.width() <= screen.width() && captured.height() <= screen.height());
    frame.FindButtonCtrl(2)->move(-5, -5); // partly outside the parent
    frame.RefreshCtrlBackgrounds(surface, &parent);
    const QImage& under = PropertyFrameOf(frame.FindButtonCtrl(2))->dcBackground;
    EXPECT_TRUE(under.width() <= screen.width() && under.height() <= screen.height());
    EXPECT_EQ(under.pixel(5, 5), qRgb(255, 255, 255));
    EXPECT_EQ(under.pixel(4, 4), 0u); // outside the parent: blank

    BufferedWidget huge;
    huge.resize(30000, 30000);
    QImage shot(10, 10, QImage::Format_ARGB32_Premultiplied);
    huge.render(&shot, QPoint(), QRegion(0, 0, 10, 10));
    EXPECT_EQ(huge.surfaceSize, screen.boundedTo(huge.size()));
    EXPECT_EQ(shot.pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_TRUE(huge.buffer.Image().isNull()); // the backing store keeps the pixels, not a second copy
}

} // namespace
