#include "ui/CCorrectorApp.h"

#include "ui/CCorrectorDlg.h"

#include <QEventLoop>

#include <sys/resource.h>

namespace fovella {

namespace {

// Long corrections run on the interface thread: below normal priority they
// leave the rest of the desktop responsive.
void LowerPriority()
{
    // Linux gives each thread its own nice value; this is the calling one's.
    setpriority(PRIO_PROCESS, 0, getpriority(PRIO_PROCESS, 0) + 1);
}

}  // namespace

bool CCorrectorApp::InitInstance(const std::string& file)
{
    LowerPriority();
    CCorrectorDlg dialog(m_services);
    dialog.Initialise();
    // The dialog is the program's one window, run to its end; not modal, so
    // that the help window beside it takes input too.
    QEventLoop loop;
    QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    dialog.show();
    if (!file.empty())
        dialog.OpenFromOutside(file);
    loop.exec();
    return false;
}

}  // namespace fovella
