// Draws the dark skin of the main window, its window-shape bitmap and the application icon.
// Run by hand when the artwork changes; the files it writes are kept in resources/:
//
//   travelkin-skin-generator <resources folder>

#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <array>
#include <cstdio>
#include <functional>

namespace {

constexpr int kWindowWidth = 328;
constexpr int kWindowHeight = 245;
constexpr int kTitleHeight = 28;
constexpr int kCornerRadius = 6;
constexpr QRect kListArea(10, 50, 308, 141);

const QColor kShapeKey(210, 10, 10);
const QColor kAccent(46, 163, 198);
const QColor kWindowTop(34, 41, 54);
const QColor kWindowBottom(23, 28, 38);
const QColor kTitleTop(44, 53, 69);
const QColor kTitleBottom(37, 45, 59);
const QColor kEdge(62, 74, 92);
const QColor kPanel(238, 242, 246);

QImage Transparent(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QLinearGradient Vertical(qreal top, qreal bottom, const QColor& from, const QColor& to)
{
    QLinearGradient gradient(0, top, 0, bottom);
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    return gradient;
}

// The window outline: rounded top corners, square bottom, as the shape bitmap cuts it.
QPainterPath WindowOutline(qreal inset)
{
    const QRectF box(inset, inset, kWindowWidth - 2 * inset, kWindowHeight - 2 * inset);
    const qreal r = kCornerRadius - inset;
    QPainterPath path;
    path.moveTo(box.left(), box.bottom());
    path.lineTo(box.left(), box.top() + r);
    path.arcTo(QRectF(box.left(), box.top(), 2 * r, 2 * r), 180, -90);
    path.lineTo(box.right() - r, box.top());
    path.arcTo(QRectF(box.right() - 2 * r, box.top(), 2 * r, 2 * r), 90, -90);
    path.lineTo(box.right(), box.bottom());
    path.closeSubpath();
    return path;
}

QImage WindowBackground()
{
    QImage image = Transparent(kWindowWidth, kWindowHeight);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(0, kWindowHeight, kWindowTop, kWindowBottom));
    p.drawPath(WindowOutline(0));

    // Title strip with an accent rule under it.
    p.save();
    p.setClipPath(WindowOutline(0));
    p.fillRect(QRect(0, 0, kWindowWidth, kTitleHeight), Vertical(0, kTitleHeight, kTitleTop, kTitleBottom));
    p.fillRect(QRect(0, kTitleHeight, kWindowWidth, 1), kAccent.darker(130));
    p.restore();

    // The light panel the device list sits on, with a soft frame around it.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 0, 90), 1));
    p.drawRoundedRect(QRectF(kListArea).adjusted(-1.5, -1.5, 1.5, 1.5), 3, 3);
    p.fillRect(kListArea, kPanel);

    // A hairline edge so the window stands out on dark desktops.
    p.setPen(QPen(kEdge, 1));
    p.drawPath(WindowOutline(0.5));
    return image;
}

// 24 bits per pixel; the key colour marks what lies outside the window.
QImage WindowShape()
{
    QImage image(kWindowWidth, kWindowHeight, QImage::Format_RGB888);
    image.fill(Qt::white);
    const double r = kCornerRadius;
    for (int y = 0; y < kCornerRadius; ++y) {
        for (int x = 0; x < kCornerRadius; ++x) {
            const double dx = r - (x + 0.5);
            const double dy = r - (y + 0.5);
            if (dx * dx + dy * dy > r * r) {
                image.setPixelColor(x, y, kShapeKey);
                image.setPixelColor(kWindowWidth - 1 - x, y, kShapeKey);
            }
        }
    }
    return image;
}

QImage WaitTextBrush()
{
    QImage image = Transparent(224, 14);
    QPainter p(&image);
    QLinearGradient fade(0, 0, 224, 0);
    fade.setColorAt(0, QColor(46, 163, 198, 110));
    fade.setColorAt(0.6, QColor(46, 163, 198, 40));
    fade.setColorAt(1, QColor(46, 163, 198, 0));
    p.fillRect(image.rect(), fade);
    p.fillRect(QRect(0, 0, 2, 14), kAccent);
    return image;
}

// A magnifying glass over a rounded tile, at any size.
QImage Emblem(int size)
{
    QImage image = Transparent(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(0, s, kAccent.lighter(115), kAccent.darker(135)));
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.22, s * 0.22);

    QPen glass(Qt::white, s * 0.11, Qt::SolidLine, Qt::RoundCap);
    p.setPen(glass);
    p.setBrush(QColor(255, 255, 255, 60));
    const QPointF lens(s * 0.43, s * 0.43);
    const qreal radius = s * 0.21;
    p.drawEllipse(lens, radius, radius);
    p.drawLine(QPointF(s * 0.59, s * 0.59), QPointF(s * 0.77, s * 0.77));
    return image;
}

QImage HeaderBackground()
{
    QImage image = Transparent(249, 17);
    QPainter p(&image);
    p.fillRect(image.rect(), Vertical(0, 17, QColor(66, 82, 104), QColor(50, 63, 81)));
    p.fillRect(QRect(0, 0, 249, 1), QColor(88, 106, 130));
    p.fillRect(QRect(0, 16, 249, 1), QColor(31, 39, 51));
    return image;
}

QImage HeaderDivider()
{
    QImage image = Transparent(1, 12);
    QPainter p(&image);
    p.fillRect(image.rect(), Vertical(0, 12, QColor(255, 255, 255, 30), QColor(255, 255, 255, 110)));
    return image;
}

// Four states side by side: normal, hover, pressed, disabled.
QImage StateStrip(int stateWidth, int height, const std::function<void(QPainter&, QRectF, int)>& draw)
{
    QImage image = Transparent(stateWidth * 4, height);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (int state = 0; state < 4; ++state)
        draw(p, QRectF(state * stateWidth, 0, stateWidth, height), state);
    return image;
}

QImage CloseButton()
{
    return StateStrip(11, 11, [](QPainter& p, QRectF box, int state) {
        static const std::array<QColor, 4> circle{QColor(0, 0, 0, 0), QColor(229, 72, 77),
                                                  QColor(176, 52, 56), QColor(0, 0, 0, 0)};
        static const std::array<QColor, 4> cross{QColor(201, 209, 219), Qt::white, QColor(235, 235, 235),
                                                 QColor(91, 101, 115)};
        p.setPen(Qt::NoPen);
        p.setBrush(circle[state]);
        p.drawEllipse(box);
        p.setPen(QPen(cross[state], 1.4, Qt::SolidLine, Qt::RoundCap));
        const QRectF arms = box.adjusted(3.2, 3.2, -3.2, -3.2);
        p.drawLine(arms.topLeft(), arms.bottomRight());
        p.drawLine(arms.topRight(), arms.bottomLeft());
    });
}

QImage PushButton()
{
    return StateStrip(79, 23, [](QPainter& p, QRectF box, int state) {
        struct Look
        {
            QColor top, bottom, rim;
        };
        static const std::array<Look, 4> looks{{
            {QColor(48, 150, 188), QColor(31, 111, 143), QColor(22, 84, 110)},
            {QColor(66, 175, 214), QColor(42, 134, 169), QColor(28, 100, 128)},
            {QColor(27, 94, 121), QColor(33, 113, 145), QColor(18, 66, 87)},
            {QColor(74, 82, 96), QColor(61, 68, 80), QColor(50, 56, 66)},
        }};
        const Look& look = looks[state];
        const QRectF body = box.adjusted(0.5, 0.5, -0.5, -0.5);
        p.setPen(QPen(look.rim, 1));
        p.setBrush(Vertical(box.top(), box.bottom(), look.top, look.bottom));
        p.drawRoundedRect(body, 4, 4);
        if (state != 2) { // a highlight on top, gone while the button is held down
            p.setPen(QPen(QColor(255, 255, 255, state == 3 ? 25 : 60), 1));
            p.drawLine(QPointF(body.left() + 4, body.top() + 1), QPointF(body.right() - 4, body.top() + 1));
        }
    });
}

bool Save(const QImage& image, const QString& path, const char* format)
{
    if (image.save(path, format))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <resources folder>\n", argv[0]);
        return 2;
    }
    const QDir resources(QString::fromLocal8Bit(argv[1]));
    if (!resources.mkpath(QStringLiteral("skin")) || !resources.mkpath(QStringLiteral("icons")))
        return 1;
    const auto skin = [&](const char* name) {
        return resources.filePath(QStringLiteral("skin/") + QLatin1String(name));
    };
    bool ok = Save(WindowShape(), skin("SearchDevice_BlackGround.bmp"), "BMP") &&
              Save(WindowBackground(), skin("SearchDevice_BlackGround.png"), "PNG") &&
              Save(WaitTextBrush(), skin("Brush.png"), "PNG") && Save(Emblem(16), skin("logo.png"), "PNG") &&
              Save(HeaderBackground(), skin("headerbackground.png"), "PNG") &&
              Save(HeaderDivider(), skin("headerclip.png"), "PNG") &&
              Save(CloseButton(), skin("close.png"), "PNG") &&
              Save(PushButton(), skin("ButtonMax.png"), "PNG");
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        ok = ok && Save(Emblem(size), resources.filePath(QStringLiteral("icons/travelkin-%1.png").arg(size)),
                        "PNG");
    }
    return ok ? 0 : 1;
}
