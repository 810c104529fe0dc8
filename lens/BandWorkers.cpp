#include "lens/BandWorkers.h"

namespace fovella::remap {

BandWorkers::BandWorkers(int threads, BandFunction band, const Geometry& geometry)
    : m_band(band), m_geometry(geometry)
{
    for (int k = 1; k < threads; ++k)
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
    m_waiting.emplace_back(j0, j1);
    m_changed.notify_one();
    while (m_waiting.size() > m_helpers.size() + 1)
        RunOldest(lock);
}

void BandWorkers::Finish()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_waiting.empty())
        RunOldest(lock);
    m_changed.wait(lock, [this] { return m_running == 0; });
}

void BandWorkers::RunOldest(std::unique_lock<std::mutex>& lock)
{
    const auto [j0, j1] = m_waiting.front();
    m_waiting.pop_front();
    ++m_running;
    lock.unlock();
    m_band(m_geometry, j0, j1);
    lock.lock();
    --m_running;
    m_changed.notify_all();
}

void BandWorkers::Help()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_closing || !m_waiting.empty(); });
        if (m_waiting.empty())
            return;  // closing, nothing left
        RunOldest(lock);
    }
}

}  // namespace fovella::remap
