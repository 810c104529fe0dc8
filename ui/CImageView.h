// Shows one picture at a zoom: centred on neutral grey when it is smaller
// than the view, with scroll bars when it is larger. The view draws the
// part on screen straight from the picture, without a resized copy, at the
// screen's own pixels: by whole pixels from 100 % up, exactly as a copy
// resized with DibImage::ScaleBy would show them, and averaged below, so
// that thin lines stay whole. It keeps the image point at its centre when
// the zoom changes, or the one under the cursor of a wheel turn.
//
// What is drawn turns with the picture's EXIF orientation; the picture is
// never changed. Over it the view can draw a grid, lines given in picture
// coordinates, and a second picture left of a divider (the split view);
// an empty view shows a hint. Dragging with the left button pans a picture
// larger than the view, or moves the divider.
#pragma once

#include "image/DibImage.h"
#include "image/Orientation.h"
#include "ui/DisplayBridge.h"
#include "ui/ImageViewLayout.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace fovella {

class CImageView : public QAbstractScrollArea {
public:
    // Middle grey (L* 50), which neither brightens nor darkens a picture
    // beside it in the eye.
    static constexpr QRgb kBackground = 0xff777777;
    // Logical pixels between the grid's lines.
    static constexpr int kGridSpacing = 40;
    // The lines drawn over the picture (SetOverlay): orange, which stands
    // out from stone, sky and foliage alike.
    static constexpr QRgb kOverlayColour = 0xffff6000;

    explicit CImageView(QWidget* parent);

    // Made over `rect` of the parent's client area, visible.
    bool Create(const QRect& rect);

    // Shows `picture` at `newZoom` (its upright sides multiplied by it and
    // truncated, at least 1) and lays the view out; the centre point is
    // carried from `oldZoom`, or the point under `anchor` (a viewport
    // position) when it is given, or the view starts at the top-left when
    // `reset` is set. The picture is shared, not copied: whoever changes it
    // shows it again. False, with the view unchanged, when the picture at
    // that zoom would be larger than a view can scroll through.
    bool SetImage(std::shared_ptr<const DibImage> picture, double newZoom, double oldZoom, bool reset,
                  const QPoint* anchor = nullptr);

    // The EXIF orientation (1 to 8; others mean 1) that every picture of
    // the view is shown upright by. Lays the view out again at its zoom.
    void SetOrientation(int exifOrientation);
    int OrientationTag() const { return m_orientationTag; }
    // The picture's size as it is seen upright, at 100 %: what a fit is
    // computed from.
    QSize UprightSize() const;

    // Called for each wheel event over the view with its turn
    // (angleDelta().y(), positive away from the user) and the viewport
    // position under the cursor, to be passed back to SetImage as the
    // anchor. Without a handler wheel events go on to the parent.
    using WheelHandler = std::function<void(int delta, const QPoint& at)>;
    void SetWheelHandler(WheelHandler handler) { m_onWheel = std::move(handler); }

    // A grid of thin lines every kGridSpacing logical pixels over the
    // picture, from its top-left corner; off at first.
    void SetGridShown(bool shown);
    bool GridShown() const { return m_grid; }

    // The split view: `left` is drawn left of a divider and the view's
    // picture right of it, both at the view's zoom, from the same corner.
    // Null ends it.
    void SetSplitPicture(std::shared_ptr<const DibImage> left);
    bool IsSplit() const { return m_left != nullptr; }
    // The divider's place as a share of the viewport's width, 0 to 1
    // (clamped); 0.5 at first. Kept when the view is resized.
    void SetSplitPosition(double share);
    double SplitPosition() const { return m_splitShare; }
    // The divider's viewport column.
    int DividerX() const;

    // Lines drawn over the picture, each a polyline in picture coordinates:
    // continuous stored pixels, (0, 0) the top-left corner of the stored
    // picture; they turn and zoom with it until replaced or cleared.
    void SetOverlay(std::vector<std::vector<PointF>> polylines);
    void ClearOverlay() { SetOverlay({}); }

    // Text shown in the middle of the view while it has no picture (one
    // pixel, as a view starts, is none).
    void SetHint(const QString& text);

    // The room the view would have without its scroll bars.
    QRect GetFullClientRect() const;

    const DibImage& Picture() const { return *m_picture; }
    // The picture's upright size at the zoom it is shown at.
    QSize ZoomedSize() const { return m_zoomed; }
    // Where the image's top-left corner is drawn in the drawing area.
    QPoint DrawOrigin() const { return m_origin; }

protected:
    void paintEvent(QPaintEvent*) override;
    // A new size is laid out at once, keeping the scroll position.
    void resizeEvent(QResizeEvent*) override;
    void scrollContentsBy(int, int) override {}
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class Drag { None, Pan, Divider };

    void LayOut(bool reset, const QPoint* anchor = nullptr);
    void Scroll(Qt::Orientation orientation, int action);
    void ScrollTo(int scrollX, int scrollY);
    int BarSize() const;
    QSize ZoomedSizeOf(const DibImage& picture, double zoom) const;
    void DrawPicture(QPainter& painter, const DibImage& picture, const QRect& clip);
    void DrawGrid(QPainter& painter, const QRect& visible) const;
    void DrawOverlay(QPainter& painter) const;
    bool Pannable() const;
    void UpdateCursor(const QPoint& at);
    bool NearDivider(const QPoint& at) const;

    std::shared_ptr<const DibImage> m_picture;
    std::shared_ptr<const DibImage> m_left;  // the split view's left picture
    QSize m_zoomed{1, 1};
    ZoomCanvas m_canvas;  // the part on screen, made anew at every paint
    double m_zoom = 1.0;  // the zoom the picture is shown at
    double m_newZoom = 1.0, m_oldZoom = 1.0;
    QRect m_clientRect;      // the viewport as the last layout left it
    bool m_applyingBars = false;
    ImageViewState m_state;
    QPoint m_origin;

    Orientation m_orientation;
    int m_orientationTag = 1;
    bool m_grid = false;
    double m_splitShare = 0.5;
    std::vector<std::vector<PointF>> m_overlay;
    QString m_hint;
    WheelHandler m_onWheel;

    Drag m_drag = Drag::None;
    QPoint m_dragStart;
    int m_dragScrollX = 0, m_dragScrollY = 0;
};

}  // namespace fovella
