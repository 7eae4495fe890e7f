#pragma once

// Shared set-up for widget tests: one QApplication per test program (offscreen on Linux), skin
// pictures made on the fly, and pixel helpers for grabbed widgets.

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QStyleHints>
#include <QTemporaryDir>
#include <QWidget>

#include <cstddef>
#include <memory>
#include <vector>

#include "support/TestSystem.h"

// One application per test program, made before the first test and deleted after the last
// one, while Qt's own globals still exist (a static application would outlive them).
class QtAppEnvironment : public ::testing::Environment
{
public:
    static QApplication& App()
    {
        if (!app) {
            // The Windows build has the "windows" platform only, its default.
            if (!testsystem::IsWindows() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            app = std::make_unique<QApplication>(argc, argv);
        }
        return *app;
    }

    void SetUp() override { App(); }
    void TearDown() override { app.reset(); }

private:
    static inline int argc = 1;
    static inline char name[] = "controls_test";
    static inline char* argv[] = {name, nullptr};
    static inline std::unique_ptr<QApplication> app;
};

inline const bool kQtAppEnvironmentAdded = (::testing::AddGlobalTestEnvironment(new QtAppEnvironment), true);

// A picture of side-by-side solid strips, one colour per state, saved as PNG in `dir`.
inline QString WriteStrip(const QTemporaryDir& dir, const QString& name, const std::vector<QRgb>& colours,
                          int stateWidth, int height)
{
    QImage strip(stateWidth * static_cast<int>(colours.size()), height, QImage::Format_ARGB32);
    for (int state = 0; state < static_cast<int>(colours.size()); ++state) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < stateWidth; ++x)
                strip.setPixel(state * stateWidth + x, y, colours[static_cast<std::size_t>(state)]);
    }
    const QString path = dir.filePath(name);
    strip.save(path, "PNG");
    return path;
}

inline QImage Grab(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

inline QRgb PixelAt(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xFF000000u;
}

// The smallest rectangle holding every pixel of `image` that is not `background`.
inline QRect InkBox(const QImage& image, QRgb background)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (PixelAt(image, x, y) != (background | 0xFF000000u))
                box |= QRect(x, y, 1, 1);
    return box;
}

// True when every pixel of `area` in `image` is `colour`.
inline bool AllPixels(const QImage& image, const QRect& area, QRgb colour)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (PixelAt(image, x, y) != (colour | 0xFF000000u))
                return false;
    return true;
}

// One mouse event sent to `widget` at a point of it; `held` are the buttons down after it.
inline void SendMouse(QWidget& widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
                      Qt::MouseButtons held)
{
    QMouseEvent event(type, at, widget.mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

// A gesture on a window's caption strip: a press, perhaps its release, then one move; and how
// many window moves it must start.
struct CaptionGesture
{
    const char* name;
    QPoint at;
    Qt::MouseButton button;
    bool releaseFirst;
    QPoint by;
    std::size_t starts;
};

// The gestures for a widget whose row `lastStripY` is the strip's last one.
inline std::vector<CaptionGesture> CaptionGestures(int lastStripY)
{
    const int distance = QGuiApplication::styleHints()->startDragDistance();
    const QPoint inStrip(10, lastStripY);
    return {
        {"drag past the drag distance", inStrip, Qt::LeftButton, false, {distance, 0}, 1},
        {"quick click", inStrip, Qt::LeftButton, true, {0, 0}, 0},
        {"click, then a move without the button", inStrip, Qt::LeftButton, true, {2 * distance, 0}, 0},
        {"drag short of the drag distance", inStrip, Qt::LeftButton, false, {distance - 1, 0}, 0},
        {"drag from below the strip", inStrip + QPoint(0, 1), Qt::LeftButton, false, {0, 2 * distance}, 0},
        {"right-button drag", inStrip, Qt::RightButton, false, {2 * distance, 0}, 0},
    };
}

inline void PerformGesture(QWidget& widget, const CaptionGesture& gesture)
{
    SendMouse(widget, QEvent::MouseButtonPress, gesture.at, gesture.button, gesture.button);
    const Qt::MouseButtons held = gesture.releaseFirst ? Qt::NoButton : Qt::MouseButtons(gesture.button);
    if (gesture.releaseFirst)
        SendMouse(widget, QEvent::MouseButtonRelease, gesture.at, gesture.button, Qt::NoButton);
    SendMouse(widget, QEvent::MouseMove, gesture.at + gesture.by, Qt::NoButton, held);
    if (!gesture.releaseFirst)
        SendMouse(widget, QEvent::MouseButtonRelease, gesture.at + gesture.by, gesture.button, Qt::NoButton);
}

// Base of widget test fixtures: the application exists before any member widget.
class QtWidgetTest : public ::testing::Test
{
protected:
    QtWidgetTest() { QtAppEnvironment::App(); }
};
