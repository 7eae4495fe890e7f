// The main window on a real X display: its top corners are cut away by the window shape, its
// background picture is drawn, and it opens centred on the screen's free area. The search
// service is a fake, so nothing is searched.

#include "app/VesquorDlg.h"

#include "app/SearchWindowSupport.h"
#include "controls/ControlClassRegistry.h"
#include "platform/support/linux/WestonServer.h"
#include "platform/support/linux/XvfbServer.h"

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// Last: Xlib's macros clash with names in the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

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

// An application on one platform plugin for the life of a test; later tests of the program
// get the offscreen platform again.
class PlatformApplication
{
public:
    explicit PlatformApplication(const char* platform)
    {
        qputenv("QT_QPA_PLATFORM", platform);
        application = std::make_unique<QApplication>(argc, argv);
    }
    ~PlatformApplication()
    {
        application.reset();
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    PlatformApplication(const PlatformApplication&) = delete;
    PlatformApplication& operator=(const PlatformApplication&) = delete;

private:
    int argc = 1;
    char name[23] = "window_screenshot_test";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> application;
};

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
    {
        PlatformApplication application("xcb");
        FakeSearchService search;
        RecordingDesktop desktop;
        PreparedDataRoot root;
        ASSERT_TRUE(root.prepared);
        CVesquorDlg window({search.service, desktop.services, root.Path()});
        window.move(0, 0);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, kPatienceMs));

        // The server shows the window some time after it was exposed: the screen is taken
        // again until it is drawn, cut corner and all, and then what it shows is checked.
        const QPoint origin = window.geometry().topLeft();
        QImage shot;
        static_cast<void>(QTest::qWaitFor( // what it comes to is checked below
            [&] {
                shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
                return !shot.isNull() && Opaque(shot.pixel(origin)) == qRgb(0, 255, 0) &&
                       Opaque(shot.pixel(origin + QPoint(4, 120))) == qRgb(29, 35, 46);
            },
            kPatienceMs));
        ASSERT_FALSE(shot.isNull());
        EXPECT_EQ(Opaque(shot.pixel(origin)), qRgb(0, 255, 0)) << "the top-left corner is not cut away";
        EXPECT_EQ(Opaque(shot.pixel(origin + QPoint(1, 1))), qRgb(0, 255, 0));
        // Inside the outline the background picture shows (its colour at 4,120).
        EXPECT_EQ(Opaque(shot.pixel(origin + QPoint(4, 120))), qRgb(29, 35, 46));
        EXPECT_NE(Opaque(shot.pixel(origin + QPoint(3, 3))), qRgb(0, 255, 0));
    }
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
    {
        PlatformApplication application("xcb");
        for (const int language : {2, 3, 4}) { // Chinese simplified and traditional, Japanese
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
            EXPECT_NE(Drawn(*label->pFont, label->strText.left(1)),
                      Drawn(*label->pFont, label->strText.right(1)));
        }
    }
}

// A compositor draws the window's buffer and takes no mask into account: the cut corners
// must be transparent in the buffer itself, or they show black there.
TEST(WindowScreenshotTest, CutCornersShowTheDesktopUnderAWaylandCompositor)
{
    CWestonServer weston;
    if (!weston.IsRunning())
        GTEST_SKIP() << "weston is not available";
    {
        PlatformApplication application("wayland");
        FakeSearchService search;
        RecordingDesktop desktop;
        PreparedDataRoot root;
        ASSERT_TRUE(root.prepared);
        CVesquorDlg window({search.service, desktop.services, root.Path()});
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, kPatienceMs));

        // The window's own pixels: see-through in the corner, opaque inside.
        const QImage own = window.grab().toImage();
        EXPECT_EQ(qAlpha(own.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(own.pixel(4, 120)), 255);

        // The compositor places the window itself: find it as what is not the desktop's colour
        // (the output's top-left pixel; the compositor's colour handling shifts it a little).
        // It draws the window some time after it was exposed: the output is taken again until
        // the window shows whole, and then what it shows is checked.
        QImage shot;
        QRgb desktopColour = 0;
        QRect found;
        static_cast<void>(QTest::qWaitFor( // what it comes to is checked below
            [&] {
                shot = QImage(QString::fromStdString(weston.Screenshot()));
                if (shot.isNull())
                    return false;
                desktopColour = Opaque(shot.pixel(0, 0));
                found = {};
                for (int y = 0; y < shot.height(); ++y)
                    for (int x = 0; x < shot.width(); ++x)
                        if (Opaque(shot.pixel(x, y)) != desktopColour)
                            found |= QRect(x, y, 1, 1);
                return found.size() == window.size();
            },
            kPatienceMs));
        ASSERT_FALSE(shot.isNull());
        ASSERT_EQ(found.size(), window.size());
        EXPECT_EQ(Opaque(shot.pixel(found.topLeft())), desktopColour)
            << "the top-left corner is not see-through";
        EXPECT_EQ(Opaque(shot.pixel(found.topLeft() + QPoint(1, 1))), desktopColour);
        EXPECT_NE(Opaque(shot.pixel(found.topLeft() + QPoint(4, 120))), desktopColour);
    }
}

// Shows the main window on a platform of its own with the pointer at `pointer`, and returns
// where the window is once shown, along with the window's X id for a look from outside.
struct Placement
{
    QPoint at;
    QSize size;
};
Placement OpenWindowWithPointerAt(const QByteArray& platform, QPoint pointer,
                                  const std::function<void(unsigned long)>& whileShown = {})
{
    qputenv("QT_QPA_PLATFORM", platform);
    int argc = 1;
    char name[] = "window_placement_test";
    char* argv[] = {name, nullptr};
    Placement placement;
    {
        QApplication application(argc, argv);
        QCursor::setPos(pointer);
        FakeSearchService search;
        RecordingDesktop desktop;
        PreparedDataRoot root;
        EXPECT_TRUE(root.prepared);
        CVesquorDlg window({search.service, desktop.services, root.Path()});
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window, kPatienceMs));
        placement = {window.geometry().topLeft(), window.size()};
        if (whileShown)
            whileShown(window.winId());
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return placement;
}

TEST(WindowPlacementTest, OpensCentredOnTheFreeAreaOfTheScreen)
{
    CXvfbServer server("800x600x24");
    if (!server.IsRunning())
        GTEST_SKIP() << "Xvfb is not available";
    Display* x = XOpenDisplay(server.DisplayName().c_str());
    ASSERT_NE(x, nullptr);
    // A top panel of 40 pixels, as the window manager announces the free area.
    const long workArea[] = {0, 40, 800, 560};
    XChangeProperty(x, DefaultRootWindow(x), XInternAtom(x, "_NET_WORKAREA", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(workArea), 4);
    XSync(x, False);
    qputenv("DISPLAY", QByteArray::fromStdString(server.DisplayName()));

    const QPoint expected((800 - 328) / 2, 40 + (560 - 245) / 2);
    QPoint onServer;
    XSizeHints hints{};
    const Placement placement = OpenWindowWithPointerAt("xcb", {10, 10}, [&](unsigned long id) {
        // The server places the window some time after it was exposed: looked at from outside
        // until it stands where it belongs, and then compared.
        static_cast<void>(QTest::qWaitFor( // what it comes to is checked below
            [&] {
                Window child = 0;
                XTranslateCoordinates(x, id, DefaultRootWindow(x), 0, 0, &onServer.rx(), &onServer.ry(),
                                      &child);
                return onServer == expected;
            },
            kPatienceMs));
        long supplied = 0;
        XGetWMNormalHints(x, id, &hints, &supplied);
    });
    XCloseDisplay(x);
    EXPECT_EQ(placement.size, QSize(328, 245));
    EXPECT_EQ(placement.at, expected);
    EXPECT_EQ(onServer, expected);
    // Whatever the window tells the window manager about its position, it is not the corner.
    if (hints.flags & (USPosition | PPosition)) {
        EXPECT_EQ(QPoint(hints.x, hints.y), expected);
    }
}

TEST(WindowPlacementTest, OpensOnTheScreenThatHoldsThePointer)
{
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"screens": [{"name": "left", "x": 0, "y": 0, "width": 640, "height": 480},
                               {"name": "right", "x": 640, "y": 0, "width": 1024, "height": 768}]})");
    file.close();
    const QByteArray platform = "offscreen:configfile=" + config.toLocal8Bit();

    struct Case
    {
        QPoint pointer;
        QPoint expected;
    };
    const Case cases[] = {
        {{1000, 300}, {640 + (1024 - 328) / 2, (768 - 245) / 2}},
        {{20, 400}, {(640 - 328) / 2, (480 - 245) / 2}},
    };
    for (const Case& test : cases)
        EXPECT_EQ(OpenWindowWithPointerAt(platform, test.pointer).at, test.expected) << test.pointer.x();
}

} // namespace
