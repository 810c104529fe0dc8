#include "framework/InputGuard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace fovella {

namespace {

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
        return true;
    default:
        return false;
    }
}

}  // namespace

InputGuard::InputGuard(QWidget* window) : m_window(window)
{
    if (m_window)
        QCoreApplication::instance()->installEventFilter(this);
}

InputGuard::~InputGuard()
{
    if (m_window)
        QCoreApplication::instance()->removeEventFilter(this);
}

bool InputGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (!IsUserInput(event->type()) || !watched->isWidgetType())
        return false;
    return static_cast<QWidget*>(watched)->window() == m_window;
}

}  // namespace fovella
