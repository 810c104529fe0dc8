#include "ui/CImageView.h"

#include "image/NearestResize.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace fovella {

namespace {

// The window system's scroll codes for Qt's slider actions.
int ScrollCodeOf(int action)
{
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: return kLineBack;
    case QAbstractSlider::SliderSingleStepAdd: return kLineForward;
    case QAbstractSlider::SliderPageStepSub: return kPageBack;
    case QAbstractSlider::SliderPageStepAdd: return kPageForward;
    case QAbstractSlider::SliderToMinimum: return kToStart;
    case QAbstractSlider::SliderToMaximum: return kToEnd;
    case QAbstractSlider::SliderMove: return kThumbTrack;
    default: return -1;
    }
}

// Shows a bar over an image of `size` in `area`, or takes it away.
void SetBar(QAbstractScrollArea& view, Qt::Orientation orientation, bool show, int size, int area,
            int position)
{
    QScrollBar* bar = orientation == Qt::Horizontal ? view.horizontalScrollBar() : view.verticalScrollBar();
    const Qt::ScrollBarPolicy policy = show ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    if (orientation == Qt::Horizontal)
        view.setHorizontalScrollBarPolicy(policy);
    else
        view.setVerticalScrollBarPolicy(policy);
    const QSignalBlocker quiet(bar);
    if (show) {
        bar->setRange(0, size - area);
        bar->setPageStep(area);
        bar->setValue(position);
    } else {
        bar->setRange(0, 0);
    }
}

// Scroll positions and bar ranges are ints, with room for the layout's sums.
constexpr std::int64_t kLargestZoomedSide = std::int64_t(1) << 30;

constexpr QRgb kHintText = 0xffe6e6e6;
// Grid lines: a light one and a dark one a device pixel right of or below
// it, so that each shows on bright and on dark parts of a picture.
constexpr QRgb kGridLight = 0x80ffffff;
constexpr QRgb kGridDark = 0x60000000;
constexpr qreal kOverlayWidth = 1.5;
// Logical pixels either side of the divider that take hold of it.
constexpr int kDividerGrip = 4;

}  // namespace

CImageView::CImageView(QWidget* parent) : QAbstractScrollArea(parent), m_picture(std::make_shared<DibImage>())
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::NoFocus);
    // Every paint covers the whole area, grey first: nothing to erase.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    // Moves without a button set the cursor over the divider and the picture.
    viewport()->setMouseTracking(true);
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { Scroll(Qt::Horizontal, action); });
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { Scroll(Qt::Vertical, action); });
}

bool CImageView::Create(const QRect& rect)
{
    setGeometry(rect);
    show();
    m_clientRect = viewport()->rect();
    return true;
}

int CImageView::BarSize() const { return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this); }

QSize CImageView::UprightSize() const
{
    const PixelSize upright = DisplayedSize(m_orientation, m_picture->Width(), m_picture->Height());
    return QSize(upright.width, upright.height);
}

QSize CImageView::ZoomedSizeOf(const DibImage& picture, double zoom) const
{
    const PixelSize upright = DisplayedSize(m_orientation, picture.Width(), picture.Height());
    const auto side = [zoom](int length) { return int(std::min(ScaledSide(length, zoom), kLargestZoomedSide)); };
    return QSize(side(upright.width), side(upright.height));
}

bool CImageView::SetImage(std::shared_ptr<const DibImage> picture, double newZoom, double oldZoom, bool reset,
                          const QPoint* anchor)
{
    const PixelSize upright = DisplayedSize(m_orientation, picture->Width(), picture->Height());
    const std::int64_t width = ScaledSide(upright.width, newZoom);
    const std::int64_t height = ScaledSide(upright.height, newZoom);
    if (width > kLargestZoomedSide || height > kLargestZoomedSide)
        return false;
    m_picture = std::move(picture);
    m_zoomed = QSize(int(width), int(height));
    m_zoom = newZoom;
    m_newZoom = newZoom;
    m_oldZoom = oldZoom;
    LayOut(reset, anchor);
    return true;
}

void CImageView::SetOrientation(int exifOrientation)
{
    m_orientationTag = exifOrientation >= 1 && exifOrientation <= 8 ? exifOrientation : 1;
    m_orientation = OrientationOf(m_orientationTag);
    m_zoomed = ZoomedSizeOf(*m_picture, m_zoom);
    m_newZoom = m_oldZoom = 1.0;
    LayOut(false);
}

void CImageView::LayOut(bool reset, const QPoint* anchor)
{
    m_clientRect = viewport()->rect();
    ZoomAnchor kept;
    if (anchor)
        kept = {anchor->x(), anchor->y(), m_origin.x(), m_origin.y()};
    const ImageViewLayout layout =
        LayOutImageView(m_zoomed.width(), m_zoomed.height(), m_clientRect.width(), m_clientRect.height(),
                        m_state, m_newZoom, m_oldZoom, reset, BarSize(), anchor ? &kept : nullptr);
    m_state = layout.state;
    m_origin = QPoint(layout.originX, layout.originY);
    // Each bar shown or taken away resizes the viewport at once; between the
    // two the viewport matches neither layout, and laying out again there
    // would decide the bars anew, endlessly. The layout has counted them.
    m_applyingBars = true;
    SetBar(*this, Qt::Horizontal, !m_state.fitsX, m_zoomed.width(), layout.areaWidth, m_state.scrollX);
    SetBar(*this, Qt::Vertical, !m_state.fitsY, m_zoomed.height(), layout.areaHeight, m_state.scrollY);
    m_applyingBars = false;
    m_clientRect = viewport()->rect();
    viewport()->update();
}

void CImageView::SetGridShown(bool shown)
{
    m_grid = shown;
    viewport()->update();
}

void CImageView::SetSplitPicture(std::shared_ptr<const DibImage> left)
{
    m_left = std::move(left);
    viewport()->update();
}

void CImageView::SetSplitPosition(double share)
{
    m_splitShare = std::clamp(share, 0.0, 1.0);
    viewport()->update();
}

int CImageView::DividerX() const { return int(std::lround(m_splitShare * viewport()->width())); }

void CImageView::SetOverlay(std::vector<std::vector<PointF>> polylines)
{
    m_overlay = std::move(polylines);
    viewport()->update();
}

void CImageView::SetHint(const QString& text)
{
    m_hint = text;
    viewport()->update();
}

QRect CImageView::GetFullClientRect() const
{
    QRect full = viewport()->rect();
    if (!m_state.fitsY)
        full.setRight(full.right() + BarSize());
    if (!m_state.fitsX)
        full.setBottom(full.bottom() + BarSize());
    return full;
}

void CImageView::Scroll(Qt::Orientation orientation, int action)
{
    const bool across = orientation == Qt::Horizontal;
    QScrollBar* bar = across ? horizontalScrollBar() : verticalScrollBar();
    const int image = across ? m_zoomed.width() : m_zoomed.height();
    const int client = across ? m_clientRect.width() : m_clientRect.height();
    const int code = ScrollCodeOf(action);
    int& position = across ? m_state.scrollX : m_state.scrollY;
    if (client >= image) {
        bar->setSliderPosition(position);
        return;
    }
    position = ScrollPosition(position, code, bar->sliderPosition(), image, client);
    (across ? m_origin.rx() : m_origin.ry()) = -position;
    bar->setSliderPosition(position);
    viewport()->update();
}

void CImageView::resizeEvent(QResizeEvent*)
{
    // Bars being shown or taken away by a layout: it has counted them.
    if (m_applyingBars || viewport()->rect() == m_clientRect)
        return;
    m_newZoom = m_oldZoom = 1.0;
    LayOut(false);
}

void CImageView::ScrollTo(int scrollX, int scrollY)
{
    if (!m_state.fitsX) {
        m_state.scrollX = scrollX;
        m_origin.setX(-scrollX);
        horizontalScrollBar()->setValue(scrollX);
    }
    if (!m_state.fitsY) {
        m_state.scrollY = scrollY;
        m_origin.setY(-scrollY);
        verticalScrollBar()->setValue(scrollY);
    }
    viewport()->update();
}

void CImageView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const QRect area = viewport()->rect();
    painter.fillRect(area, QColor(kBackground));
    // One pixel is what the view holds before any picture: nothing to draw.
    if (m_zoomed.width() <= 1 && m_zoomed.height() <= 1) {
        painter.setPen(QColor(kHintText));
        painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, m_hint);
        return;
    }
    if (m_left) {
        const int divider = DividerX();
        DrawPicture(painter, *m_left, QRect(0, 0, divider, area.height()));
        DrawPicture(painter, *m_picture, QRect(divider, 0, area.width() - divider, area.height()));
    } else {
        DrawPicture(painter, *m_picture, area);
    }
    if (m_grid)
        DrawGrid(painter, QRect(m_origin, m_zoomed) & area);
    DrawOverlay(painter);
    if (m_left) {
        const int divider = DividerX();
        painter.fillRect(QRect(divider - 2, 0, 4, area.height()), QColor(0, 0, 0, 96));
        painter.fillRect(QRect(divider - 1, 0, 2, area.height()), QColor(240, 240, 240));
    }
}

// Both pictures of a split view are drawn from the same corner at the same
// zoom, each within its side of the divider.
void CImageView::DrawPicture(QPainter& painter, const DibImage& picture, const QRect& clip)
{
    const QSize zoomed = &picture == m_picture.get() ? m_zoomed : ZoomedSizeOf(picture, m_zoom);
    const QRect shown = QRect(m_origin, zoomed) & clip;
    if (!shown.isEmpty())
        DrawZoomedRegion(painter, shown.topLeft(), picture, m_orientation, zoomed, shown.translated(-m_origin),
                         m_canvas);
}

void CImageView::DrawGrid(QPainter& painter, const QRect& visible) const
{
    if (visible.isEmpty())
        return;
    painter.save();
    painter.setClipRect(visible);
    const qreal pixel = 1 / painter.device()->devicePixelRatioF();
    const auto first = [](int origin, int from) {
        // The first line past the picture's edge at or after `from`.
        const int k = std::max(1, (from - origin + kGridSpacing - 1) / kGridSpacing);
        return origin + k * kGridSpacing;
    };
    for (int x = first(m_origin.x(), visible.left()); x <= visible.right(); x += kGridSpacing) {
        painter.fillRect(QRectF(x, visible.top(), pixel, visible.height()), QColor::fromRgba(kGridLight));
        painter.fillRect(QRectF(x + pixel, visible.top(), pixel, visible.height()), QColor::fromRgba(kGridDark));
    }
    for (int y = first(m_origin.y(), visible.top()); y <= visible.bottom(); y += kGridSpacing) {
        painter.fillRect(QRectF(visible.left(), y, visible.width(), pixel), QColor::fromRgba(kGridLight));
        painter.fillRect(QRectF(visible.left(), y + pixel, visible.width(), pixel), QColor::fromRgba(kGridDark));
    }
    painter.restore();
}

void CImageView::DrawOverlay(QPainter& painter) const
{
    if (m_overlay.empty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor::fromRgba(kOverlayColour), kOverlayWidth));
    for (const std::vector<PointF>& line : m_overlay) {
        QPolygonF polygon;
        for (const PointF& point : line) {
            const PointF at = ViewPointOf(point, m_orientation, m_picture->Width(), m_picture->Height(),
                                          m_zoomed.width(), m_zoomed.height(), m_origin.x(), m_origin.y());
            polygon << QPointF(at.x, at.y);
        }
        painter.drawPolyline(polygon);
    }
    painter.restore();
}

void CImageView::wheelEvent(QWheelEvent* event)
{
    if (!m_onWheel || event->angleDelta().y() == 0)
        return event->ignore();
    m_onWheel(event->angleDelta().y(), event->position().toPoint());
    event->accept();
}

bool CImageView::NearDivider(const QPoint& at) const
{
    return IsSplit() && std::abs(at.x() - DividerX()) <= kDividerGrip;
}

bool CImageView::Pannable() const { return !m_state.fitsX || !m_state.fitsY; }

void CImageView::UpdateCursor(const QPoint& at)
{
    if (m_drag == Drag::Pan)
        viewport()->setCursor(Qt::ClosedHandCursor);
    else if (m_drag == Drag::Divider || NearDivider(at))
        viewport()->setCursor(Qt::SplitHCursor);
    else if (Pannable())
        viewport()->setCursor(Qt::OpenHandCursor);
    else
        viewport()->unsetCursor();
}

void CImageView::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    if (NearDivider(at)) {
        m_drag = Drag::Divider;
    } else if (Pannable()) {
        m_drag = Drag::Pan;
        m_dragStart = at;
        m_dragScrollX = m_state.scrollX;
        m_dragScrollY = m_state.scrollY;
    } else {
        return QAbstractScrollArea::mousePressEvent(event);
    }
    UpdateCursor(at);
    event->accept();
}

void CImageView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    switch (m_drag) {
    case Drag::Pan: {
        const QPoint moved = at - m_dragStart;
        ScrollTo(PannedScroll(m_dragScrollX, moved.x(), m_zoomed.width(), viewport()->width()),
                 PannedScroll(m_dragScrollY, moved.y(), m_zoomed.height(), viewport()->height()));
        break;
    }
    case Drag::Divider:
        SetSplitPosition(double(at.x()) / std::max(1, viewport()->width()));
        break;
    case Drag::None:
        UpdateCursor(at);
        return QAbstractScrollArea::mouseMoveEvent(event);
    }
    event->accept();
}

void CImageView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_drag == Drag::None)
        return QAbstractScrollArea::mouseReleaseEvent(event);
    m_drag = Drag::None;
    UpdateCursor(event->position().toPoint());
    event->accept();
}

}  // namespace fovella
