// Starts the program: lowers the thread's priority one step, then shows the
// main dialog until it is closed, with a file opened when one is named. The
// program has no other top-level window and keeps no settings.
#pragma once

#include <string>

namespace fovella {

class PlatformServices;

class CCorrectorApp {
public:
    explicit CCorrectorApp(PlatformServices& services) : m_services(services) {}

    // Runs the main dialog to its end, `file` opened first when not empty.
    // False: the program then ends.
    bool InitInstance(const std::string& file = std::string());

private:
    PlatformServices& m_services;
};

}  // namespace fovella
