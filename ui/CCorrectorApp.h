// Starts the program: lowers the thread's priority one step, then shows the
// main dialog until it is closed. The program has no other top-level window
// and takes no arguments.
#pragma once

namespace fovella {

class PlatformServices;

class CCorrectorApp {
public:
    explicit CCorrectorApp(PlatformServices& services) : m_services(services) {}

    // Runs the main dialog to its end. False: the program then ends.
    bool InitInstance();

private:
    PlatformServices& m_services;
};

}  // namespace fovella
