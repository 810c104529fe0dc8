// Worker threads that remap bands of columns handed to them one by one.
// Bands of different columns write different pixels, so they may run at
// once; the caller keeps the order of the progress reports and decides
// which band comes next. Inside the remap: not a public header.
#pragma once

#include "lens/RemapBand.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace fovella::remap {

class BandWorkers {
public:
    BandWorkers(int threads, BandFunction band, const Geometry& geometry);
    // Waits for the bands handed over, then ends the threads.
    ~BandWorkers();
    BandWorkers(const BandWorkers&) = delete;
    BandWorkers& operator=(const BandWorkers&) = delete;

    // Hands over columns j0 .. j1 - 1 once no more than one band waits
    // for a thread: a thread that finishes finds its next band at once,
    // instead of waking the caller to hand one over (which can take
    // milliseconds where the processors idle in a virtual machine), and no
    // band waits long after its progress was reported.
    void Run(int j0, int j1);
    // Returns when every band handed over is done.
    void Wait();

private:
    void Work();

    const BandFunction m_band;
    const Geometry m_geometry;
    const int m_threads;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::pair<int, int>> m_waiting;
    int m_running = 0;
    bool m_closing = false;
    std::vector<std::thread> m_workers;
};

}  // namespace fovella::remap
