#include "lens/BandWorkers.h"

namespace fovella::remap {

BandWorkers::BandWorkers(int threads, BandFunction band, const Geometry& geometry)
    : m_band(band), m_geometry(geometry), m_threads(threads)
{
    for (int k = 0; k < threads; ++k)
        m_workers.emplace_back([this] { Work(); });
}

BandWorkers::~BandWorkers()
{
    Wait();
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_closing = true;
    }
    m_changed.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

void BandWorkers::Run(int j0, int j1)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return int(m_waiting.size()) + m_running <= m_threads; });
    m_waiting.emplace_back(j0, j1);
    lock.unlock();
    m_changed.notify_all();
}

void BandWorkers::Wait()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_waiting.empty() && m_running == 0; });
}

void BandWorkers::Work()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_closing || !m_waiting.empty(); });
        if (m_waiting.empty())
            return;  // closing, nothing left
        const auto [j0, j1] = m_waiting.front();
        m_waiting.pop_front();
        ++m_running;
        lock.unlock();
        // The caller may hand over the next band now, while this one runs.
        m_changed.notify_all();
        m_band(m_geometry, j0, j1);
        lock.lock();
        --m_running;
        m_changed.notify_all();
    }
}

}  // namespace fovella::remap
