#include "ui/QtPlatformServices.h"

#include "ui/FileFilter.h"
#include "ui/HelpWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace fovella {

namespace {

QMessageBox::Icon IconOf(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Information: break;
    }
    return QMessageBox::Information;
}

// Each filter keeps its description as written; the patterns follow in the
// form Qt reads, hidden from the user.
QStringList NameFilters(const std::string& text)
{
    QStringList filters;
    for (const FileFilter& filter : ParseFileFilter(text)) {
        QStringList patterns;
        for (const std::string& pattern : filter.patterns)
            patterns << QString::fromStdString(pattern);
        filters << QString::fromStdString(filter.description) + " (" + patterns.join(' ') + ")";
    }
    return filters;
}

// Qt reads what follows a name's last dot as its type and then adds no
// default suffix: a photograph's stem such as "2024.05.01 wedding", offered
// as it is, would be refused for its extension. A save chooser offers such
// a stem with the default extension already.
QString OfferedName(QFileDialog::AcceptMode mode, const FileDialogRequest& request)
{
    QString name = QString::fromStdString(request.initialName);
    if (mode == QFileDialog::AcceptSave && !request.defaultExtension.empty() && name.contains('.'))
        name += "." + QString::fromStdString(request.defaultExtension);
    return name;
}

bool RunFileDialog(QFileDialog::AcceptMode mode, const FileDialogRequest& request, std::string& path)
{
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    dialog.setNameFilters(NameFilters(request.filter));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    if (!request.initialFolder.empty())
        dialog.setDirectory(QString::fromStdString(request.initialFolder));
    if (!request.initialName.empty())
        dialog.selectFile(OfferedName(mode, request));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    path = dialog.selectedFiles().first().toStdString();
    return true;
}

}  // namespace

QtPlatformServices::QtPlatformServices() = default;
QtPlatformServices::~QtPlatformServices() = default;

MessageAnswer QtPlatformServices::ShowMessage(const std::string& text, const std::string& caption,
                                              MessageIcon icon, MessageButtons buttons, MessageExtras* extras)
{
    const QMessageBox::StandardButtons shown =
        buttons == MessageButtons::Ok       ? QMessageBox::Ok
        : buttons == MessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No
                                            : QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    QMessageBox box(IconOf(icon), QString::fromStdString(caption), QString::fromStdString(text), shown,
                    QApplication::activeWindow());
    // Yes alone with No asks before something that cannot be taken back:
    // Enter must not do it.
    if (buttons == MessageButtons::YesNo)
        box.setDefaultButton(QMessageBox::No);
    if (extras && !extras->details.empty())
        box.setDetailedText(QString::fromStdString(extras->details));
    if (extras && !extras->explanation.empty())
        box.setInformativeText(QString::fromStdString(extras->explanation));
    QCheckBox* check = nullptr;
    if (extras && !extras->checkBox.empty()) {
        check = new QCheckBox(QString::fromStdString(extras->checkBox));
        check->setChecked(extras->checked);
        box.setCheckBox(check);  // the box owns it
    }
    const int answer = box.exec();
    if (check)
        extras->checked = check->isChecked();
    switch (answer) {
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    case QMessageBox::Cancel: return MessageAnswer::Cancel;
    default:
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok
               : buttons == MessageButtons::YesNo ? MessageAnswer::No
                                                  : MessageAnswer::Cancel;
    }
}

bool QtPlatformServices::AskOpenFileName(const FileDialogRequest& request, std::string& path)
{
    return RunFileDialog(QFileDialog::AcceptOpen, request, path);
}

bool QtPlatformServices::AskSaveFileName(const FileDialogRequest& request, std::string& path)
{
    return RunFileDialog(QFileDialog::AcceptSave, request, path);
}

bool QtPlatformServices::BrowseForFolder(const std::string& title, std::string& folder)
{
    const QString chosen = QFileDialog::getExistingDirectory(
        QApplication::activeWindow(), QString::fromStdString(title), QString::fromStdString(folder));
    if (chosen.isEmpty())
        return false;
    folder = chosen.toStdString();
    return true;
}

bool QtPlatformServices::OpenUrl(const std::string& address)
{
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

void QtPlatformServices::ShowHelp()
{
    if (!m_help)
        m_help = std::make_unique<HelpWindow>();
    m_help->ShowContents();
}

}  // namespace fovella
