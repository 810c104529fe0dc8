#include "ui/CImageView.h"

#include "ui/DisplayBridge.h"

#include "image/NearestResize.h"

#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

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

}  // namespace

CImageView::CImageView(QWidget* parent) : QAbstractScrollArea(parent), m_picture(std::make_shared<DibImage>())
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::NoFocus);
    // Every paint covers the whole area, white first: nothing to erase.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
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

bool CImageView::SetImage(std::shared_ptr<const DibImage> picture, double newZoom, double oldZoom, bool reset)
{
    const std::int64_t width = ScaledSide(picture->Width(), newZoom);
    const std::int64_t height = ScaledSide(picture->Height(), newZoom);
    if (width > kLargestZoomedSide || height > kLargestZoomedSide)
        return false;
    m_picture = std::move(picture);
    m_zoomed = QSize(int(width), int(height));
    m_newZoom = newZoom;
    m_oldZoom = oldZoom;
    LayOut(reset);
    return true;
}

void CImageView::LayOut(bool reset)
{
    m_clientRect = viewport()->rect();
    const ImageViewLayout layout =
        LayOutImageView(m_zoomed.width(), m_zoomed.height(), m_clientRect.width(), m_clientRect.height(),
                        m_state, m_newZoom, m_oldZoom, reset, BarSize());
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

void CImageView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const QRect area = viewport()->rect();
    painter.fillRect(area, Qt::white);
    if (m_zoomed.width() > 1 || m_zoomed.height() > 1) {
        const QRect visible = QRect(m_origin, m_zoomed) & area;
        DrawZoomedRegion(painter, visible.topLeft(), *m_picture, m_zoomed, visible.translated(-m_origin), m_canvas);
    }
}

void CImageView::wheelEvent(QWheelEvent* event) { event->ignore(); }

}  // namespace fovella
