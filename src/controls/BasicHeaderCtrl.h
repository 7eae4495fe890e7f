#pragma once

// Base of the skinned column headers: the header paints itself from its skin through one
// off-screen image, and its height is the one the style computes times fHeightScale, but never
// less than its titles need in the face it draws them in, so the list's rows begin right below
// the header whatever face the system gives it.

#include "controls/BasicPropertyFrame.h"
#include "controls/OffscreenBuffer.h"

#include <QHeaderView>

#include <vector>

// The width of each section in logical order; a hidden section counts as 0 pixels wide.
std::vector<int> VisibleSectionWidths(const QHeaderView& header);

class CBasicHeaderCtrl : public QHeaderView, public CBasicPropertyFrame
{
    Q_OBJECT

public:
    explicit CBasicHeaderCtrl(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

    // Sets fHeightScale and lays the owning list out again.
    void SetHeightScale(float scale);
    // Lays the owning list out again after pFont changed.
    void TitleFontChanged();
    // The style's height times fHeightScale, truncated; at least the titles' offset from the
    // top plus pFont's height.
    QSize sizeHint() const override;

    // PaintBackground, then DrawHeaderItems.
    virtual void DrawHeader(QPainter& painter);
    // Nothing here.
    virtual void DrawHeaderItems(QPainter& painter);

    float fHeightScale = 1.0f;

protected:
    // For each column that has a width: `separator` at its natural size at (right - scrollX,
    // top + separatorDy), then the title centred in (left - scrollX, top + 3, width,
    // height - 3) with pFont and clrText. Titles need a font; separators need a picture.
    void DrawSeparatorsAndTitles(QPainter& painter, const QImage& separator, int scrollX,
                                 int separatorDy) const;

    void paintEvent(QPaintEvent* event) override;
    // The style's size for the section's title in the header's own face. Qt measures in the
    // bold face of a highlighted section, which this header never draws: that loaded a
    // second face at every start only to measure with it.
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    COffscreenBuffer buffer;
};
