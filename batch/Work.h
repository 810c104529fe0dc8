// One file on its way through a folder run, and the pictures it is
// corrected in. Inside the batch engine: not a public header.
#pragma once

#include "batch/BatchEvents.h"
#include "fs/FileReplacement.h"
#include "image/DibImage.h"
#include "metadata/PhotoMetadata.h"

#include <atomic>
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
    // Stopped: the remap refused the picture, or was stopped because the
    // run ended before this file's turn (it is then never reported).
    // AlreadyCorrected: the file carries Fovella's mark (a result of an
    // earlier run) and is not corrected again; `markedScale` says at which
    // scale. Straight: the picture's lines gave no scale; `straightWhy` says
    // why.
    enum class State { Loaded, LoadFailed, AlreadyCorrected, NoFocal, Straight, Corrected, Stopped };
    State state = State::Loaded;
    std::string path;
    std::string error;
    double markedScale = 0;  // AlreadyCorrected only
    SkipReason straightWhy = SkipReason::NoStraightLines;  // Straight only
    Pictures* pictures = nullptr;  // while the file holds some
    int width = 0, height = 0;     // the picture's, once loaded (or its header read)
    PhotoMetadata metadata;  // the file's own, never the window's
    float focal = 0;
    bool fromExif = false;
    bool fromLines = false;
    double scale = 0;
    // Whole per-cents of its remap, -1 until the remap starts: set by the
    // job that corrects it, read by the run's thread while it waits for
    // the file (path, focal and fromExif are settled before it leaves -1).
    std::atomic<int> percent{-1};
    double loadSeconds = 0, remapSeconds = 0, writeSeconds = 0;
    std::uint64_t memory = 0;  // what its pictures take, from the header
    // The result written beside its target but not yet in place (the run
    // puts it there in list order, after any question), or why it could not
    // be written.
    std::unique_ptr<FileReplacement> written;
    std::string writeError;
};

}  // namespace fovella
