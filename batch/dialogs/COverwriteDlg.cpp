#include "batch/dialogs/COverwriteDlg.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace fovella {

namespace {

std::vector<ControlTemplate> OverwriteTemplate()
{
    using K = ControlKind;
    return {
        {kOverwriteIcon, K::Icon, "", 17, 9, 20, 20},
        {kOverwriteMessage, K::Label, "File ...", 45, 10, 185, 8},
        {kNoControlId, K::Label, "already exists.", 45, 20, 45, 8},
        {kOverwriteOnce, K::PushButton, "&Overwrite", 15, 40, 50, 14},
        {kOverwriteAll, K::PushButton, "Overwrite &All", 70, 40, 50, 14},
        {kOverwriteSkip, K::PushButton, "&Skip", 125, 40, 50, 14},
        {kIdCancel, K::PushButton, "&Cancel", 181, 40, 50, 14},
        {kOverwriteSourceNote, K::Label, "It is the source itself: overwriting replaces the original.", 45, 29, 185, 8},
    };
}

}  // namespace

COverwriteDlg::COverwriteDlg(PlatformServices& services, QWidget* parent)
    : CTemplateDialog("Warning", 237, 62, OverwriteTemplate(), services, parent)
{
    setFixedSize(size());
}

void COverwriteDlg::DoDataExchange(DataExchange& exchange)
{
    if (!exchange.Pulling())
        Control<QLabel>(*this, kOverwriteMessage)->setText(QString::fromStdString(m_strMessage));
}

void COverwriteDlg::OnInitDialog()
{
    auto* icon = Control<QLabel>(*this, kOverwriteIcon);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(icon->size()));
    for (int id : {kOverwriteOnce, kOverwriteAll, kOverwriteSkip})
        connect(Control<QAbstractButton>(*this, id), &QAbstractButton::clicked, this, [this, id] { CloseWith(id); });
    ShowSourceItself();
}

// Replacing a photograph by its own correction takes a deliberate choice:
// Enter then skips it.
void COverwriteDlg::ShowSourceItself()
{
    FindControl(*this, kOverwriteSourceNote)->setVisible(m_bSourceItself);
    if (!m_bSourceItself)
        return;
    auto* skip = Control<QPushButton>(*this, kOverwriteSkip);
    skip->setDefault(true);
    skip->setFocus();
}

void COverwriteDlg::OnCancel() { CloseWith(kIdCancel); }

void COverwriteDlg::CloseWith(int id)
{
    m_nResult = id;
    done(id == kIdCancel ? Rejected : Accepted);
}

}  // namespace fovella
