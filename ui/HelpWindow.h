// The user manual, built into the program, in a window of its own that
// opens at the table of contents.
#pragma once

#include <QDialog>

class QTextBrowser;

namespace fovella {

class HelpWindow : public QDialog {
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the window (again) at the table of contents, in front.
    void ShowContents();

    QTextBrowser& Browser() const { return *m_browser; }

private:
    QTextBrowser* m_browser;
};

}  // namespace fovella
