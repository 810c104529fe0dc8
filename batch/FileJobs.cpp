#include "batch/FileJobs.h"

#include <chrono>
#include <utility>

namespace fovella {

FileJobs::FileJobs(std::vector<std::string> paths, int jobs, std::uint64_t memoryLimit, Admit admit,
                   Prepare prepare)
    : m_paths(std::move(paths)),
      m_jobs(std::size_t(jobs > 1 ? jobs : 1)),
      m_memoryLimit(memoryLimit),
      m_admit(std::move(admit)),
      m_prepare(std::move(prepare)),
      m_done(m_paths.size()),
      m_started(m_paths.size(), nullptr)
{
    for (std::size_t j = 0; j < m_jobs; ++j)
        m_threads.emplace_back([this] { Job(); });
}

FileJobs::~FileJobs()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

std::unique_ptr<Work> FileJobs::Take(std::size_t k, const Waiting& waiting)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_turn = k;
    for (StartWhileRoom(); !m_done[k]; StartWhileRoom()) {
        m_changed.wait_for(lock, std::chrono::milliseconds(10));
        // A started Work lives until it is taken, so it may be read unlocked.
        const Work* turn = m_started[k];
        lock.unlock();
        const bool stop = waiting(turn);
        lock.lock();
        if (stop)
            return nullptr;
    }
    m_started[k] = nullptr;
    return std::move(m_done[k]);
}

// Files start in list order, up to one per job at once and no further than
// two per job ahead of the one whose turn it is, as long as their pictures
// fit the memory limit together; one alone always starts (or fails as too
// large). A file that must wait for memory keeps its header's count. Called
// with the mutex held, by the run's thread and by each job that finishes a
// file, so that the jobs go on while the run's thread waits for an answer.
void FileJobs::StartWhileRoom()
{
    for (; m_next < m_paths.size() && m_next < m_turn + 2 * m_jobs && m_running < m_jobs; ++m_next) {
        if (!m_waiting) {
            m_waiting = std::make_unique<Work>();
            m_waiting->path = m_paths[m_next];
            if (!m_admit(*m_waiting))
                m_waiting->state = Work::State::LoadFailed;
            m_started[m_next] = m_waiting.get();
        }
        const std::uint64_t needed = m_waiting->state == Work::State::LoadFailed ? 0 : m_waiting->memory;
        if (m_running > 0 && m_inFlight + needed > m_memoryLimit)
            break;
        std::unique_ptr<Pictures> pictures;
        if (!m_idle.empty()) {
            pictures = std::move(m_idle.back());
            m_idle.pop_back();
        }
        // The other idle pictures count against the limit too: they go
        // when they would not fit beside.
        if (m_inFlight + needed + IdleMemory() > m_memoryLimit)
            m_idle.clear();
        if (!pictures)
            pictures = std::make_unique<Pictures>();
        m_inFlight += needed;
        ++m_running;
        m_starting.push_back({m_next, std::move(m_waiting), std::move(pictures), needed});
        m_changed.notify_all();
    }
}

void FileJobs::Job()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stop || !m_starting.empty(); });
        if (m_stop)
            return;
        Start start = std::move(m_starting.front());
        m_starting.pop_front();
        lock.unlock();
        m_prepare(*start.work, *start.pictures, m_stop);
        lock.lock();
        m_idle.push_back(std::move(start.pictures));
        m_inFlight -= start.memory;
        --m_running;
        m_done[start.k] = std::move(start.work);
        StartWhileRoom();
        m_changed.notify_all();
    }
}

std::uint64_t FileJobs::IdleMemory() const
{
    std::uint64_t bytes = 0;
    for (const auto& pictures : m_idle)
        for (const DibImage* image : {&pictures->source, &pictures->result})
            bytes += std::uint64_t(image->RowBytes()) * std::uint64_t(image->Height());
    return bytes;
}

}  // namespace fovella
