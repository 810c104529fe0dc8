// Bands of columns remapped on several threads: the caller's own and
// helpers, which share out each band's rows in runs. Different runs write
// different pixels, so they may go at once; the caller hands the bands over
// in order, each after its progress reports. Inside the remap: not a public
// header.
#pragma once

#include "lens/RemapBand.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace fovella::remap {

class BandWorkers {
public:
    // `threads` in all: the caller's and threads - 1 helpers.
    BandWorkers(int threads, BandFunction band, const Geometry& geometry);
    // Finishes the bands handed over, then ends the helpers.
    ~BandWorkers();
    BandWorkers(const BandWorkers&) = delete;
    BandWorkers& operator=(const BandWorkers&) = delete;

    // Hands over columns j0 .. j1 - 1. The caller then remaps runs of the
    // bands handed over before, until this one is the oldest left: the
    // helpers go on with it while the caller reports the next. Alone, the
    // caller remaps the band at once.
    void Run(int j0, int j1);
    // Returns when every band handed over is done, the caller remapping
    // runs with the helpers.
    void Finish();

private:
    struct Band {
        int j0, j1;
        int nextRow;  // the first row not yet handed out
    };

    void Help();
    // Takes the next run of the oldest band and remaps it with the lock
    // released.
    void RunNext(std::unique_lock<std::mutex>& lock);

    const BandFunction m_band;
    const Geometry m_geometry;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Band> m_waiting;  // bands with rows still to hand out
    int m_running = 0;
    bool m_closing = false;
    std::vector<std::thread> m_helpers;
};

}  // namespace fovella::remap
