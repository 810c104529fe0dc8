#include "ui/HelpWindow.h"

#include <QTextBrowser>
#include <QVBoxLayout>

namespace fovella {

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent), m_browser(new QTextBrowser(this))
{
    setWindowTitle(QStringLiteral("Fovella Help"));
    setWindowFlags(Qt::Window);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    m_browser->setOpenExternalLinks(true);
    resize(560, 640);
}

void HelpWindow::ShowContents()
{
    m_browser->setSource(QUrl(QStringLiteral("qrc:/help/manual.html")));
    m_browser->scrollToAnchor(QStringLiteral("contents"));
    show();
    raise();
    activateWindow();
}

}  // namespace fovella
