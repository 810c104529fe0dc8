// fovella: the window, with the file named on the command line opened (as a
// file manager's "Open with" names it). Keeps no settings.
#include "ui/CCorrectorApp.h"
#include "ui/QtPlatformServices.h"

#include <QApplication>

#include <clocale>

int main(int argc, char* argv[])
{
    // Takes Qt's own options out of argv.
    QApplication application(argc, argv);
    // Qt takes the desktop's locale; numbers are read and shown with a point.
    std::setlocale(LC_NUMERIC, "C");
    fovella::QtPlatformServices services;
    // The name byte for byte as the system gave it: Qt's arguments() decodes
    // it as UTF-8 text, which turns a name that is not valid UTF-8 into
    // another name that does not exist.
    fovella::CCorrectorApp(services).InitInstance(argc > 1 ? std::string(argv[1]) : std::string());
    return 0;
}
