// Shows one picture at a zoom: centred on white when it is smaller than the
// view, with scroll bars when it is larger. The view draws the part on
// screen straight from the picture, by whole pixels, exactly as a copy
// resized with DibImage::ScaleBy would show it, but without making that
// copy; it keeps the image point at its centre when the zoom changes.
// Wheel turns are left to the dialog (they zoom there).
#pragma once

#include "image/DibImage.h"
#include "ui/ImageViewLayout.h"

#include <QAbstractScrollArea>

#include <memory>

namespace fovella {

class CImageView : public QAbstractScrollArea {
public:
    explicit CImageView(QWidget* parent);

    // Made over `rect` of the parent's client area, visible.
    bool Create(const QRect& rect);

    // Shows `picture` at `newZoom` (its sides multiplied by it and truncated,
    // at least 1) and lays the view out; the centre point is carried from
    // `oldZoom`, or the view starts at the top-left when `reset` is set. The
    // picture is shared, not copied: whoever changes it shows it again.
    // False, with the view unchanged, when the picture at that zoom would
    // be larger than a view can scroll through.
    bool SetImage(std::shared_ptr<const DibImage> picture, double newZoom, double oldZoom, bool reset);

    // The room the view would have without its scroll bars.
    QRect GetFullClientRect() const;

    const DibImage& Picture() const { return *m_picture; }
    // The picture's size at the zoom it is shown at.
    QSize ZoomedSize() const { return m_zoomed; }
    // Where the image's top-left corner is drawn in the drawing area.
    QPoint DrawOrigin() const { return m_origin; }

protected:
    void paintEvent(QPaintEvent*) override;
    // A new size is laid out at once, keeping the scroll position.
    void resizeEvent(QResizeEvent*) override;
    void scrollContentsBy(int, int) override {}
    void wheelEvent(QWheelEvent* event) override;

private:
    void LayOut(bool reset);
    void Scroll(Qt::Orientation orientation, int action);
    int BarSize() const;

    std::shared_ptr<const DibImage> m_picture;
    QSize m_zoomed{1, 1};
    DibImage m_canvas;  // the part on screen, made anew at every paint
    double m_newZoom = 1.0, m_oldZoom = 1.0;
    QRect m_clientRect;      // the viewport as the last layout left it
    bool m_applyingBars = false;
    ImageViewState m_state;
    QPoint m_origin;
};

}  // namespace fovella
