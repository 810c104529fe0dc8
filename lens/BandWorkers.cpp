#include "lens/BandWorkers.h"

namespace fovella::remap {

namespace {

// The fewest rows a run hands out: at the end of a picture, the threads
// finish within a run's time of each other (about 0.1 ms for a band of
// a 24-megapixel picture).
constexpr int kShortestRun = 32;

}  // namespace

BandWorkers::BandWorkers(int threads, BandFunction band, const Geometry& geometry)
    : m_band(band), m_geometry(geometry)
{
    for (int helper = 1; helper < threads; ++helper)
        m_helpers.emplace_back([this] { Help(); });
}

BandWorkers::~BandWorkers()
{
    Finish();
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_closing = true;
    }
    m_changed.notify_all();
    for (std::thread& helper : m_helpers)
        helper.join();
}

void BandWorkers::Run(int j0, int j1)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_waiting.push_back({j0, j1, 0});
    m_changed.notify_all();
    const std::size_t handedOn = m_helpers.empty() ? 0 : 1;
    while (m_waiting.size() > handedOn)
        RunNext(lock);
}

void BandWorkers::Finish()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_waiting.empty())
        RunNext(lock);
    m_changed.wait(lock, [this] { return m_running == 0; });
}

void BandWorkers::RunNext(std::unique_lock<std::mutex>& lock)
{
    // A share of the rows left: each thread works through long stretches of
    // consecutive rows, as one thread alone does (runs of 32 rows taken in
    // turn cost two threads a tenth more), and the runs grow shorter toward
    // the band's end, so that the threads end together.
    Band& band = m_waiting.front();
    const int middleRow = FirstMiddleRow(m_geometry);
    const int share = (middleRow - band.nextRow) / int(2 * (m_helpers.size() + 1));
    const int j0 = band.j0, j1 = band.j1, i0 = band.nextRow;
    int i1 = i0 + (share > kShortestRun ? share : kShortestRun);
    // The last run of a band holds the middle rows.
    if (i1 >= middleRow)
        i1 = m_geometry.cy + 1;
    band.nextRow = i1;
    if (i1 > m_geometry.cy)
        m_waiting.pop_front();
    ++m_running;
    lock.unlock();
    m_band(m_geometry, j0, j1, i0, i1);
    lock.lock();
    if (--m_running == 0 && m_waiting.empty())
        m_changed.notify_all();
}

void BandWorkers::Help()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_closing || !m_waiting.empty(); });
        if (m_waiting.empty())
            return;  // closing, nothing left
        RunNext(lock);
    }
}

}  // namespace fovella::remap
