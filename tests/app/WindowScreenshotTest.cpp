// The main window on a real X display: its top corners are cut away by the window shape and
// its background picture is drawn. The search service is a fake, so nothing is searched.

#include "app/VesquorDlg.h"

#include "app/SearchWindowSupport.h"
#include "controls/ControlClassRegistry.h"
#include "platform/support/XvfbServer.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

// Last: Xlib's macros clash with names in the headers above.
#include <X11/Xlib.h>

namespace {

constexpr unsigned long kRootGreen = 0x00FF00;

// Paints the root window green, so whatever the window does not cover is told apart. The
// connection stays open: the server resets the root window when its last client leaves.
class GreenRoot
{
public:
    explicit GreenRoot(const std::string& display) : connection(XOpenDisplay(display.c_str()))
    {
        if (!connection)
            return;
        const Window root = DefaultRootWindow(connection);
        XSetWindowBackground(connection, root, kRootGreen);
        XClearWindow(connection, root);
        XSync(connection, False);
    }
    ~GreenRoot()
    {
        if (connection)
            XCloseDisplay(connection);
    }
    GreenRoot(const GreenRoot&) = delete;
    GreenRoot& operator=(const GreenRoot&) = delete;

    bool IsPainted() const { return connection != nullptr; }

private:
    Display* connection;
};

QRgb Opaque(QRgb pixel)
{
    return pixel | 0xFF000000u;
}

QImage Drawn(const QFont& font, const QString& text)
{
    QImage image(40, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(4, 28, text);
    return image;
}

TEST(WindowScreenshotTest, ShapedSkinnedWindowOnARealDisplay)
{
    CXvfbServer server;
    if (!server.IsRunning())
        GTEST_SKIP() << "Xvfb is not available";
    const GreenRoot green(server.DisplayName());
    ASSERT_TRUE(green.IsPainted());
    qputenv("DISPLAY", QByteArray::fromStdString(server.DisplayName()));
    qputenv("QT_QPA_PLATFORM", "xcb");

    int argc = 1;
    char name[] = "window_screenshot_test";
    char* argv[] = {name, nullptr};
    {
        QApplication application(argc, argv);
        FakeSearchService search;
        RecordingDesktop desktop;
        PreparedDataRoot root;
        ASSERT_TRUE(root.prepared);
        CVesquorDlg window({search.service, desktop.services, root.Path()});
        window.move(0, 0);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(300);

        const QImage shot = application.primaryScreen()->grabWindow(0).toImage();
        ASSERT_FALSE(shot.isNull());

        const QPoint origin = window.geometry().topLeft();
        EXPECT_EQ(Opaque(shot.pixel(origin)), qRgb(0, 255, 0)) << "the top-left corner is not cut away";
        EXPECT_EQ(Opaque(shot.pixel(origin + QPoint(1, 1))), qRgb(0, 255, 0));
        // Inside the outline the background picture shows (its colour at 4,120).
        EXPECT_EQ(Opaque(shot.pixel(origin + QPoint(4, 120))), qRgb(29, 35, 46));
        EXPECT_NE(Opaque(shot.pixel(origin + QPoint(3, 3))), qRgb(0, 255, 0));
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

// With a CJK face installed (the test set-up installs a small one), the Japanese and Chinese
// windows draw glyphs in the layouts' faces: drawn as boxes, two different characters would
// give the same pixels.
TEST(WindowScreenshotTest, JapaneseAndChineseTextsAreGlyphsNotBoxes)
{
    CXvfbServer server;
    if (!server.IsRunning())
        GTEST_SKIP() << "Xvfb is not available";
    qputenv("DISPLAY", QByteArray::fromStdString(server.DisplayName()));
    qputenv("QT_QPA_PLATFORM", "xcb");

    int argc = 1;
    char name[] = "window_screenshot_test";
    char* argv[] = {name, nullptr};
    {
        QApplication application(argc, argv);
        for (const int language : {2, 3, 4}) {  // Chinese simplified and traditional, Japanese
            FakeSearchService search;
            RecordingDesktop desktop;
            PreparedDataRoot root(language);
            ASSERT_TRUE(root.prepared);
            CVesquorDlg window({search.service, desktop.services, root.Path()});
            window.show();
            // The list's label: its face is the layout's CJK face ("MS Mincho", "SimSun", ...).
            const CBasicPropertyFrame* label = PropertyFrameOf(window.FindShowCtrl(2104));
            ASSERT_TRUE(label && label->pFont);
            SCOPED_TRACE(label->pFont->family().toStdString());
            EXPECT_NE(Drawn(*label->pFont, QStringLiteral("一")), Drawn(*label->pFont, QStringLiteral("口")));
            EXPECT_NE(Drawn(*label->pFont, label->strText.left(1)), Drawn(*label->pFont, label->strText.right(1)));
        }
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace
