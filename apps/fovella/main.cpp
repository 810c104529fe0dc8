// fovella: the window. Takes no arguments and keeps no settings.
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
    fovella::CCorrectorApp(services).InitInstance();
    return 0;
}
