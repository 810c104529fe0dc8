#include "framework/CTemplateDialog.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QScreen>
#include <QPushButton>
#include <QKeyEvent>

namespace fovella {

CTemplateDialog::CTemplateDialog(const char* title, int width, int height,
                                 std::vector<ControlTemplate> controls, PlatformServices& services,
                                 QWidget* parent)
    : QDialog(parent), m_controls(std::move(controls)), m_services(services)
{
    setWindowTitle(QString::fromUtf8(title));
    setFont(DialogFont());
    resize(DialogUnitsToPixels(0, 0, width, height).size());
}

void CTemplateDialog::Initialise()
{
    if (m_initialised)
        return;
    m_initialised = true;
    CreateControls(*this, m_controls, m_services);
    // Buttons 1 and 2 are OK and Cancel in every template.
    if (auto* ok = Control<QAbstractButton>(*this, kIdOk))
        connect(ok, &QAbstractButton::clicked, this, [this] { OnOK(); });
    if (auto* cancel = Control<QAbstractButton>(*this, kIdCancel))
        connect(cancel, &QAbstractButton::clicked, this, [this] { OnCancel(); });
    UpdateData(false);
    OnInitDialog();
}

int CTemplateDialog::DoModal()
{
    Initialise();
    return exec();
}

void CTemplateDialog::UpdateData(bool pull)
{
    DataExchange exchange(*this, pull);
    DoDataExchange(exchange);
}

void CTemplateDialog::CentreOnScreen()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void CTemplateDialog::OnOK()
{
    UpdateData(true);
    done(Accepted);
}

void CTemplateDialog::OnCancel() { done(Rejected); }

void CTemplateDialog::reject() { OnCancel(); }

void CTemplateDialog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A check box, even one drawn as a button, takes no Enter.
        if (auto* button = dynamic_cast<QPushButton*>(focusWidget()); button && !button->isCheckable())
            button->click();
        else
            OnOK();
        return;
    case Qt::Key_Escape:
        OnCancel();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

}  // namespace fovella
