#pragma once

// The skin that every skinned window carries: paint mode, colours, a state image, a text with
// its offset and font, a tooltip, and a copy of the parent's pixels under the window for a
// see-through look. It paints the background layers that its paint mode selects; what a window
// draws on top (state image slices, text) is the window's own business.

#include "layout/LayoutRecords.h"

#include <QFont>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QRgb>
#include <QString>

#include <optional>
#include <string_view>

class QFileInfo;
class QPainter;
class QWidget;

// Paint-mode bits, applied in the order parent background, fill, border, image.
enum PaintModeBits : int
{
    kPaintBorder = 1,
    kPaintBackColor = 2,
    kPaintParentBackground = 4,
    kPaintImage = 8,
};

// Opaque ARGB (0xAARRGGBB, the QRgb layout) from a layout colour with red in the low byte.
QRgb ArgbFromLayoutColor(LayoutColor color);

// Layout paths keep their backslashes; they become '/' only here, where a file is opened.
QString SkinFilePath(std::wstring_view path);
QString SkinFilePath(const QString& path);

// Skin pictures sit in the user's folder and are read back, so they are input like any
// other: only a regular file of at most this size is read.
inline constexpr qint64 kMaxSkinImageBytes = 4 * 1024 * 1024;

// Decodes a skin picture once into the format that draws fastest. A file that cannot be read,
// is not a regular file (a FIFO would block the reader), is larger than kMaxSkinImageBytes or
// would decode to an unreasonably large image gives a null image: the picture is missing.
QImage LoadSkinImage(const QString& path);
// The same for a local file, always decoding it (LoadSkinImage may serve a prefetched copy).
QImage DecodeSkinFile(const QFileInfo& file, const QByteArray& format = {});
// The same for one of the program's embedded pictures (a resource path, whose name says
// nothing of its format).
QImage DecodeSkinResource(const QString& resource, const QByteArray& format);

// The size of an off-screen image for widget, never larger than its screen: a control that a
// layout makes huge still only needs the pixels that can be seen.
QSize OffscreenSize(const QWidget& widget, QSize pixels);

class CBasicPropertyFrame
{
public:
    CBasicPropertyFrame();
    virtual ~CBasicPropertyFrame();
    CBasicPropertyFrame(const CBasicPropertyFrame&) = delete;
    CBasicPropertyFrame& operator=(const CBasicPropertyFrame&) = delete;

    // Paints the layers that nPaintMode selects into the painter, which covers self's client
    // area from (0, 0). Missing windows skip the parent-background layer.
    virtual void PaintBackground(QWidget* parent, QWidget* self, QPainter& painter);

    // Moves (mode 2) or stretches (mode 3) a window by a size change of its parent; mode 1
    // leaves an axis alone, and any mode outside 1..3 leaves both axes alone.
    virtual void MoveByAnchor(QWidget* window, int dx, int dy, int horizontalMode, int verticalMode);

    // Called with the change of the client size when bTrackSize is set; nothing by default.
    virtual void OnParentSized(int dx, int dy);
    // What a window does after every size change: reports the change against rcLast when
    // bTrackSize is set, then remembers the new client rectangle.
    void TrackSizeChange(const QRect& client);

    void SetStateImage(const QString& path, int stateCount, int imageX, int imageY);
    void SetStateImage(std::wstring_view path, int stateCount, int imageX, int imageY);
    void SetDrawText(const QString& text, int x, int y);
    void SetDrawText(std::wstring_view text, int x, int y);
    // A face that is not installed still draws: font matching picks a substitute. A size that
    // is not positive leaves no font, so nothing is drawn with it.
    void SetDrawFont(const QString& face, int size);
    void SetDrawFont(std::wstring_view face, int size);
    void SetBackColor(LayoutColor color);
    void SetForeColor(LayoutColor color);
    void CreateToolTip(QWidget* window, const QString& text);
    void CreateToolTip(QWidget* window, std::wstring_view text);

    // Copies the parent's freshly painted pixels under self out of the parent's surface; the
    // copy serves self's paints while self keeps that place and size.
    void CaptureParentBackground(const QImage& parentSurface, QWidget* self, QWidget* parent);

    // Draws state `index` (a vertical strip nStateWidth wide) at its natural size at `at`.
    void DrawStateSlice(QPainter& painter, int index, QPoint at) const;
    // Recomputes the image and state sizes from pImage (no decoding).
    void MeasureImage();

    QImage dcBackground; // null until the first capture
    int nPaintMode = 0;
    QRgb clrBorder = 0xFFFFFFFF;
    QRgb clrBack = 0xFFFFFFFF;
    QImage pImage; // null: no image
    int nImageX = 0;
    int nImageY = 0;
    int nImageWidth = 0;
    int nImageHeight = 0;
    int nStateWidth = 0;
    int nStateCount = 1;
    int nStateIndex = 0;
    std::optional<QFont> pFont;
    QRgb clrText = 0xFF000000;
    QString strText;
    int nTextX = 0;
    int nTextY = 0;
    QRect rcLast;
    int bTrackSize = 0;
    QPointer<QWidget> hToolTip; // the window that shows the tooltip, when one was made

private:
    static QImage CaptureFromParent(QWidget* parent, QWidget* self);

    QPointer<QWidget> hCapturedFrom; // the window dcBackground was taken from
    QRect rcCaptured;
};

// Where self's top-left lies in parent's client coordinates.
QPoint PositionInParent(const QWidget* self, const QWidget* parent);
