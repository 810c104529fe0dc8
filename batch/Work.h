// One file on its way through a folder run, and the pictures it is
// corrected in. Inside the batch engine: not a public header.
#pragma once

#include "fs/FileReplacement.h"
#include "image/DibImage.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fovella {

// The two pictures a file needs while it is corrected. Their storage goes
// from file to file: the next picture of the same size takes it over
// instead of asking the system for fresh pages (that costs more than the
// remap).
struct Pictures {
    DibImage source, result;
};

// One file on its way through the run.
struct Work {
    // Stopped: the remap returned early, by the user's cancel or because it
    // refused the picture; the run's cancel flag tells which. Straight: the
    // picture's lines gave no scale; `error` says why.
    enum class State { Loaded, LoadFailed, NoFocal, Straight, Corrected, Stopped };
    State state = State::Loaded;
    std::string path;
    std::string error;
    Pictures* pictures = nullptr;  // while the file holds some
    std::vector<std::uint8_t> exif;  // the file's own block, never the window's
    float focal = 0;
    bool fromExif = false;
    bool fromLines = false;
    double scale = 0;
    double loadSeconds = 0, remapSeconds = 0, writeSeconds = 0;
    std::uint64_t memory = 0;  // what its pictures take, from the header
    // The result written beside its target but not yet in place (the run
    // puts it there in list order, after any question), or why it could not
    // be written.
    std::unique_ptr<FileReplacement> written;
    std::string writeError;
};

}  // namespace fovella
