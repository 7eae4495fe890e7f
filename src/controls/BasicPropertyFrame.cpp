#include "controls/BasicPropertyFrame.h"

#include "controls/LayoutFontFallbacks.h"
#include "controls/SkinImagePrefetch.h"
#include "controls/WideText.h"
#include "layout/LocalPath.h"
#include "os/LocalFile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPen>
#include <QRegion>
#include <QScreen>
#include <QTextDocument>
#include <QWidget>

#include <algorithm>
#include <optional>
#include <utility>

namespace {

// The largest decoded skin picture: the pixels of a large desktop's screen.
constexpr qint64 kMaxSkinImagePixels = 7680 * 4320;
// Where a widget has no screen (yet), off-screen images stay within a large desktop's.
constexpr QSize kFallbackScreenSize{7680, 4320};

} // namespace

QRgb ArgbFromLayoutColor(LayoutColor color)
{
    const unsigned red = color & 0xFFu;
    const unsigned green = (color >> 8) & 0xFFu;
    const unsigned blue = (color >> 16) & 0xFFu;
    return qRgba(static_cast<int>(red), static_cast<int>(green), static_cast<int>(blue), 255);
}

QString SkinFilePath(std::wstring_view path)
{
    // Local paths are UTF-8 everywhere; Windows' 8-bit file names are its ANSI code page.
    return QString::fromStdString(ToLocalPath(path));
}

QString SkinFilePath(const QString& path)
{
    return SkinFilePath(std::wstring_view(path.toStdWString()));
}

namespace {

// Empty `format`: guessed from the content.
QImage DecodeWithinLimits(const QByteArray& content, const QByteArray& format)
{
    QBuffer buffer;
    buffer.setData(content);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(format.isEmpty());
    // A small file may still claim a huge picture: it is refused before it is decoded.
    const QSize claimed = reader.size();
    if (claimed.isValid() && qint64(claimed.width()) * claimed.height() > kMaxSkinImagePixels)
        return {};
    return reader.read();
}

QImage DecodeSkinBytes(const QByteArray& bytes, const QByteArray& format)
{
    // The format named first: a reader left to guess loads every image plugin to ask each
    // about the content before trying its own PNG and BMP decoders, a cost at every start.
    // Content that does not match its name is still recognised, at that cost.
    QImage decoded = DecodeWithinLimits(bytes, format);
    if (decoded.isNull())
        decoded = DecodeWithinLimits(bytes, {});
    if (decoded.isNull())
        return {};
    // Premultiplied ARGB is what the raster painter blends without converting on every draw.
    // Converted in place: a converted copy would cost a second picture's memory and pass.
    decoded.convertTo(QImage::Format_ARGB32_Premultiplied);
    return decoded;
}

} // namespace

QImage DecodeSkinFile(const QFileInfo& file, const QByteArray& format)
{
    // Opened without waiting and checked once open: a FIFO or a device put in the picture
    // folder is never read. Read to the file's own size, not to the limit: a buffer of the
    // limit's size, reserved for every small picture and given back at once, also led glibc to
    // keep later picture buffers in the heap (see KeepLargeBuffersOutOfHeap for the window's
    // process).
    std::string content;
    if (ReadRegularFile(file.filePath().toStdString(), kMaxSkinImageBytes, content) != LocalFileStatus::Done)
        return {};
    const QByteArray bytes = QByteArray::fromRawData(content.data(), static_cast<qsizetype>(content.size()));
    return DecodeSkinBytes(bytes, format.isEmpty() ? file.suffix().toLatin1() : format);
}

QImage DecodeSkinResource(const QString& resource, const QByteArray& format)
{
    // The program's own pictures: the file system's reader does not see them.
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return DecodeSkinBytes(file.read(kMaxSkinImageBytes), format);
}

QImage LoadSkinImage(const QString& path)
{
    if (path.isEmpty())
        return {};
    const QFileInfo file(SkinFilePath(path));
    if (std::optional<QImage> prefetched = CSkinImagePrefetch::Find(file))
        return *std::move(prefetched);
    return DecodeSkinFile(file);
}

QSize OffscreenSize(const QWidget& widget, QSize pixels)
{
    const QScreen* screen = widget.screen();
    if (!screen)
        return pixels.boundedTo(kFallbackScreenSize);
    return pixels.boundedTo(screen->size() * screen->devicePixelRatio());
}

QPoint PositionInParent(const QWidget* self, const QWidget* parent)
{
    if (parent->isAncestorOf(self))
        return self->mapTo(parent, QPoint(0, 0));
    return parent->mapFromGlobal(self->mapToGlobal(QPoint(0, 0)));
}

CBasicPropertyFrame::CBasicPropertyFrame()
{
    // Every layout font is made after the first frame, so they all see the substitutes.
    InstallLayoutFontFallbacks();
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(12);
    pFont = font;
}

CBasicPropertyFrame::~CBasicPropertyFrame() = default;

void CBasicPropertyFrame::PaintBackground(QWidget* parent, QWidget* self, QPainter& painter)
{
    const QRect client = self ? self->rect() : QRect();

    if ((nPaintMode & kPaintParentBackground) && parent && self) {
        // The capture from the parent's last paint serves only where it was taken: a window
        // moved or resized since then would show another part of the parent.
        const bool current = !dcBackground.isNull() && hCapturedFrom &&
                             rcCaptured == QRect(PositionInParent(self, hCapturedFrom), self->size());
        const QImage under = current ? dcBackground : CaptureFromParent(parent, self);
        const auto mode = painter.compositionMode();
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QPoint(0, 0), under);
        painter.setCompositionMode(mode);
    }
    if (nPaintMode & kPaintBackColor)
        painter.fillRect(client, QColor::fromRgba(clrBack));
    if ((nPaintMode & kPaintBorder) && client.isValid()) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, false); // a crisp one-pixel line
        painter.setPen(QPen(QColor::fromRgba(clrBorder), 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(client.adjusted(0, 0, -1, -1));
        painter.restore();
    }
    if ((nPaintMode & kPaintImage) && !pImage.isNull())
        painter.drawImage(QPoint(0, 0), pImage);
}

QImage CBasicPropertyFrame::CaptureFromParent(QWidget* parent, QWidget* self)
{
    const qreal ratio = self->devicePixelRatioF();
    // Never larger than the screen, however large the layout made the control.
    QImage captured(OffscreenSize(*self, self->size() * ratio), QImage::Format_ARGB32_Premultiplied);
    captured.setDevicePixelRatio(ratio);
    // Black where the parent draws nothing, as in the parent's own paint surface.
    captured.fill(Qt::black);
    const QPoint at = PositionInParent(self, parent);
    if (auto* parentFrame = dynamic_cast<CBasicPropertyFrame*>(parent)) {
        // A skinned parent paints its layers straight into this capture. Rendering the parent
        // instead would run its whole paint again, which refreshes every sibling's capture in
        // the middle of this one's paint.
        QPainter painter(&captured);
        painter.translate(-at);
        parentFrame->PaintBackground(parent->parentWidget(), parent, painter);
        return captured;
    }
    parent->render(&captured, QPoint(0, 0), QRegion(QRect(at, self->size())), QWidget::DrawWindowBackground);
    return captured;
}

void CBasicPropertyFrame::MoveByAnchor(QWidget* window, int dx, int dy, int horizontalMode, int verticalMode)
{
    if (!window)
        return;
    QRect rect = window->geometry();
    const auto known = [](int mode) { return mode >= 1 && mode <= 3; };
    if (known(horizontalMode) && known(verticalMode)) {
        if (horizontalMode == 2)
            rect.translate(dx, 0);
        else if (horizontalMode == 3)
            rect.setRight(rect.right() + dx);
        if (verticalMode == 2)
            rect.translate(0, dy);
        else if (verticalMode == 3)
            rect.setBottom(rect.bottom() + dy);
    }
    window->setGeometry(rect);
    window->update();
}

void CBasicPropertyFrame::OnParentSized(int /*dx*/, int /*dy*/) {}

void CBasicPropertyFrame::TrackSizeChange(const QRect& client)
{
    if (bTrackSize)
        OnParentSized(client.width() - rcLast.width(), client.height() - rcLast.height());
    rcLast = client;
}

void CBasicPropertyFrame::SetStateImage(const QString& path, int stateCount, int imageX, int imageY)
{
    nImageX = imageX;
    nImageY = imageY;
    pImage = LoadSkinImage(path);
    // A count below one would give zero or negative strip widths; it counts as one state.
    nStateCount = std::max(stateCount, 1);
    MeasureImage();
}

void CBasicPropertyFrame::SetStateImage(std::wstring_view path, int stateCount, int imageX, int imageY)
{
    SetStateImage(FromWide(path), stateCount, imageX, imageY);
}

void CBasicPropertyFrame::MeasureImage()
{
    nImageWidth = pImage.width();
    nImageHeight = pImage.height();
    nStateCount = std::max(nStateCount, 1);
    nStateWidth = nImageWidth / nStateCount;
}

void CBasicPropertyFrame::SetDrawText(const QString& text, int x, int y)
{
    strText = text;
    nTextX = x;
    nTextY = y;
}

void CBasicPropertyFrame::SetDrawText(std::wstring_view text, int x, int y)
{
    SetDrawText(FromWide(text), x, y);
}

void CBasicPropertyFrame::SetDrawFont(const QString& face, int size)
{
    if (size <= 0) {
        pFont.reset();
        return;
    }
    QFont font;
    if (!face.isEmpty())
        font.setFamily(face);
    font.setPixelSize(size);
    font.setWeight(QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    pFont = font;
}

void CBasicPropertyFrame::SetDrawFont(std::wstring_view face, int size)
{
    SetDrawFont(FromWide(face), size);
}

void CBasicPropertyFrame::SetBackColor(LayoutColor color)
{
    clrBack = ArgbFromLayoutColor(color);
}

void CBasicPropertyFrame::SetForeColor(LayoutColor color)
{
    clrText = ArgbFromLayoutColor(color);
}

void CBasicPropertyFrame::CreateToolTip(QWidget* window, const QString& text)
{
    if (!window)
        return;
    // The description is shown as the text it is: never as markup, which could pull in
    // pictures by path or disguise what it says.
    window->setToolTip(text.isEmpty() ? QString() : Qt::convertFromPlainText(text));
    hToolTip = window;
}

void CBasicPropertyFrame::CreateToolTip(QWidget* window, std::wstring_view text)
{
    CreateToolTip(window, FromWide(text));
}

void CBasicPropertyFrame::CaptureParentBackground(const QImage& parentSurface, QWidget* self, QWidget* parent)
{
    if (!self || !parent)
        return;
    const qreal ratio = parentSurface.devicePixelRatio();
    hCapturedFrom = parent;
    rcCaptured = QRect(PositionInParent(self, parent), self->size());
    const QRect under(rcCaptured.topLeft() * ratio, rcCaptured.size() * ratio);
    if (parentSurface.rect().contains(under)) {
        dcBackground = parentSurface.copy(under);
        return;
    }
    // Partly outside the parent: what lies outside is blank, and the copy is never larger
    // than the screen however large the layout made the control.
    QImage captured(OffscreenSize(*self, under.size()), QImage::Format_ARGB32_Premultiplied);
    captured.fill(Qt::transparent);
    QImage inside = parentSurface.copy(under & parentSurface.rect());
    inside.setDevicePixelRatio(1.0);
    {
        QPainter painter(&captured);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage((under & parentSurface.rect()).topLeft() - under.topLeft(), inside);
    }
    captured.setDevicePixelRatio(ratio);
    dcBackground = captured;
}

void CBasicPropertyFrame::DrawStateSlice(QPainter& painter, int index, QPoint at) const
{
    if (pImage.isNull() || nStateWidth <= 0 || nImageHeight <= 0)
        return;
    painter.drawImage(at, pImage, QRect(index * nStateWidth, 0, nStateWidth, nImageHeight));
}
