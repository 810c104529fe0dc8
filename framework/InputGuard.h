// Keeps the user's input away from one window while a long command runs
// from it, as a modal dialog over it would, but lets the window manager's
// close request through: Qt drops a close request to a window that a modal
// dialog blocks, and closing the window must still be able to stop the run.
#pragma once

#include <QObject>

class QWidget;

namespace fovella {

class InputGuard : public QObject {
public:
    // From now until the guard is destroyed, mouse, wheel, key, shortcut,
    // context-menu and drop events to `window` and its widgets are dropped.
    // Other windows (the run's own progress dialog among them) take input.
    explicit InputGuard(QWidget* window);
    ~InputGuard() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
};

}  // namespace fovella
