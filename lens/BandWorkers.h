// Bands of columns remapped on several threads: the caller's own and
// helpers. Bands of different columns write different pixels, so they may
// run at once; the caller keeps the order of the progress reports and
// decides which band comes next. Inside the remap: not a public header.
#pragma once

#include "lens/RemapBand.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
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

    // Hands over columns j0 .. j1 - 1. While more bands wait than one per
    // helper and one more, the caller remaps the oldest itself: its
    // thread works instead of waiting beside the helpers for a core, and a
    // helper that finishes, even twice while the caller remaps one band,
    // finds its next at once.
    void Run(int j0, int j1);
    // Returns when every band handed over is done, the caller remapping
    // those still waiting.
    void Finish();

private:
    void Help(int slot);
    // Remaps the oldest waiting band on the thread of `slot` (0 the
    // caller's), with the lock released.
    void RunOldest(std::unique_lock<std::mutex>& lock, int slot);
    // Where a band starting now should begin: in the middle of the widest
    // stretch of rows that no other band is writing.
    int FirstRow(int slot) const;

    const BandFunction m_band;
    const Geometry m_geometry;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::pair<int, int>> m_waiting;
    int m_running = 0;
    bool m_closing = false;
    // For each thread, the row under way, or -1 while it has no band.
    const int m_threads;
    std::unique_ptr<std::atomic<int>[]> m_rows;
    std::vector<std::thread> m_helpers;
};

}  // namespace fovella::remap
