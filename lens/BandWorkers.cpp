#include "lens/BandWorkers.h"

#include <algorithm>

namespace fovella::remap {

BandWorkers::BandWorkers(int threads, BandFunction band, const Geometry& geometry)
    : m_band(band),
      m_geometry(geometry),
      m_threads(threads > 1 ? threads : 1),
      m_rows(new std::atomic<int>[std::size_t(m_threads)])
{
    for (int slot = 0; slot < m_threads; ++slot)
        m_rows[slot] = -1;
    for (int slot = 1; slot < m_threads; ++slot)
        m_helpers.emplace_back([this, slot] { Help(slot); });
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
    m_waiting.emplace_back(j0, j1);
    m_changed.notify_one();
    while (m_waiting.size() > m_helpers.size() + 1)
        RunOldest(lock, 0);
}

void BandWorkers::Finish()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_waiting.empty())
        RunOldest(lock, 0);
    m_changed.wait(lock, [this] { return m_running == 0; });
}

void BandWorkers::RunOldest(std::unique_lock<std::mutex>& lock, int slot)
{
    const auto [j0, j1] = m_waiting.front();
    m_waiting.pop_front();
    ++m_running;
    const int firstRow = FirstRow(slot);
    m_rows[slot].store(firstRow, std::memory_order_relaxed);
    lock.unlock();
    m_band(m_geometry, j0, j1, firstRow, &m_rows[slot]);
    lock.lock();
    m_rows[slot].store(-1, std::memory_order_relaxed);
    --m_running;
    m_changed.notify_all();
}

int BandWorkers::FirstRow(int slot) const
{
    // The rows that go round: those above the middle two.
    const int rows = m_geometry.cy - 1;
    std::vector<int> taken;
    for (int other = 0; other < m_threads; ++other) {
        const int row = m_rows[other].load(std::memory_order_relaxed);
        if (other != slot && row >= 0)
            taken.push_back(std::min(row, rows));
    }
    if (rows < 2 || taken.empty())
        return 0;
    std::sort(taken.begin(), taken.end());
    int start = taken.back(), widest = taken.front() + rows - taken.back();
    for (std::size_t k = 1; k < taken.size(); ++k)
        if (taken[k] - taken[k - 1] > widest) {
            start = taken[k - 1];
            widest = taken[k] - taken[k - 1];
        }
    return (start + widest / 2) % rows;
}

void BandWorkers::Help(int slot)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_closing || !m_waiting.empty(); });
        if (m_waiting.empty())
            return;  // closing, nothing left
        RunOldest(lock, slot);
    }
}

}  // namespace fovella::remap
