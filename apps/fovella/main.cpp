// fovella: the window, with the file named on the command line opened (as a
// file manager's "Open with" names it). Keeps no settings.
#include "ui/CCorrectorApp.h"
#include "ui/QtPlatformServices.h"

#include <QApplication>

#include <clocale>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // Qt takes the desktop's locale; numbers are read and shown with a point.
    std::setlocale(LC_NUMERIC, "C");
    fovella::QtPlatformServices services;
    const QStringList arguments = QApplication::arguments();
    fovella::CCorrectorApp(services).InitInstance(arguments.size() > 1 ? arguments[1].toStdString() : std::string());
    return 0;
}
