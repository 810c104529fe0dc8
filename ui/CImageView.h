// Shows one image one pixel per screen pixel: centred on white when it is
// smaller than the view, with scroll bars when it is larger. The caller
// hands it a copy already resampled to the wanted zoom; the view keeps the
// image point at its centre when that zoom changes. Wheel turns are left to
// the dialog (they zoom there).
#pragma once

#include "image/DibImage.h"
#include "ui/ImageViewLayout.h"

#include <QAbstractScrollArea>

namespace fovella {

class CImageView : public QAbstractScrollArea {
public:
    explicit CImageView(QWidget* parent);

    // Made over `rect` of the parent's client area, visible.
    bool Create(const QRect& rect);

    // Copies `image` (already at zoom `newZoom`) and lays the view out; the
    // centre point is carried from `oldZoom`, or the view starts at the
    // top-left when `reset` is set.
    void SetImage(const Image& image, double newZoom, double oldZoom, bool reset);

    // The room the view would have without its scroll bars.
    QRect GetFullClientRect() const;

    const DibImage& GetImage() const { return m_image; }
    // Where the image's top-left corner is drawn in the drawing area.
    QPoint DrawOrigin() const { return m_origin; }

protected:
    void paintEvent(QPaintEvent*) override;
    void scrollContentsBy(int, int) override {}
    void wheelEvent(QWheelEvent* event) override;

private:
    void LayOut(bool reset);
    void Scroll(Qt::Orientation orientation, int action);
    int BarSize() const;

    DibImage m_image;
    double m_newZoom = 1.0, m_oldZoom = 1.0;
    QRect m_clientRect;
    ImageViewState m_state;
    QPoint m_origin;
};

}  // namespace fovella
