// The main window on a real X display: its top corners are cut away by the window shape, its
// background picture is drawn, and it opens centred on the screen's free area. The search
// service is a fake, so nothing is searched.

#include "app/VesquorDlg.h"

#include "app/SearchWindowSupport.h"
#include "platform/support/XvfbServer.h"

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

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
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
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
        QTest::qWait(100);
        Window child = 0;
        XTranslateCoordinates(x, id, DefaultRootWindow(x), 0, 0, &onServer.rx(), &onServer.ry(), &child);
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
