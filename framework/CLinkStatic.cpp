#include "framework/CLinkStatic.h"

#include "framework/PlatformServices.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace fovella {

CLinkStatic::CLinkStatic(const QString& text, PlatformServices& services, QWidget* parent)
    : QWidget(parent), m_services(services), m_text(text)
{
    // Pointer moves arrive without a button held, as a notifying static's do.
    setMouseTracking(true);
}

// The font is made at the first paint, from the dialog's: before that the
// text has no extent, so the pointer finds nothing to click.
void CLinkStatic::MakeLinkFont()
{
    if (m_fontMade || !parentWidget())
        return;
    m_linkFont = parentWidget()->font();
    m_linkFont.setUnderline(true);
    m_fontMade = true;
}

void CLinkStatic::MeasureIfNeeded()
{
    if (m_extentKnown || !m_fontMade)
        return;
    const QFontMetrics metrics(m_linkFont);
    m_extent = QSize(metrics.horizontalAdvance(m_text), metrics.height());
    m_extentKnown = true;
}

bool CLinkStatic::HitTest(QPoint point) const
{
    return m_extentKnown && point.x() >= 0 && point.x() < m_extent.width() && point.y() >= 0 &&
           point.y() < m_extent.height();
}

void CLinkStatic::paintEvent(QPaintEvent*)
{
    MakeLinkFont();
    QPainter painter(this);
    painter.setFont(m_linkFont);
    painter.setPen(QColor(0, 0, 255));
    painter.drawText(QRect(QPoint(0, 0), QSize(width(), height())), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     m_text);
}

void CLinkStatic::mouseMoveEvent(QMouseEvent* event)
{
    // The first move only starts watching for the pointer to leave.
    if (!m_tracking) {
        m_tracking = true;
    } else {
        MeasureIfNeeded();
        setCursor(HitTest(event->position().toPoint()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }
    QWidget::mouseMoveEvent(event);
}

void CLinkStatic::leaveEvent(QEvent*)
{
    m_tracking = false;
    setCursor(Qt::ArrowCursor);
}

void CLinkStatic::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        MeasureIfNeeded();
        if (HitTest(event->position().toPoint()))
            m_services.OpenUrl(m_address);  // a refusal is not reported
    }
    QWidget::mousePressEvent(event);
}

}  // namespace fovella
